#include "rxlog/ui/CRDView.h"

#include <QResizeEvent>

CRDView::CRDView(QWidget* parent) : QWidget(parent), m_list(new CRDataList(this))
{
    m_list->setGeometry(rect());
}

CRDView::~CRDView() = default;

void CRDView::SetCommandRouter(CommandRouter* router)
{
    m_list->SetCommandRouter(router);
}

void CRDView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_list->setGeometry(0, 0, event->size().width(), event->size().height());
}
