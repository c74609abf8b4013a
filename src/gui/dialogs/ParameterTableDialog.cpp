#include "gui/dialogs/ParameterTableDialog.h"

#include "files/ProgramFile.h"
#include "gui/support/ParameterTableColumns.h"
#include "gui/support/ParameterTablePrint.h"
#include "gui/support/PrintJob.h"
#include "link/MessageSink.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

constexpr int kListHeight = 600; // pixels of list shown at first, screen permitting

struct ExportFormat {
    const char* filter;
    const char* suffix;
};
constexpr ExportFormat kExportFormats[] = {
    {"CSV (*.csv)", "csv"},
    {"PDF (*.pdf)", "pdf"},
};

// Saved as every file of the program is: whole or not at all, never over a device or a pipe.
bool WriteBytes(const QString& path, const std::string& bytes, QString* error) {
    std::string reason;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (SaveFileReplacing(QFile::encodeName(path).toStdString(), {data, bytes.size()}, &reason))
        return true;
    *error = QString::fromStdString(reason);
    return false;
}

bool ReadWholeFile(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// A file name made of the program name: no directory separators.
QString SuggestedName(const ParameterTable& table) {
    QString name = QString::fromStdString(table.headings().front()).trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name.isEmpty() ? QStringLiteral("DataView") : name;
}

} // namespace

ParameterTableDialog::ParameterTableDialog(const ProgramContainer& data, int deviceType,
                                           IMessageSink& messages, QWidget* parent)
    : QDialog(parent), m_table(data, deviceType), m_messages(messages), m_chooser(RunPrintDialog) {
    setWindowTitle(QString::fromLatin1(kCaption));
    m_printed = PrintedParameterTable(data, m_table);

    m_list = new QTableWidget(this);
    FillList();

    m_print = new QPushButton(QString::fromLatin1(kPrintText), this);
    m_export = new QPushButton(QString::fromUtf8(kExportText), this);
    auto* close = new QPushButton(QString::fromLatin1(kCloseText), this);
    close->setDefault(true);
    connect(m_print, &QPushButton::clicked, this, &ParameterTableDialog::Print);
    connect(m_export, &QPushButton::clicked, this, &ParameterTableDialog::Export);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_export);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    // Wide enough for every column, as tall as a screen allows.
    int width = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_list->columnCount(); ++c)
        width += m_list->columnWidth(c);
    QSize size(width + layout->contentsMargins().left() + layout->contentsMargins().right(),
               kListHeight);
    if (const QScreen* screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

void ParameterTableDialog::FillList() {
    const int columns = m_table.columnCount();
    m_list->setColumnCount(columns);
    m_list->setRowCount(m_table.rowCount());
    m_list->setHorizontalHeaderLabels(m_printed.headings);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, kListBackground);
    palette.setColor(QPalette::Text, kListText);
    m_list->setPalette(palette);

    const std::vector<int> widths = ParameterColumnWidths(m_table);
    for (int c = 0; c < columns; ++c)
        m_list->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    for (int r = 0; r < m_table.rowCount(); ++r) {
        const QStringList& cells = m_printed.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignCenter);
            item->setForeground(kListText);
            m_list->setItem(r, c, item);
        }
    }
}

PrintedTable ParameterTableDialog::PrintTable() const {
    PrintedTable table = m_printed;
    for (int c = 0; c < m_list->columnCount(); ++c)
        table.widths[static_cast<std::size_t>(c)] = m_list->columnWidth(c);
    return table;
}

void ParameterTableDialog::Print() {
    if (m_table.rowCount() == 0)
        return;
    TablePrinter pages(PrintTable());
    QPrinter printer(QPrinter::HighResolution);
    // The pages keep their own 10 mm margins, measured from the paper's edge.
    printer.setFullPage(true);
    pages.BeginPrinting(printer);
    const std::optional<PageRange> range = m_chooser(printer, pages.PageCount(), this);
    if (!range)
        return;

    // Shown only when printing takes a while; its Cancel stops the job after the current page.
    QProgressDialog progress(QStringLiteral("Printing\u2026"), QStringLiteral("Cancel"), 0, 1,
                             this);
    progress.setWindowModality(Qt::WindowModal);
    // Qt's print-to-file writes straight into the file named: the job prints into a scratch
    // file instead, which is then saved as every file of the program is (whole or not at all,
    // never over a device, a pipe or a folder).
    const QString chosenFile =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    QTemporaryDir scratch;
    if (!chosenFile.isEmpty()) {
        std::string reason;
        if (!CheckSaveTarget(QFile::encodeName(chosenFile).toStdString(), &reason) ||
            !scratch.isValid()) {
            ShowWriteError(chosenFile, scratch.isValid() ? QString::fromStdString(reason)
                                                         : scratch.errorString());
            return;
        }
        printer.setOutputFileName(scratch.filePath(QStringLiteral("print.pdf")));
    }
    PrintJob job(pages, m_messages);
    job.SetAbortCheck([&progress](int printed, int total) {
        progress.setMaximum(total);
        progress.setValue(printed);
        return progress.wasCanceled();
    });
    if (job.Run(printer, *range) != PrintJob::Result::Printed || chosenFile.isEmpty())
        return;
    QByteArray document;
    QString error;
    if (!ReadWholeFile(printer.outputFileName(), document))
        ShowWriteError(chosenFile, QStringLiteral("the printed document could not be read back"));
    else if (!WriteBytes(chosenFile, document.toStdString(), &error))
        ShowWriteError(chosenFile, error);
}

void ParameterTableDialog::ShowWriteError(const QString& path, const QString& reason) {
    m_messages.ShowMessage(QStringLiteral("Could not write %1: %2").arg(path, reason).toStdString(),
                           MessageKind::Error);
}

void ParameterTableDialog::Export() {
    QFileDialog chooser(this, QString::fromUtf8(kExportText));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const ExportFormat& format : kExportFormats)
        filters << QString::fromLatin1(format.filter);
    chooser.setNameFilters(filters);
    chooser.selectFile(SuggestedName(m_table) + QStringLiteral(".csv"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    QString path = chooser.selectedFiles().front();
    // A name typed without extension takes the one of the format shown.
    if (QFileInfo(path).suffix().isEmpty()) {
        for (const ExportFormat& format : kExportFormats) {
            if (chooser.selectedNameFilter() == QLatin1String(format.filter))
                path += QLatin1Char('.') + QLatin1String(format.suffix);
        }
    }
    ExportTo(path);
}

bool ParameterTableDialog::ExportTo(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString error;
    bool written = false;
    if (suffix == QLatin1String("csv")) {
        written = WriteBytes(path, FormatParameterTableCsv(m_table), &error);
    } else if (suffix == QLatin1String("pdf")) {
        TablePrinter pages(PrintTable());
        written = PrintToPdfFile(pages, path, &error);
    } else {
        m_messages.ShowMessage(kExportNeedsSuffixText, MessageKind::Warning);
        return false;
    }
    if (!written)
        ShowWriteError(path, error);
    return written;
}

std::optional<PageRange> RunPrintDialog(QPrinter& printer, int pageCount, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, pageCount);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
        const QString path = QFileDialog::getSaveFileName(parent, QString(), QString(),
                                                          QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return std::nullopt;
        printer.setOutputFileName(path);
    }
    PageRange range;
    if (printer.printRange() == QPrinter::PageRange) {
        range.first = printer.fromPage();
        range.last = printer.toPage();
    }
    // The job prints backwards itself; the printer must not turn the pages round again.
    if (printer.pageOrder() == QPrinter::LastPageFirst) {
        range = {range.last > 0 ? range.last : pageCount, range.first > 0 ? range.first : 1};
        printer.setPageOrder(QPrinter::FirstPageFirst);
    }
    return range;
}

void RunParameterTableDialog(const ProgramContainer& data, int deviceType, IMessageSink& messages,
                             QWidget* parent) {
    ParameterTableDialog dialog(data, deviceType, messages, parent);
    dialog.exec();
}
