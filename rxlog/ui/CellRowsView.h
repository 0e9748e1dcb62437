#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractScrollArea>
#include <QRect>
#include <QString>

#include "rxlog/ui/CellScreen.h"
#include "rxlog/ui/CellText.h"
#include "rxlog/ui/RepaintPacer.h"

// What the views that draw rows of fixed-cell text have in common: the glyph
// painter, the record of what each screen row shows, and a repaint pacer that
// calls ShowRows at most once per interval however many changes ask for it.
// ShowRows brings the screen record up to date with the view's rows and asks
// for the repaint of the cells that changed; paintEvent draws from the record.
//
// The rows are also what assistive technology reads (CellRowsAccessible): a
// view answers with the texts it shows, made only when asked, and at each
// display update, only while assistive technology listens, the base tells it
// what changed since the last one.
//
// A view that follows its newest row (the scrolling lists) stops following
// while the user reads it: a scroll away from the bottom pauses, a scroll back
// to it follows again; FollowChanged tells who shows the state.
class CellRowsView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CellRowsView(QWidget* parent = nullptr, int refreshMs = RepaintPacer::kIntervalMs);

    bool IsFollowing() const { return m_following; }
    // A change waits for the next display update.
    bool IsUpdatePending() const { return m_repaint->IsPending(); }

    // The rows as assistive technology reads them; row and column must be
    // in range.
    virtual int AccessibleRowCount() const = 0;
    virtual int AccessibleColumnCount() const { return 1; }
    virtual QString AccessibleText(int row, int column) const = 0;
    // A column's caption; empty for a view without captions.
    virtual QString AccessibleColumnName(int column) const;
    virtual bool IsRowSelected(int row) const;
    // Selects a row as the user would; false where rows cannot be selected.
    virtual bool SelectRow(int row);
    // Where a row is drawn, in viewport coordinates.
    virtual QRect AccessibleRowRect(int row) const = 0;

    // Frames the view was given since it was last cleared, and of those the
    // frames its display filter let through; views without a filter count
    // nothing.
    quint64 FramesReceived() const { return m_framesReceived; }
    quint64 FramesShown() const { return m_framesShown; }

signals:
    // The view stopped or started following its newest row.
    void FollowChanged(bool following);
    // The frame counts changed; told at the display update, not per frame.
    void FrameCountsChanged(quint64 shown, quint64 received);

protected:
    virtual void ShowRows() = 0;
    // Asks for the repaint of rects, one band per row, top to bottom; false
    // when there are none.
    bool RepaintChanged(const std::vector<QRect>& rects);
    // Everything is drawn again at the next display update.
    void RepaintAll();
    // For paintEvent: a paint that comes before the next display update (a
    // newly exposed area, a grab), or while the screen rows are not all known,
    // shows the rows of now.
    void ShowRowsBeforePaint();
    void scrollContentsBy(int dx, int dy) override;

    void SetFollowing(bool following);
    // Follows the user's vertical scrolling: at the bottom follows, elsewhere
    // pauses. Moves of the scroll bar made by the view itself are marked with
    // ProgramScroll and not taken for the user's.
    void FollowUserScrolling();
    class ProgramScroll {
    public:
        explicit ProgramScroll(CellRowsView& view) : m_view(view) { ++m_view.m_programScroll; }
        ~ProgramScroll() { --m_view.m_programScroll; }
        ProgramScroll(const ProgramScroll&) = delete;
        ProgramScroll& operator=(const ProgramScroll&) = delete;

    private:
        CellRowsView& m_view;
    };

    // For assistive technology, counted by the views as their rows change:
    // rows appended at the end, rows dropped from the start, and a reset for
    // anything else (a clear, rows changed in place or reordered).
    void NoteRowsAppended(int rows) { m_rowsAppended += static_cast<uint64_t>(rows); }
    void NoteRowsDropped(int rows) { m_rowsDropped += static_cast<uint64_t>(rows); }
    void NoteRowsReset() { ++m_rowsReset; }
    // Rows kept their places but some texts changed.
    void NoteRowsUpdated() { m_rowsUpdated = true; }
    // The current row moved by the user's hand: assistive technology hears of
    // it at the next display update.
    void NoteCurrentRowMoved(int row) { m_movedTo = row; }

    // A frame given to the view, shown or held back by its filter. The view
    // asks for a display update for a hidden frame too: that update tells
    // the new counts.
    void CountFrame(bool shown)
    {
        ++m_framesReceived;
        m_framesShown += shown ? 1 : 0;
    }
    void ResetFrameCounts()
    {
        m_framesReceived = 0;
        m_framesShown = 0;
    }

    CellTextPainter m_text;
    CellScreen m_screen;
    RepaintPacer* m_repaint;

private:
    void ShowRowsAndTell();
    void TellChanges();

    bool m_following = true;
    int m_programScroll = 0;
    uint64_t m_rowsAppended = 0;
    uint64_t m_rowsDropped = 0;
    uint64_t m_rowsReset = 0;
    uint64_t m_toldAppended = 0;
    uint64_t m_toldDropped = 0;
    uint64_t m_toldReset = 0;
    bool m_rowsUpdated = false;
    int m_movedTo = -1;
    quint64 m_framesReceived = 0;
    quint64 m_framesShown = 0;
    quint64 m_toldReceived = 0;
    quint64 m_toldShown = 0;
};
