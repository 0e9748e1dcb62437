#pragma once

#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QFont>
#include <QGlyphRun>
#include <QPointF>
#include <QRawFont>

class QPainter;

// One line of text made ready for drawing: its glyphs, one run per font that
// holds some of them, placed on the grid of cells, and its width in cells.
struct CellLine {
    std::vector<QGlyphRun> runs;
    int cells = 0;
};

// Draws single-line texts in one font on a grid of fixed cells: an ASCII
// character takes one cell (the width of "X"), any other character two, as in
// the list font, whose Hangul is exactly double width; column widths of the
// received and event lines are counted the same way.
//
// The text is never laid out or shaped per line: each character is looked up
// once (a single-character layout finds its glyph, in a fallback font where
// the font lacks it) and remembered, so preparing a line costs a table lookup
// per character, and drawing a prepared line draws cached glyphs. Keep a
// line's CellLine for as long as its text stays unchanged.
class CellTextPainter {
public:
    explicit CellTextPainter(const QFont& font = QFont());

    // Forgets every glyph looked up; lines prepared before must be prepared again.
    void SetFont(const QFont& font);
    const QFont& Font() const { return m_font; }
    // Blank pixels between the glyphs of two lines.
    static constexpr int kLineGap = 2;

    // Width of one cell, in pixels.
    qreal CellWidth() const { return m_cellWidth; }
    // Height of a line and its ascent, in pixels: from the top of the tallest
    // glyph to the bottom of the deepest, over the font and the fallback font
    // that draws its Hangul.
    int LineHeight() const { return m_lineHeight; }
    int Ascent() const { return m_ascent; }
    // The distance from one line to the next: the line height and the gap,
    // at least minimum.
    int LinePitch(int minimum = 0) const;

    // Width in whole pixels of a line of cells.
    int PixelWidth(int cells) const;

    // Makes line ready to draw text (UTF-8); line.cells becomes the text's
    // Cp949Width. A broken sequence takes its cells and draws nothing.
    void Prepare(std::string_view utf8, CellLine& line);
    // Draws a prepared line in the painter's pen colour, its first cell at
    // left, its baseline at baseline.
    static void Draw(QPainter& painter, QPointF leftBaseline, const CellLine& line);

private:
    struct Glyph {
        int font = -1;  // index into m_fonts; -1 draws nothing
        quint32 index = 0;
    };

    Glyph Lookup(char32_t c);
    Glyph Find(char32_t c);

    QFont m_font;
    qreal m_cellWidth = 1;
    int m_lineHeight = 1;
    int m_ascent = 0;
    std::vector<QRawFont> m_fonts;
    std::array<Glyph, 128> m_ascii{};
    std::array<bool, 128> m_asciiKnown{};
    std::unordered_map<char32_t, Glyph> m_others;
    // The glyphs of the line being prepared, with their cells.
    struct Placed {
        Glyph glyph;
        int cell;
    };
    std::vector<Placed> m_placed;
};
