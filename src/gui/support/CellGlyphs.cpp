#include "gui/support/CellGlyphs.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QTextLine>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

// drawText lays out a text without wrapping on a line this wide.
constexpr qreal kUnwrappedLineWidth = 0x01000000;

// True for a character drawText would treat as more than a glyph on a line: a line or paragraph
// break, a tab, a control character, or one that asks for right-to-left order or an embedding.
bool NeedsDrawText(QChar c) {
    if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
        c == QChar::ParagraphSeparator)
        return true;
    switch (c.direction()) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDF:
    case QChar::DirPDI:
        return true;
    default:
        return false;
    }
}

// One plain line: something to draw, no spaces at either end (drawText measures those apart
// when it aligns), and no character of NeedsDrawText.
bool IsPlainLine(const QString& text) {
    return !text.isEmpty() && !text.front().isSpace() && !text.back().isSpace() &&
           std::none_of(text.begin(), text.end(), NeedsDrawText);
}

// Painters place glyphs on a grid of 1/64 device unit, cutting off the rest.
constexpr qreal kGlyphGrid = 64;

QPointF OnGlyphGrid(QPointF p) {
    return {std::trunc(p.x() * kGlyphGrid) / kGlyphGrid,
            std::trunc(p.y() * kGlyphGrid) / kGlyphGrid};
}

// How a PDF page holds text: a text object places its first glyph from the page origin and each
// further one by a move from the glyph before it, every number written with nine significant
// digits and the rest cut off. Below 1000 device units that keeps a glyph position (1/64 unit)
// whole; above it may lose a few millionths of a unit, and a renderer can snap that to another
// sub-pixel step. So a cell's text joins the text object of the cells before it only where the
// result is the same as its own object, which is what drawText writes: on the same baseline,
// with the object's first glyph, the cell's first glyph and the move between them written whole.
constexpr int kWrittenDigits = 9;

bool WrittenWhole(qreal value) {
    const qreal magnitude = std::abs(value);
    int integerDigits = 0;
    for (qreal power = 1; magnitude >= power && integerDigits < kWrittenDigits; power *= 10)
        ++integerDigits;
    const qreal kept = magnitude * std::pow(10.0, kWrittenDigits - integerDigits);
    return kept == std::floor(kept);
}

bool JoinsExactly(QPointF objectStart, QPointF previous, QPointF next) {
    return next.y() == objectStart.y() && WrittenWhole(objectStart.x()) && WrittenWhole(next.x()) &&
           WrittenWhole(next.x() - previous.x());
}

} // namespace

// ---- GlyphBatch ---------------------------------------------------------------------------------

void GlyphBatch::Add(const QGlyphRun& run, QPointF origin) {
    const QRawFont font = run.rawFont();
    auto it = std::find_if(m_fonts.begin(), m_fonts.end(),
                           [&](const FontGlyphs& f) { return f.font == font; });
    if (it == m_fonts.end()) {
        m_fonts.push_back({font, {}, {}, {}});
        it = std::prev(m_fonts.end());
    }
    it->starts.append(it->glyphs.size());
    it->glyphs.append(run.glyphIndexes());
    for (const QPointF& position : run.positions())
        it->positions.append(OnGlyphGrid(origin + position));
}

void GlyphBatch::Draw(QPainter& painter) {
    for (const FontGlyphs& f : m_fonts) {
        auto drawRun = [&](qsizetype first, qsizetype end) {
            QGlyphRun run;
            run.setRawFont(f.font);
            run.setGlyphIndexes(f.glyphs.mid(first, end - first));
            run.setPositions(f.positions.mid(first, end - first));
            painter.drawGlyphRun(QPointF(0, 0), run);
        };
        qsizetype first = 0;
        for (const qsizetype start : f.starts) {
            if (start > first &&
                !JoinsExactly(f.positions[first], f.positions[start - 1], f.positions[start])) {
                drawRun(first, start);
                first = start;
            }
        }
        if (f.glyphs.size() > first)
            drawRun(first, f.glyphs.size());
    }
    m_fonts.clear();
}

// ---- CellGlyphs ---------------------------------------------------------------------------------

void CellGlyphs::Use(const QFont& font, const QPaintDevice& device) {
    m_device = &device;
    if (font == m_font && device.logicalDpiX() == m_dpiX && device.logicalDpiY() == m_dpiY)
        return;
    m_font = font;
    m_dpiX = device.logicalDpiX();
    m_dpiY = device.logicalDpiY();
    m_laid.clear();
}

const CellGlyphs::Laid& CellGlyphs::LaidOut(const QString& text) {
    const auto found = m_laid.constFind(text);
    if (found != m_laid.constEnd())
        return *found;
    Laid laid;
    if (IsPlainLine(text)) {
        QTextLayout layout(text, m_font, m_device);
        QTextOption option;
        option.setWrapMode(QTextOption::ManualWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(kUnwrappedLineWidth);
        line.setPosition(QPointF(0, 0));
        const bool oneLine = !layout.createLine().isValid();
        layout.endLayout();
        laid.placeable = oneLine;
        laid.width = line.naturalTextWidth();
        laid.advance = line.horizontalAdvance();
        laid.height = line.ascent() + line.descent(); // unrounded, unlike line.height()
        laid.runs = layout.glyphRuns();
    }
    return *m_laid.insert(text, laid);
}

bool CellGlyphs::Place(const QString& text, const QRect& cell, Qt::Alignment alignment,
                       GlyphBatch& batch) {
    const Laid& laid = LaidOut(text);
    // A text wider or taller than its cell is clipped to it by drawText.
    if (!laid.placeable || laid.width > cell.width() || laid.height > cell.height())
        return false;
    qreal x = cell.x();
    if (alignment & Qt::AlignRight)
        x += cell.width() - laid.advance;
    else if (alignment & Qt::AlignHCenter)
        x += (cell.width() - laid.advance) / 2;
    const QPointF origin(x, cell.y() + (cell.height() - laid.height) / 2);
    for (const QGlyphRun& run : laid.runs)
        batch.Add(run, origin);
    return true;
}
