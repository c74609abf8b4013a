#include "PdfPages.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace guitest {

namespace {

// Runs a poppler tool; its standard output, or a null string after failing the test.
QByteArray RunTool(const QString& tool, const QStringList& arguments,
                   const std::source_location& where) {
    QProcess process;
    process.start(tool, arguments);
    const bool finished = process.waitForFinished(60000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString why = process.error() == QProcess::FailedToStart
                                ? QStringLiteral("not installed (Debian package poppler-utils)")
                                : QString::fromUtf8(process.readAllStandardError());
        QTest::qFail(qPrintable(tool + QStringLiteral(" ") + arguments.join(QLatin1Char(' ')) +
                                QStringLiteral(": ") + why),
                     where.file_name(), static_cast<int>(where.line()));
        return {};
    }
    return process.readAllStandardOutput();
}

} // namespace

int PdfPageCount(const QString& pdf, std::source_location where) {
    const QString info = QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdf}, where));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(info);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString PdfPageText(const QString& pdf, int page, std::source_location where) {
    const QString number = QString::number(page);
    return QString::fromUtf8(RunTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-layout"), QStringLiteral("-f"), number,
                                      QStringLiteral("-l"), number, pdf, QStringLiteral("-")},
                                     where));
}

QList<QImage> PdfPageImages(const QString& pdf, int dpi, std::source_location where) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi), pdf, prefix},
            where);
    QList<QImage> images;
    // pdftoppm numbers the pages page-1.pgm, page-2.pgm, ... (more digits for longer files).
    QStringList files = QDir(dir.path()).entryList({QStringLiteral("page-*.pgm")}, QDir::Files);
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString& file : files)
        images << QImage(dir.filePath(file));
    return images;
}

} // namespace guitest
