#include "rxlog/ui/CellRowsView.h"

#include <QAccessible>
#include <QRegion>
#include <QScrollBar>

#include "rxlog/ui/CellRowsAccessible.h"

CellRowsView::CellRowsView(QWidget* parent, int refreshMs)
    : QAbstractScrollArea(parent),
      m_repaint(new RepaintPacer(
          this, [this] { ShowRowsAndTell(); }, refreshMs))
{
    InstallCellRowsAccessible();
}

QString CellRowsView::AccessibleColumnName(int) const
{
    return {};
}

bool CellRowsView::IsRowSelected(int) const
{
    return false;
}

bool CellRowsView::SelectRow(int)
{
    return false;
}

bool CellRowsView::RepaintChanged(const std::vector<QRect>& rects)
{
    if (rects.empty()) {
        return false;
    }
    // The bands do not overlap: the region takes them as they are.
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    viewport()->update(region);
    return true;
}

void CellRowsView::RepaintAll()
{
    m_screen.Invalidate();
    m_repaint->Request();
}

void CellRowsView::ShowRowsBeforePaint()
{
    if (m_repaint->IsPending() || !m_screen.IsComplete() || m_screen.RowCount() == 0) {
        ShowRows();
    }
}

void CellRowsView::scrollContentsBy(int, int)
{
    m_repaint->Request();
}

void CellRowsView::SetFollowing(bool following)
{
    if (following != m_following) {
        m_following = following;
        emit FollowChanged(following);
    }
}

void CellRowsView::FollowUserScrolling()
{
    const QScrollBar* vertical = verticalScrollBar();
    connect(vertical, &QAbstractSlider::valueChanged, this, [this, vertical](int value) {
        if (m_programScroll == 0) {
            SetFollowing(value == vertical->maximum());
        }
    });
}

void CellRowsView::ShowRowsAndTell()
{
    ShowRows();
    TellChanges();
    if (m_framesReceived != m_toldReceived || m_framesShown != m_toldShown) {
        m_toldReceived = m_framesReceived;
        m_toldShown = m_framesShown;
        emit FrameCountsChanged(m_framesShown, m_framesReceived);
    }
}

void CellRowsView::TellChanges()
{
    const auto appended = static_cast<int64_t>(m_rowsAppended - m_toldAppended);
    const auto dropped = static_cast<int64_t>(m_rowsDropped - m_toldDropped);
    const bool reset = m_rowsReset != m_toldReset;
    const int movedTo = m_movedTo;
    const bool updated = m_rowsUpdated;
    m_rowsUpdated = false;
    m_toldAppended = m_rowsAppended;
    m_toldDropped = m_rowsDropped;
    m_toldReset = m_rowsReset;
    m_movedTo = -1;
    // Nobody listens: nothing is built, nothing is sent.
    if (!IsAccessibilityListening()) {
        return;
    }
    const int rows = AccessibleRowCount();
    const int columns = AccessibleColumnCount();
    const auto tell = [this, columns](QAccessibleTableModelChangeEvent::ModelChangeType type,
                                      int first, int last) {
        QAccessibleTableModelChangeEvent event(this, type);
        event.setFirstRow(first);
        event.setLastRow(last);
        event.setFirstColumn(0);
        event.setLastColumn(columns - 1);
        ::TellAccessibility(&event);
    };
    // Rows dropped and appended are told as such while they fit what was
    // there and what is there now; a flood that replaced everything is a reset.
    const int64_t before = rows + dropped - appended;
    if (reset || dropped > before || appended > rows) {
        tell(QAccessibleTableModelChangeEvent::ModelReset, 0, rows - 1);
    } else {
        if (dropped > 0) {
            tell(QAccessibleTableModelChangeEvent::RowsRemoved, 0, static_cast<int>(dropped) - 1);
        }
        if (appended > 0) {
            tell(QAccessibleTableModelChangeEvent::RowsInserted, rows - static_cast<int>(appended),
                 rows - 1);
        }
        if (updated && rows > 0) {
            tell(QAccessibleTableModelChangeEvent::DataChanged, 0, rows - 1);
        }
    }
    if (movedTo >= 0 && movedTo < rows) {
        QAccessibleEvent selection(this, QAccessible::Selection);
        selection.setChild(movedTo * columns);
        ::TellAccessibility(&selection);
        if (hasFocus()) {
            QAccessibleEvent focus(this, QAccessible::Focus);
            focus.setChild(movedTo * columns);
            ::TellAccessibility(&focus);
        }
    }
}
