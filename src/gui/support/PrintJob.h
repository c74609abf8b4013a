#pragma once

#include "gui/support/TablePages.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class IMessageSink;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

// What a print job prints: pages measured once on the device and then drawn one at a time.
class IPrintablePages {
public:
    virtual ~IPrintablePages() = default;
    // Creates the fonts and measures the pages for `device` (its size and resolution).
    virtual void BeginPrinting(const QPaintDevice& device) = 0;
    // Valid after BeginPrinting: at least 1.
    virtual int PageCount() const = 0;
    // Draws page `page` (1..PageCount()) with `painter`, which is active on the device measured.
    virtual void PrintPage(QPainter& painter, int page) const = 0;
    // Frees what BeginPrinting made.
    virtual void EndPrinting() {}
};

// Several page sources printed one after another in one document, each with its own page
// numbers: the tables of several programs in one file.
class PageSequence : public IPrintablePages {
public:
    void Add(std::unique_ptr<IPrintablePages> pages) { m_parts.push_back(std::move(pages)); }

    void BeginPrinting(const QPaintDevice& device) override;
    int PageCount() const override;
    void PrintPage(QPainter& painter, int page) const override;
    void EndPrinting() override;

private:
    std::vector<std::unique_ptr<IPrintablePages>> m_parts;
};

// The page loop of printing, the same for a printer, Qt's print-to-file and a PDF file: measure,
// start the document, draw the chosen pages in order, end the document, or abort it when a page
// cannot be ended or the operator stops the job.
class PrintJob {
public:
    enum class Result { Printed, CouldNotStart, Aborted };

    // The name the job has in the printer queue and in the PDF's properties.
    static constexpr const char* kDocumentName = "senza nome";
    static constexpr const char* kCouldNotStartText = "Could not start print job.";

    // Called after each page with the pages printed so far and the pages of the job; returning
    // true stops the job. This is where the caller keeps its window alive (events processed) and
    // lets the operator cancel.
    using AbortCheck = std::function<bool(int printed, int total)>;

    // `messages` shows "Could not start print job." when the device cannot start the document.
    PrintJob(IPrintablePages& pages, IMessageSink& messages);

    void SetAbortCheck(AbortCheck check) { m_abortCheck = std::move(check); }

    // Prints the pages `range` names on `device` (a QPrinter, or a QPdfWriter).
    Result Run(QPagedPaintDevice& device, PageRange range);

private:
    IPrintablePages& m_pages;
    IMessageSink& m_messages;
    AbortCheck m_abortCheck;
};

// Every page of `pages` as a PDF file: A4 portrait at 1200 dots per inch, the page margins left
// to the pages themselves, as printing through Qt's print-to-file with A4 paper. The file is
// saved like every file of the program (SaveFileReplacing): renamed over `path` only when
// complete, and never over anything but a regular file. False, with the reason in *error, when
// the file cannot be written.
bool PrintToPdfFile(IPrintablePages& pages, const QString& path, QString* error);
