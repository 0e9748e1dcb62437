#include "rxlog/ui/CellRowsView.h"

#include <QRegion>

CellRowsView::CellRowsView(QWidget* parent, int refreshMs)
    : QAbstractScrollArea(parent),
      m_repaint(new RepaintPacer(
          this, [this] { ShowRows(); }, refreshMs))
{
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
