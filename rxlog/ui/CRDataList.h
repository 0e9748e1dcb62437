#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QMenu>
#include <QPixmap>

#include "filter/DisplayFilter.h"
#include "rxlog/EventLine.h"
#include "rxlog/ui/CellRowsView.h"

class CommandRouter;

// The received-data list: one line per received CAN frame, newest at the bottom
// and selected, at most 200 lines. Each line is also copied, time-stamped, to
// the received-data log while that log is on. While it exists it is the
// application's received-line sink. Its context menu offers clearing, reception
// and the received-data logging switch; the commands go to the command router,
// and no menu is shown until a router is set.
//
// A flood of lines costs one cheap append each: the lines live in a fixed ring
// of 200 slots, a line's glyphs are prepared once, when it is first shown, and
// the list repaints at display rate (RepaintPacer), not per line, and then only
// the cells that changed on screen (CellScreen).
//
// The list follows its newest line, selecting it and scrolling it into view,
// until the user reads: selecting another line (mouse, arrows, Page Up/Down,
// Home; with Shift or by dragging, a run of lines) or scrolling up pauses it. New lines still
// arrive, and the lines shown stay in place, also when the oldest are dropped; selecting the newest
// line (End) or scrolling back to the bottom follows again.
//
// A display filter chooses which frames' lines the list shows from the moment
// it is set; lines already shown stay. A line held back is still written to
// the received-data log and counted among the frames received.
class CRDataList : public CellRowsView, public ReceivedLineSink {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 200;
    // The least line pitch; a font whose glyphs (or those of the fallback
    // font drawing its Hangul) need more gets more.
    static constexpr int kLineHeight = 17;

    explicit CRDataList(QWidget* parent = nullptr);
    ~CRDataList() override;

    // Appends the line and drops the oldest beyond the limit; while the list
    // follows, selects the newest and scrolls it into view.
    void AddLine(std::string_view text);
    void AddReceivedLine(std::string_view line) override { AddLine(line); }
    // Appends the line when the filter lets the frame through.
    void AddReceivedFrameLine(std::string_view line, bool extended, uint32_t id) override;
    void SetFilter(const DisplayFilter& filter) { m_filter = filter; }
    int LineCount() const { return m_count; }
    void Clear();
    int MaxLines() const { return kMaxLines; }

    // Line row, oldest first; row must be below LineCount().
    const std::string& LineText(int row) const;
    // The selected line, or -1 when the list is empty.
    int CurrentRow() const { return m_current; }
    // Selects a line (clamped to the lines held) and scrolls it into view, as
    // the user does: the list follows only if it is the newest alone. extend
    // selects the run of lines from the line selected before.
    void SetCurrentRow(int row, bool extend = false);
    int LineHeight() const { return m_lineHeight; }
    // Where line row is drawn, in viewport coordinates.
    QRect RowRect(int row) const;
    // Width in pixels of the widest line held.
    int WidestLine() const { return m_text.PixelWidth(m_widestCells); }

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

    void SetCommandRouter(CommandRouter* router) { m_router = router; }
    // The context menu as it would show now ("&RDataMenu"); null without a router.
    std::unique_ptr<QMenu> BuildContextMenu();
    // What "복사" copies: the selected lines.
    QString CopyText() const;

    int AccessibleRowCount() const override { return m_count; }
    QString AccessibleText(int row, int column) const override;
    bool IsRowSelected(int row) const override;
    bool SelectRow(int row) override;
    QRect AccessibleRowRect(int row) const override { return RowRect(row); }

signals:
    // The list went from no line to one, or was emptied.
    void HasLinesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        std::string text;
        int cells = 0;
        bool prepared = false;  // glyphs hold text
        CellLine glyphs;
    };

    Row& At(int row);
    const Row& At(int row) const;
    int FullRows() const;
    int RowAt(int y) const;
    void RecomputeWidest();
    void UpdateScrollBars();
    void ScrollIntoView(int row);
    void ShowRows() override;
    void NotifyShown();
    // The selected row's background as the style draws it, drawn again only
    // when its size or looks change.
    const QPixmap& SelectionBand(const QSize& size);

    std::vector<Row> m_rows;  // the ring: m_count lines from slot m_first on
    int m_first = 0;
    int m_count = 0;
    int m_current = -1;
    int m_anchor = -1;  // the other end of a selected run; -1 for the current line alone
    int m_widestCells = 0;
    int m_textMargin = 3;
    int m_lineHeight = kLineHeight;
    struct BandLooks {
        QSize size;
        int state = 0;
        qint64 palette = 0;
        const QStyle* style = nullptr;
        qreal ratio = 0;
        bool operator==(const BandLooks&) const = default;
    };
    QPixmap m_band;
    BandLooks m_bandLooks;
    CommandRouter* m_router = nullptr;
    uint64_t m_linesAdded = 0;
    uint64_t m_linesShown = 0;
    std::function<void(uint64_t)> m_paintObserver;
    DisplayFilter m_filter;
};
