#include "txlist/ui/CPeriodDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "txlist/PeriodicSender.h"

CPeriodDlg::CPeriodDlg(int periodMs, QWidget* parent)
    : EnterIgnoringDialog(parent), m_period(new QSpinBox(this))
{
    setWindowTitle(QStringLiteral("주기 송신 설정"));
    m_period->setObjectName(QStringLiteral("period"));
    m_period->setRange(PeriodicSender::kMinPeriodMs, PeriodicSender::kMaxPeriodMs);
    m_period->setValue(periodMs);
    m_period->setAccelerated(true);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("주기 (ms)"), this));
    row->addWidget(m_period);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto addButton = [this, buttons](const char* caption, const char* name) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(QLatin1String(name));
        // Enter presses no button.
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    connect(addButton("설정", "ok"), &QPushButton::clicked, this, &QDialog::accept);
    connect(addButton("취소", "cancel"), &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

CPeriodDlg::~CPeriodDlg() = default;

int CPeriodDlg::PeriodMs() const
{
    return m_period->value();
}
