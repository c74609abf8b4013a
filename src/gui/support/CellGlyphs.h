#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QString>

#include <vector>

class QPaintDevice;
class QPainter;

// Glyphs gathered from many places and drawn with one call per font: a page's cell texts reach
// the device as one text object instead of one per cell.
class GlyphBatch {
public:
    // Adds `run` with its positions moved by `origin`.
    void Add(const QGlyphRun& run, QPointF origin);
    // Draws everything added with the painter's pen, then forgets it.
    void Draw(QPainter& painter);
    bool Empty() const { return m_fonts.empty(); }

private:
    struct FontGlyphs {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
        QList<qsizetype> starts; // where each added run begins
    };
    std::vector<FontGlyphs> m_fonts;
};

// The cell texts of a printed table, each distinct text laid out once for a font and a device
// and then placed wherever it appears, exactly where QPainter::drawText(cell, flags, text) puts
// it: vertically centred, aligned left, centred or right. Laying out a text (shaping, line
// breaking) costs far more than placing its glyphs, and a table repeats few texts many times.
//
// Only one line of left-to-right text that fits its cell is placed here; any other text (line
// breaks, tabs, surrounding spaces, right-to-left scripts, wider than the cell) is left to
// drawText, which breaks, clips and reorders it.
//
// Tables printed one after another in one document can share one of these: their texts repeat
// from table to table.
class CellGlyphs {
public:
    // Lays out with `font` as it is on `device` from now on. The layouts made so far are kept
    // while the font and the device's resolution stay the same.
    void Use(const QFont& font, const QPaintDevice& device);
    // Adds the glyphs of `text` placed in `cell` with the horizontal `alignment` to `batch`, or
    // returns false (nothing added) when the text must be drawn with drawText.
    bool Place(const QString& text, const QRect& cell, Qt::Alignment alignment, GlyphBatch& batch);

private:
    struct Laid {
        QList<QGlyphRun> runs; // baseline positions from the top left of the text's line
        qreal width = 0;       // natural width of the line (what must fit the cell)
        qreal advance = 0;     // the line's advance (what aligns it)
        qreal height = 0;      // line height
        bool placeable = false;
    };
    const Laid& LaidOut(const QString& text);

    QFont m_font;
    const QPaintDevice* m_device = nullptr;
    int m_dpiX = 0;
    int m_dpiY = 0;
    QHash<QString, Laid> m_laid;
};
