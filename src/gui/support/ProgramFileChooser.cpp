#include "gui/support/ProgramFileChooser.h"

#include "files/ProgramFile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

QStringList ProgramFileChooser::NameFilters(ProgramFileKind kind, int deviceType) {
    if (kind == ProgramFileKind::FilterText)
        return {QStringLiteral("Filter texts (*.txt)"), QStringLiteral("All files (*)")};
    if (kind == ProgramFileKind::Measurement)
        return {QStringLiteral("Measurements (*.txt *.frd *.zma *.csv)"),
                QStringLiteral("All files (*)")};
    const bool library = kind == ProgramFileKind::Library;
    QStringList patterns;
    for (const std::string& pattern :
         library ? LibraryPatterns(deviceType) : SingleSettingPatterns(deviceType))
        patterns << QString::fromStdString(pattern);
    const std::string_view label = DeviceModelOf(deviceType).label;
    const QString model = QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
    const QString what =
        library ? QStringLiteral("program libraries") : QStringLiteral("program files");
    return {QStringLiteral("%1 %2 (%3)").arg(model, what, patterns.join(QLatin1Char(' '))),
            QStringLiteral("All files (*)")};
}

std::optional<std::string> ProgramFileChooser::ChooseFile(const FileChoice& choice) {
    const QStringList filters = NameFilters(choice.kind, choice.deviceType);
    const QString filter = filters.join(QStringLiteral(";;"));
    QString selected = filters.front();
    QString chosen;
    if (choice.save) {
        // The save chooser starts with the model's pattern as its name ("*.dia48").
        const std::string initial = choice.kind == ProgramFileKind::Library
                                        ? LibraryInitialName(choice.deviceType)
                                    : choice.kind == ProgramFileKind::FilterText
                                        ? std::string("*.txt")
                                        : SingleSettingInitialName(choice.deviceType);
        chosen = QFileDialog::getSaveFileName(
            m_parent, QString(), QDir::current().filePath(QString::fromStdString(initial)), filter,
            &selected);
    } else {
        chosen = QFileDialog::getOpenFileName(m_parent, QString(), QDir::currentPath(), filter,
                                              &selected);
    }
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen).toStdString();
}
