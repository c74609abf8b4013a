#include "gui/support/TablePrinter.h"

#include "gui/support/TablePages.h"

#include <QFontMetrics>
#include <QLine>
#include <QList>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// A font as the pages ask for it, and the Debian font with the same metrics.
struct FontSpec {
    const char* family;
    const char* substitute;
    QFont::StyleHint hint;
    int points;
};

constexpr FontSpec kBodyFont{"Arial", "Liberation Sans", QFont::SansSerif, 8};
constexpr FontSpec kTitleFont{"Arial", "Liberation Sans", QFont::SansSerif, 10};
// Kept as 6 but converted with half the factor of the other two fonts: 3 pt.
constexpr FontSpec kFooterFont{"Times New Roman", "Liberation Serif", QFont::Serif, 3};

constexpr double kLineWidthMm = 0.1;
constexpr double kMmPerInch = 25.4;

QFont MakeFont(const FontSpec& spec) {
    QFont font;
    font.setFamilies({QString::fromLatin1(spec.family), QString::fromLatin1(spec.substitute)});
    font.setStyleHint(spec.hint);
    font.setPointSize(spec.points);
    return font;
}

int MmToDots(double mm, int dpi) {
    return static_cast<int>(std::lround(mm * dpi / kMmPerInch));
}

// The lines of a page's grid below the column-heading row.
QList<QLine> GridLines(const TablePageLayout& layout, int left) {
    const std::vector<int>& edges = layout.columnEdges;
    const int right = edges.back();
    const int top = layout.SlotTop(0);
    const int bottom = layout.SlotTop(layout.rowsPerPage - 1) + layout.rowHeight;
    QList<QLine> lines;
    lines.reserve(static_cast<qsizetype>(edges.size()) + layout.rowsPerPage + 1);
    for (const int edge : edges)
        lines.append(QLine(edge, top, edge, bottom));
    for (int slot = 0; slot < layout.rowsPerPage; ++slot) {
        const int slotBottom = layout.SlotTop(slot) + layout.rowHeight;
        lines.append(QLine(edges.front(), slotBottom, right, slotBottom));
    }
    const int closing = layout.SlotTop(layout.rowsPerPage);
    lines.append(QLine(left, closing, right, closing));
    return lines;
}

} // namespace

QString PageText(const QString& format, int page, int pageCount) {
    QString text = format;
    const QString marker = QStringLiteral("%d");
    for (int value : {page, pageCount}) {
        const qsizetype at = text.indexOf(marker);
        if (at < 0)
            break;
        text.replace(at, marker.size(), QString::number(value));
    }
    return text;
}

TablePrintFonts MakeTablePrintFonts() {
    return {MakeFont(kBodyFont), MakeFont(kTitleFont), MakeFont(kFooterFont)};
}

TablePrinter::TablePrinter(PrintedTable table, std::shared_ptr<CellGlyphs> layouts)
    : m_table(std::move(table)),
      m_cellGlyphs(layouts != nullptr ? std::move(layouts) : std::make_shared<CellGlyphs>()) {}

void TablePrinter::BeginPrinting(const QPaintDevice& device) {
    m_fonts = MakeTablePrintFonts();
    const QFontMetrics body(m_fonts.body, &device);
    const QFontMetrics title(m_fonts.title, &device);
    const QFontMetrics footer(m_fonts.footer, &device);

    TablePageLayout& layout = m_layout;
    const int marginX = MmToDots(kMarginMm, device.logicalDpiX());
    const int marginY = MmToDots(kMarginMm, device.logicalDpiY());
    layout.printable =
        QRect(marginX, marginY, device.width() - 2 * marginX, device.height() - 2 * marginY);
    layout.lineWidth = std::max(1, MmToDots(kLineWidthMm, device.logicalDpiY()));
    layout.rowHeight = body.height() + kRowPadding;

    // The title wraps left of the widest page text the table can have (one row per page at most
    // gives rows + 1 pages), so it is measured once and sits the same on every page.
    const int rows = static_cast<int>(m_table.rows.size());
    const int mostPages = ::PageCount(rows, 1);
    const int pageTextWidth =
        title.horizontalAdvance(PageText(m_table.pageFormat, mostPages, mostPages));
    const int gap = title.horizontalAdvance(QStringLiteral("  "));
    layout.titleWidth = std::max(1, layout.printable.width() - pageTextWidth - gap);
    const QRect wrapped =
        title.boundingRect(QRect(0, 0, layout.titleWidth, INT_MAX / 2),
                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_table.title);
    layout.titleHeight = std::max(title.height(), wrapped.height());
    layout.footerHeight = footer.height();

    layout.headingTop = layout.printable.top() + layout.titleHeight;
    layout.bodyTop = layout.headingTop + layout.rowHeight + 1;
    const int bodyHeight =
        layout.printable.height() - layout.titleHeight - layout.rowHeight - layout.footerHeight;
    layout.rowsPerPage = RowsPerPage(bodyHeight, layout.rowHeight);
    layout.pageCount = ::PageCount(rows, layout.rowsPerPage);
    layout.columnEdges =
        ColumnEdges(m_table.widths, layout.printable.left(), layout.printable.width());
    m_cellGlyphs->Use(m_fonts.body, device);
}

void TablePrinter::DrawCell(QPainter& painter, GlyphBatch& batch, const QRect& cell, int column,
                            const QString& text) const {
    const auto c = static_cast<std::size_t>(column);
    const Qt::Alignment horizontal =
        c < m_table.alignments.size() ? m_table.alignments[c] : Qt::AlignHCenter;
    if (!m_cellGlyphs->Place(text, cell, horizontal, batch))
        painter.drawText(cell, static_cast<int>(horizontal | Qt::AlignVCenter), text);
}

void TablePrinter::PrintPage(QPainter& painter, int page) const {
    const TablePageLayout& layout = m_layout;
    const QRect& area = layout.printable;
    const std::vector<int>& edges = layout.columnEdges;
    const int columns = static_cast<int>(edges.size()) - 1;
    const int left = area.left();
    const int right = edges.back();

    QPen pen(Qt::black);
    pen.setWidth(layout.lineWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    // Page text at the top right, the title left of it.
    painter.setFont(m_fonts.title);
    painter.drawText(QRect(left, area.top(), area.width(), layout.titleHeight),
                     Qt::AlignRight | Qt::AlignTop,
                     PageText(m_table.pageFormat, page, PageCount()));
    painter.drawText(QRect(left, area.top(), layout.titleWidth, layout.titleHeight),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_table.title);

    // The column-heading row: a frame across the width and a framed cell per column. The cell
    // texts of the page are gathered and go out in one text object per font after the last row.
    painter.setFont(m_fonts.body);
    const int headingTop = layout.headingTop;
    painter.drawRect(QRect(left, headingTop, right - left, layout.rowHeight));
    for (int c = 0; c < columns; ++c) {
        const auto e = static_cast<std::size_t>(c);
        painter.drawRect(QRect(edges[e], headingTop, edges[e + 1] - edges[e], layout.rowHeight));
    }
    GlyphBatch batch;
    for (int c = 0; c < columns; ++c) {
        const auto e = static_cast<std::size_t>(c);
        DrawCell(painter, batch,
                 QRect(edges[e], headingTop, edges[e + 1] - edges[e], layout.rowHeight), c,
                 c < m_table.headings.size() ? m_table.headings[c] : QString());
    }

    // The texts of the rows on this page; empty cells draw nothing.
    const int firstRow = FirstRowOfPage(page, layout.rowsPerPage);
    const int rows = static_cast<int>(m_table.rows.size());
    const int slotsWithText = std::clamp(rows - firstRow, 0, layout.rowsPerPage);
    for (int slot = 0; slot < slotsWithText; ++slot) {
        const QStringList& cells = m_table.rows[static_cast<std::size_t>(firstRow + slot)];
        const int top = layout.SlotTop(slot);
        for (int c = 0; c < columns && c < cells.size(); ++c) {
            if (cells[c].isEmpty())
                continue;
            const auto e = static_cast<std::size_t>(c);
            DrawCell(painter, batch,
                     QRect(edges[e], top, edges[e + 1] - edges[e], layout.rowHeight), c, cells[c]);
        }
    }
    batch.Draw(painter);
    // The grid in one go, slots past the last table row included: each column edge runs down all
    // the slots, each slot has its bottom line across the width, and a last line closes the grid.
    // The square caps of the pen join the pieces a cell-by-cell grid would be made of, so these
    // lines cover exactly what those pieces covered.
    painter.drawLines(GridLines(layout, left));

    painter.setFont(m_fonts.footer);
    painter.drawText(
        QRect(left, area.bottom() - layout.footerHeight + 1, area.width(), layout.footerHeight),
        Qt::AlignHCenter | Qt::AlignBottom, m_table.footer);
}
