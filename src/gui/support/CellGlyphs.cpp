#include "gui/support/CellGlyphs.h"

#include <QPainter>
#include <QTextLayout>
#include <QTextLine>
#include <QTextOption>

#include <algorithm>

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

} // namespace

// ---- GlyphBatch ---------------------------------------------------------------------------------

void GlyphBatch::Add(const QGlyphRun& run, QPointF origin) {
    const QRawFont font = run.rawFont();
    auto it = std::find_if(m_fonts.begin(), m_fonts.end(),
                           [&](const FontGlyphs& f) { return f.font == font; });
    if (it == m_fonts.end()) {
        m_fonts.push_back({font, {}, {}});
        it = std::prev(m_fonts.end());
    }
    it->glyphs.append(run.glyphIndexes());
    for (const QPointF& position : run.positions())
        it->positions.append(origin + position);
}

void GlyphBatch::Draw(QPainter& painter) {
    for (FontGlyphs& f : m_fonts) {
        QGlyphRun run;
        run.setRawFont(f.font);
        run.setGlyphIndexes(f.glyphs);
        run.setPositions(f.positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    m_fonts.clear();
}

// ---- CellGlyphs ---------------------------------------------------------------------------------

void CellGlyphs::Reset(const QFont& font, const QPaintDevice* device) {
    m_font = font;
    m_device = device;
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
