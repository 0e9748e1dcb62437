#pragma once

#include <vector>

#include <QAbstractScrollArea>
#include <QRect>

#include "rxlog/ui/CellScreen.h"
#include "rxlog/ui/CellText.h"
#include "rxlog/ui/RepaintPacer.h"

// What the views that draw rows of fixed-cell text have in common: the glyph
// painter, the record of what each screen row shows, and a repaint pacer that
// calls ShowRows at most once per interval however many changes ask for it.
// ShowRows brings the screen record up to date with the view's rows and asks
// for the repaint of the cells that changed; paintEvent draws from the record.
class CellRowsView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CellRowsView(QWidget* parent = nullptr, int refreshMs = RepaintPacer::kIntervalMs);

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

    CellTextPainter m_text;
    CellScreen m_screen;
    RepaintPacer* m_repaint;
};
