#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <array>

// Eight-segment level meter of a channel strip. The unit reports one level code per channel;
// segment 0 is the bottom (green), 6 yellow, 7 the top (red, also used alone as the clip mark).
// A meter shows nothing until its first level arrives and again after clear(): a full red and
// yellow column must never stand for a level nobody measured.
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSegments = 8;
    // Pixels of the client height left for the seven two-pixel gaps between segments.
    static constexpr int kReservedHeight = 14;
    static constexpr int kGap = 2;

    using Segments = std::array<bool, kSegments>;

    // Which segments a level code lights: 0 none; 1..7 the lowest `code`; 8..15 all; 16 the top
    // only; 17..22 the lowest code - 16 and the top; 23 and above all. Negative codes light none.
    static Segments SegmentsOfCode(int code);
    // Height of one segment for a client height: (height - 14) / 8, integer division.
    static int SegmentHeightOf(int clientHeight);
    // Rectangle filled for segment i (0 = bottom) of a client area: the segment's slot, one pixel
    // in from its left, top and right sides.
    static QRect SegmentFillRect(const QRect& client, int segment);

    static QColor BackgroundColour() { return QColor(76, 85, 118); }
    static QColor SegmentColour(int segment);

    explicit LevelMeter(QWidget* parent = nullptr);

    // Reads the client rectangle and derives the segment height; the owning view calls it once
    // its controls exist, and the meter repeats it whenever it is resized.
    void setupGeometry();
    // Lights the segments of a level code and redraws when they changed (meters are polled ten
    // times a second, and a steady level needs no redraw).
    void showLevel(int code);
    // Darkens every segment: there is no reading (not connected, or the line was lost).
    void clear();

    const Segments& lit() const { return m_lit; }
    int segmentHeight() const { return m_segmentHeight; }

    QSize sizeHint() const override { return QSize(12, 122); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Segments m_lit{};
    int m_segmentHeight = 0;
    QRect m_client;
};
