#include "rxlog/ui/FilterLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

FilterLine::FilterLine(const QString& accessibleName, QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_counts(new QLabel(this))
{
    // The counts stand as far from the pane's right edge as from the field:
    // against the window's edge their last digit reads as cut off.
    constexpr int kGap = 6;
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, kGap, 2);
    layout->setSpacing(kGap);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_counts);
    m_edit->setPlaceholderText(QString::fromUtf8("필터: 123:7FF, ~100-1FF"));
    m_edit->setAccessibleName(accessibleName);
    m_edit->setClearButtonEnabled(true);
    m_counts->setAccessibleName(accessibleName + QString::fromUtf8(" 개수"));
    SetCounts(0, 0);
    connect(m_edit, &QLineEdit::textChanged, this, &FilterLine::Parse);
}

FilterLine::~FilterLine() = default;

QString FilterLine::Text() const
{
    return m_edit->text();
}

void FilterLine::SetText(const QString& text)
{
    if (text == m_edit->text()) {
        Parse(text);  // textChanged does not fire for the same text
    } else {
        m_edit->setText(text);
    }
}

void FilterLine::SetCounts(quint64 shown, quint64 received)
{
    m_counts->setText(QString::fromUtf8("표시 %1 / 수신 %2").arg(shown).arg(received));
}

void FilterLine::Parse(const QString& text)
{
    FilterError error;
    std::optional<DisplayFilter> parsed = DisplayFilter::Parse(text.toStdString(), &error);
    if (parsed) {
        m_valid = true;
        m_edit->setToolTip(QString());
        ShowValidity();
        m_filter = std::move(*parsed);
        emit FilterChanged();
        return;
    }
    m_valid = false;
    m_edit->setToolTip(QString::fromStdString(error.message));
    ShowValidity();
}

void FilterLine::ShowValidity()
{
    // An empty palette resolves nothing of its own: the field takes its
    // parent's colours again.
    QPalette colours;
    if (!m_valid) {
        colours.setColor(QPalette::Base, QColor(QRgb(kInvalidFilterBase)));
        colours.setColor(QPalette::Text, Qt::black);
    }
    m_edit->setPalette(colours);
}

QWidget* MakeFilteredPane(FilterLine* line, QWidget* view, QWidget* parent)
{
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(line);
    layout->addWidget(view, 1);
    return pane;
}
