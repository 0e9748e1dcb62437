#include "trace/ui/CReplayDlg.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "trace/ReplayPlan.h"

CReplayDlg::CReplayDlg(QWidget* parent)
    : QDialog(parent), m_speed(new QDoubleSpinBox(this)), m_filter(new QLineEdit(this))
{
    setWindowTitle(QString::fromUtf8("트레이스 재생"));
    m_speed->setObjectName(QStringLiteral("speed"));
    m_speed->setRange(kMinReplaySpeed, kMaxReplaySpeed);
    m_speed->setDecimals(1);
    m_speed->setSingleStep(0.1);
    m_speed->setValue(1.0);
    m_speed->setSuffix(QStringLiteral(" x"));
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filter->setPlaceholderText(QString::fromUtf8("모든 프레임 (예: 123, 100-1FF, ~7DF)"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("재생"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QString::fromUtf8("재생 속도:"), m_speed);
    form->addRow(QString::fromUtf8("ID 필터:"), m_filter);
    form->addRow(buttons);
}

double CReplayDlg::Speed() const
{
    return m_speed->value();
}

QString CReplayDlg::FilterText() const
{
    return m_filter->text();
}
