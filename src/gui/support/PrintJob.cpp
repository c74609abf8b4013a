#include "gui/support/PrintJob.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

// ---- PageSequence -------------------------------------------------------------------------------

void PageSequence::BeginPrinting(const QPaintDevice& device) {
    for (const auto& part : m_parts)
        part->BeginPrinting(device);
}

int PageSequence::PageCount() const {
    int count = 0;
    for (const auto& part : m_parts)
        count += part->PageCount();
    return count;
}

void PageSequence::PrintPage(QPainter& painter, int page) const {
    for (const auto& part : m_parts) {
        if (page <= part->PageCount()) {
            part->PrintPage(painter, page);
            return;
        }
        page -= part->PageCount();
    }
}

void PageSequence::EndPrinting() {
    for (const auto& part : m_parts)
        part->EndPrinting();
}

// ---- PrintJob -----------------------------------------------------------------------------------

PrintJob::PrintJob(IPrintablePages& pages, IMessageSink& messages)
    : m_pages(pages), m_messages(messages) {}

PrintJob::Result PrintJob::Run(QPagedPaintDevice& device, PageRange range) {
    auto* printer = dynamic_cast<QPrinter*>(&device);
    if (printer != nullptr)
        printer->setDocName(QString::fromLatin1(kDocumentName));
    else if (auto* writer = dynamic_cast<QPdfWriter*>(&device))
        writer->setTitle(QString::fromLatin1(kDocumentName));

    m_pages.BeginPrinting(device);
    const std::vector<int> order = PageOrder(range, m_pages.PageCount());
    QPainter painter;
    if (!painter.begin(&device)) {
        m_messages.ShowMessage(kCouldNotStartText, MessageKind::Error);
        m_pages.EndPrinting();
        return Result::CouldNotStart;
    }
    bool aborted = false;
    const int total = static_cast<int>(order.size());
    for (int i = 0; i < total; ++i) {
        // The first page is open once the document starts; each further one ends the one before.
        if (i > 0 && !device.newPage()) {
            aborted = true;
            break;
        }
        painter.save();
        m_pages.PrintPage(painter, order[static_cast<std::size_t>(i)]);
        painter.restore();
        if (m_abortCheck && m_abortCheck(i + 1, total)) {
            aborted = true;
            break;
        }
    }
    if (aborted && printer != nullptr)
        printer->abort();
    painter.end();
    // Qt's print-to-file cannot abort: a stopped job leaves no half document behind.
    if (aborted && printer != nullptr && printer->outputFormat() == QPrinter::PdfFormat &&
        !printer->outputFileName().isEmpty())
        QFile::remove(printer->outputFileName());
    m_pages.EndPrinting();
    return aborted ? Result::Aborted : Result::Printed;
}

// ---- PDF files ----------------------------------------------------------------------------------

namespace {

// Keeps the job's message as the reason for the caller.
struct MessageKeeper : IMessageSink {
    QString text;
    void ShowMessage(const std::string& message, MessageKind) override {
        text = QString::fromStdString(message);
    }
    bool AskYesNo(const std::string&) override { return false; }
};

constexpr int kPdfResolution = 1200; // dots per inch, as Qt's print-to-file at high resolution

} // namespace

bool PrintToPdfFile(IPrintablePages& pages, const QString& path, QString* error) {
    const std::string target = QFile::encodeName(path).toStdString();
    std::string reason;
    if (!CheckSaveTarget(target, &reason)) {
        *error = QString::fromStdString(reason);
        return false;
    }
    // The document is made in memory and saved as any file of the program is: whole or not at
    // all, and never over a device, a pipe or a folder.
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        MessageKeeper messages;
        PrintJob job(pages, messages);
        if (job.Run(writer, PageRange{}) != PrintJob::Result::Printed) {
            *error = messages.text;
            return false;
        }
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(document.constData());
    if (!SaveFileReplacing(target, {bytes, static_cast<std::size_t>(document.size())}, &reason)) {
        *error = QString::fromStdString(reason);
        return false;
    }
    return true;
}
