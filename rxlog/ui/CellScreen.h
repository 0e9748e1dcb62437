#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QRect>
#include <QtGlobal>

#include "rxlog/ui/CellText.h"

// How a screen row looks besides its text. The view gives the colours and
// flags their meaning (for instance a selected row); a change of look
// repaints the whole row.
struct RowLook {
    int bandLeft = 0;  // viewport x where the row's band begins
    int bandWidth = 0;
    qreal textLeft = 0;  // viewport x of the text's first cell
    uint32_t foreground = 0;
    uint32_t background = 0;
    uint32_t flags = 0;

    bool operator==(const RowLook&) const = default;
};

// The cells [first, end) of a row that changed, or the whole row.
struct CellSpan {
    int first = 0;
    int end = 0;
    bool whole = false;

    bool IsEmpty() const { return !whole && end <= first; }
};

// Where a row's change is repainted, in viewport coordinates: the band from
// x 0 and `width` wide for a whole row, else the changed cells with one cell
// more on each side for glyphs that reach past their cells; nothing (an empty
// rect) when nothing changed.
QRect ChangedRect(const CellSpan& span, qreal textLeft, qreal cellWidth, int top, int height,
                  int width);

// What a view of fixed-cell text rows shows, screen row by screen row, so that
// a display frame repaints only what changed. At each frame the view tells
// every row what it is to show (Show) and learns which cells differ from what
// the row shows; it asks for the repaint of just those. Its paint draws the
// rows from here, never from its live data, so that whatever part of the
// screen gets painted, it matches what was last shown.
//
// A scrolling list whose rows all move still repaints only the cells in which
// a row's new text differs from its old one (for a stream of similar frames,
// the identifier and data digits); a view of rows updated in place repaints
// only the values that changed.
class CellScreen {
public:
    struct Row {
        std::string text;
        RowLook look;
        bool known = false;  // the row shows text and look; else it must be drawn whole
        bool prepared = false;
        CellLine glyphs;
    };

    // Rows beyond the old count start unknown.
    void SetRowCount(int rows);
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // Every row knows what it shows.
    bool IsComplete() const;
    // Forgets what every row shows (after a resize, or a change of colours,
    // font or focus): the next Show of each row reports it whole.
    void Invalidate();

    // Screen row `row` is to show text in look. glyphs, when given, are text's
    // glyphs prepared already (shared, not copied). Returns what changed.
    CellSpan Show(int row, std::string_view text, const RowLook& look,
                  const CellLine* glyphs = nullptr);

    const Row& At(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // The glyphs of a row, prepared with painter if Show was given none.
    const CellLine& Glyphs(int row, CellTextPainter& painter);

    // The cells in which two texts differ: from the first differing character
    // to the end of the longer text, or, when both take the same cells, to the
    // last differing character.
    static CellSpan Difference(std::string_view before, std::string_view after);

private:
    std::vector<Row> m_rows;
};
