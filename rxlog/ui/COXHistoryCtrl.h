#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include <QFont>
#include <QMutex>

#include "rxlog/ui/CellRowsView.h"

class QScrollBar;

// Horizontal alignment flags of a line, as the text-drawing call takes them;
// every line is drawn on a single line, centred vertically in its band.
inline constexpr uint32_t kDrawLeft = 0x0;
inline constexpr uint32_t kDrawCenter = 0x1;
inline constexpr uint32_t kDrawRight = 0x2;

// One line of the history: colours are 0x00BBGGRR values (red in the low byte).
struct HistoryEntry {
    std::string text;  // UTF-8
    uint32_t textColour = 0;
    uint32_t backColour = 0;
    int32_t indent = 0;
    uint32_t drawFlags = 0;
    int length = 0;         // width of text in characters, a Hangul syllable counting two
    bool prepared = false;  // glyphs hold text, made when the line is first shown
    CellLine glyphs;
};

// A bounded, scrolling list of single-line texts, oldest at the top, each with
// its own colours, indent and alignment, all in one font. Each append keeps the
// newest line in view; once the list exceeds its limit the oldest line goes.
// The content is (longest length x width of "X") by (lines x height of "X").
// AddLine and ClearHistory hold the control's lock. The scroll range and
// position follow each change at once, the position only while the control
// follows its newest line: scrolling up, clicking a line or Home pauses it
// (new lines still arrive and the lines shown stay in place, also when the
// oldest are dropped), scrolling back to the bottom or End follows again; repaints are paced to
// display rate (RepaintPacer) and cover only the cells that changed on screen (CellScreen), and a
// line's glyphs are prepared once, so a flood of lines costs a cheap append each and one small
// paint per display frame. Widget calls belong to the UI thread; the lock only serialises the list
// itself.
class COXHistoryCtrl : public CellRowsView {
    Q_OBJECT

public:
    explicit COXHistoryCtrl(QWidget* parent = nullptr);
    ~COXHistoryCtrl() override;

    // Appends one line with the current colours, indent and flags. toFile asks
    // for the control's own file copy, which this program keeps switched off.
    bool AddLine(std::string_view text, bool toFile = false);
    bool ClearHistory();
    // A negative n is ignored; a smaller limit drops the oldest lines at once.
    void SetMaxEntries(int n);
    void SetLineFont(const QFont& font, bool redraw);

    int LineCount() const;
    int MaxEntries() const { return m_maxEntries; }
    int LongestLength() const { return m_longestLength; }
    // The i-th line, oldest first; i must be below LineCount().
    const HistoryEntry& Entry(int i) const;
    const QFont& LineFont() const { return m_text.Font(); }
    int CharWidth() const { return m_charWidth; }
    // The line pitch: the font's tallest glyphs, its Hangul fallback's
    // included, and a gap, so that lines never touch.
    int LineHeight() const { return m_lineHeight; }
    // The selected line, or -1: a click selects a line and pauses following;
    // following again drops the selection.
    int SelectedLine() const;
    // The line at y in viewport coordinates, or -1.
    int LineAt(int y) const;

    // What "복사" copies: the selected line; without one, the line at row
    // (the line under the mouse); without that either (a request from the
    // keyboard), the lines in the window.
    QString CopyText(int row = -1) const;

    int AccessibleRowCount() const override;
    QString AccessibleText(int row, int column) const override;
    bool IsRowSelected(int row) const override;
    bool SelectRow(int row) override;
    QRect AccessibleRowRect(int row) const override;

    // Lines appended since construction.
    uint64_t LinesAdded() const { return m_linesAdded; }
    // Called whenever the screen has caught up with the lines (after a paint,
    // or at a display frame that changed nothing on screen) with the number of
    // lines appended since construction that it shows or has scrolled past;
    // unset by default.
    void SetPaintObserver(std::function<void(uint64_t)> observer)
    {
        m_paintObserver = std::move(observer);
    }

    uint32_t TextColour() const { return m_textColour; }
    void SetTextColour(uint32_t colour) { m_textColour = colour; }
    uint32_t BackColour() const { return m_backColour; }
    void SetBackColour(uint32_t colour) { m_backColour = colour; }
    int32_t Indent() const { return m_indent; }
    void SetIndent(int32_t indent) { m_indent = indent; }
    uint32_t DrawFlags() const { return m_drawFlags; }
    void SetDrawFlags(uint32_t flags) { m_drawFlags = flags; }

    // 0x00BBGGRR to QColor and back.
    static QColor ToQColor(uint32_t colour);
    static uint32_t FromQColor(const QColor& colour);

signals:
    // The control went from no line to one, or was emptied.
    void HasLinesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void RemoveOldest();
    // Bookkeeping of a line that has joined or left the list: the longest
    // length and how many lines have it.
    void Count(const HistoryEntry& entry);
    void Forget(const HistoryEntry& entry);
    void RecomputeLongest();
    void ShowRows() override;
    void NotifyShown();
    void UpdateContentSize();
    void ScrollToEnd();
    // The lines dropped at the start moved the ones shown up: a paused
    // control scrolls up by as many, to keep showing the same lines.
    void KeepShownLines(int dropped);
    // Serial number (1 = the first line ever appended) of line i.
    uint64_t SerialOf(int i) const;
    static void PageByOneStep(QScrollBar* bar, int action);

    mutable QMutex m_lock;
    std::deque<HistoryEntry> m_entries;
    int m_maxEntries = 100;
    int m_longestLength = 0;
    int m_longestCount = 0;
    uint32_t m_textColour = 0;
    uint32_t m_backColour = 0;
    int32_t m_indent = 0;
    uint32_t m_drawFlags = kDrawLeft;
    int m_screenOffset = 0;  // how far the top screen row is cut by the scroll position
    int m_charWidth = 1;
    int m_lineHeight = 1;
    uint64_t m_linesAdded = 0;
    uint64_t m_linesShown = 0;
    uint64_t m_selected = 0;  // serial number of the selected line; 0 for none
    std::function<void(uint64_t)> m_paintObserver;
};
