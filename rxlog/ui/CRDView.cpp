#include "rxlog/ui/CRDView.h"

#include <QVBoxLayout>

#include "rxlog/ui/FilterLine.h"

CRDView::CRDView(QWidget* parent)
    : QWidget(parent),
      m_filter(new FilterLine(QString::fromUtf8("수신 데이터 필터"), this)),
      m_list(new CRDataList(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);
    BindFilterLine(*m_filter, *m_list);
}

CRDView::~CRDView() = default;

void CRDView::SetCommandRouter(CommandRouter* router)
{
    m_list->SetCommandRouter(router);
}
