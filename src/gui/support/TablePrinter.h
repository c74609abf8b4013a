#pragma once

#include "gui/support/CellGlyphs.h"
#include "gui/support/PrintJob.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

#include <vector>

// A table as it is printed: the column headings, widths and alignments, the cells, and the texts
// around the grid.
struct PrintedTable {
    QStringList headings;
    std::vector<int> widths;               // any unit: scaled to fill the printable width
    std::vector<Qt::Alignment> alignments; // horizontal alignment of each column
    std::vector<QStringList> rows;         // one text per column
    QString title;                         // drawn top left, word-wrapped; '\n' breaks lines
    QString pageFormat;                    // "Page %d of %d": the page, then the page count
    QString footer;                        // drawn at the bottom of every page
};

// The page text of `format` for a page: the first "%d" becomes the page, the second the page
// count; nothing else of the text is interpreted.
QString PageText(const QString& format, int page, int pageCount);

// The three fonts of a printed table. Arial and Times New Roman are asked for first; where they
// are missing (Debian), their metric-compatible Liberation fonts are used, so the pages keep the
// same layout.
struct TablePrintFonts {
    QFont body;   // cells and headings: Arial 8 pt
    QFont title;  // title and page text: Arial 10 pt
    QFont footer; // footer: Times New Roman 3 pt
};
TablePrintFonts MakeTablePrintFonts();

// Where a page's parts go, in device units, as measured for one device.
struct TablePageLayout {
    QRect printable;      // the page less 10 mm on every side
    int lineWidth = 1;    // pen of the grid, about 0.1 mm
    int rowHeight = 0;    // body text height + 4; the column-heading row is as tall
    int titleWidth = 0;   // the title wraps left of the widest page text
    int titleHeight = 0;  // the taller of the page text and the wrapped title
    int footerHeight = 0; // footer text height
    int headingTop = 0;   // top of the column-heading row
    int bodyTop = 0;      // top of the first row of the grid
    int rowsPerPage = 1;
    int pageCount = 1;
    std::vector<int> columnEdges; // left edge of each column, then the right edge of the last

    // Top of row slot `slot` (0-based on the page); each slot is a row height plus its line.
    int SlotTop(int slot) const { return bodyTop + slot * (rowHeight + 1); }
};

// Lays out a table in pages and draws one page at a time onto any painter: a printer, Qt's
// print-to-file, a PDF writer or an image. Every page has the page text right-aligned at the top
// and the title left of it, the framed column-heading row, a grid of rows-per-page framed rows
// (empty below the last table row) and the footer.
class TablePrinter : public IPrintablePages {
public:
    static constexpr double kMarginMm = 10.0;
    static constexpr int kRowPadding = 4; // device units added to the body text height

    // `layouts` may be shared with the other tables of a document; without, the printer has its
    // own.
    explicit TablePrinter(PrintedTable table, std::shared_ptr<CellGlyphs> layouts = nullptr);

    void BeginPrinting(const QPaintDevice& device) override;
    int PageCount() const override { return m_layout.pageCount; }
    void PrintPage(QPainter& painter, int page) const override;

    const PrintedTable& Table() const { return m_table; }
    // Valid after BeginPrinting.
    const TablePageLayout& Layout() const { return m_layout; }
    const TablePrintFonts& Fonts() const { return m_fonts; }

private:
    // Places a cell's text in `batch`, or draws it at once where it cannot be placed there.
    void DrawCell(QPainter& painter, GlyphBatch& batch, const QRect& cell, int column,
                  const QString& text) const;

    PrintedTable m_table;
    TablePrintFonts m_fonts;
    TablePageLayout m_layout;
    std::shared_ptr<CellGlyphs> m_cellGlyphs; // the body font's texts, laid out as pages need them
};
