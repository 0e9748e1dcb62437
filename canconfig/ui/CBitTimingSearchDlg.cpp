#include "canconfig/ui/CBitTimingSearchDlg.h"

#include <cmath>
#include <vector>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "canconfig/BitTiming.h"

namespace {

enum Column { kBrp, kPrseg, kPhseg1, kPhseg2, kQuanta, kRate, kRateError, kSamplePoint, kColumns };

// Where a row keeps its bit time: the BRP cell, under this role.
constexpr int kBitTimeRole = Qt::UserRole;

QString RateCell(double bitRate)
{
    return bitRate == std::floor(bitRate) ? QString::number(bitRate, 'f', 0)
                                          : QString::number(bitRate, 'f', 2);
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // No button is a default one: Enter must not confirm.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

CBitTimingSearchDlg::CBitTimingSearchDlg(const QString& wantedRate, QWidget* parent)
    : EnterIgnoringDialog(parent)
{
    setWindowTitle(QStringLiteral("CAN 비트 타임 찾기"));

    auto* form = new QFormLayout;
    m_rate = new QComboBox(this);
    m_rate->setObjectName(QStringLiteral("wantedRate"));
    m_rate->setEditable(true);
    m_rate->setInsertPolicy(QComboBox::NoInsert);
    for (const BitTimePreset& preset : BitTimePresets) {
        m_rate->addItem(QString::fromUtf8(preset.label));
    }
    m_rate->setCurrentText(wantedRate);
    m_rate->setToolTip(QStringLiteral("bit/s 단위 숫자, 또는 K(천)나 M(백만)을 붙인 숫자"));
    form->addRow(QStringLiteral("원하는 비트레이트 (bit/s, K, M)"), m_rate);
    m_samplePoint = new QDoubleSpinBox(this);
    m_samplePoint->setObjectName(QStringLiteral("wantedSamplePoint"));
    m_samplePoint->setRange(0.0, 100.0);
    m_samplePoint->setDecimals(1);
    m_samplePoint->setSingleStep(0.5);
    m_samplePoint->setSuffix(QStringLiteral(" %"));
    m_samplePoint->setValue(kDefaultSamplePointPercent);
    form->addRow(QStringLiteral("샘플 포인트"), m_samplePoint);

    m_table = new QTableWidget(0, kColumns, this);
    m_table->setObjectName(QStringLiteral("bitTimes"));
    m_table->setHorizontalHeaderLabels({"BRP", "PRSEG", "PHSEG1", "PHSEG2", "TQ",
                                        QStringLiteral("비트레이트"), QStringLiteral("오차 %"),
                                        QStringLiteral("샘플 포인트 %")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_none = new QLabel(this);
    m_none->setObjectName(QStringLiteral("noBitTimes"));
    m_none->setAlignment(Qt::AlignCenter);
    m_results = new QStackedWidget(this);
    m_results->addWidget(m_table);
    m_results->addWidget(m_none);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_choose = MakeButton(this, QStringLiteral("선택"), "ok");
    QPushButton* cancel = MakeButton(this, QStringLiteral("취소"), "cancel");
    buttons->addWidget(m_choose);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_results, 1);
    layout->addLayout(buttons);

    Search();
    // Room for every column beside the vertical scroll bar.
    m_table->setMinimumSize(m_table->horizontalHeader()->length() +
                                m_table->verticalScrollBar()->sizeHint().width() + 8,
                            240);
    connect(m_rate, &QComboBox::currentTextChanged, this, &CBitTimingSearchDlg::Search);
    connect(m_samplePoint, &QDoubleSpinBox::valueChanged, this, &CBitTimingSearchDlg::Search);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            &CBitTimingSearchDlg::OnSelectionChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CBitTimingSearchDlg::accept);
    connect(m_choose, &QPushButton::clicked, this, &CBitTimingSearchDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CBitTimingSearchDlg::reject);
}

std::optional<double> CBitTimingSearchDlg::ParseRateText(const QString& text)
{
    static const QRegularExpression kForm(
        QStringLiteral(R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*([kKmM]?)\s*$)"));
    const QRegularExpressionMatch match = kForm.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    double rate = match.captured(1).toDouble(&ok);
    const QString suffix = match.captured(2).toUpper();
    if (suffix == QLatin1String("K")) {
        rate *= 1e3;
    } else if (suffix == QLatin1String("M")) {
        rate *= 1e6;
    }
    if (!ok || !std::isfinite(rate) || !(rate > 0)) {
        return std::nullopt;
    }
    return rate;
}

QString CBitTimingSearchDlg::RateText(double bitRate)
{
    if (bitRate >= 1e6 && std::fmod(bitRate, 1e6) == 0) {
        return QString::number(bitRate / 1e6, 'f', 0) + 'M';
    }
    if (bitRate >= 1e3 && std::fmod(bitRate, 1e3) == 0) {
        return QString::number(bitRate / 1e3, 'f', 0) + 'K';
    }
    return QString::number(bitRate, 'g', 10);
}

// Fills the table again and selects its best row, so "선택" takes the closest
// sample point unless the user picks another.
void CBitTimingSearchDlg::Search()
{
    const std::optional<double> rate = ParseRateText(m_rate->currentText());
    const std::vector<BitTimeCandidate> found =
        rate ? FindBitTimes(*rate, m_samplePoint->value()) : std::vector<BitTimeCandidate>();

    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(found.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const BitTimeCandidate& candidate = found[static_cast<size_t>(row)];
        const BitTimeFields fields = SplitBitTime(candidate.value);
        const QString cells[kColumns] = {
            QString::number(fields.brp),
            QString::number(fields.prseg),
            QString::number(fields.phseg1),
            QString::number(fields.phseg2),
            QString::number(candidate.quanta),
            RateCell(candidate.bitRate),
            QString::asprintf("%+.2f", candidate.rateErrorPercent),
            QString::asprintf("%.2f", candidate.samplePointPercent),
        };
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
        m_table->item(row, kBrp)->setData(kBitTimeRole, candidate.value);
    }
    // Once for the whole table: sizing to contents on every new cell costs a
    // pass over all rows each time.
    m_table->resizeColumnsToContents();

    if (found.empty()) {
        m_none->setText(rate ? QStringLiteral("조건에 맞는 조합이 없읍니다")
                             : QStringLiteral("비트레이트 입력이 잘못되었읍니다"));
        m_results->setCurrentWidget(m_none);
    } else {
        m_results->setCurrentWidget(m_table);
        m_table->selectRow(0);
    }
    OnSelectionChanged();
}

void CBitTimingSearchDlg::OnSelectionChanged()
{
    m_choose->setEnabled(m_results->currentWidget() == m_table &&
                         !m_table->selectionModel()->selectedRows().isEmpty());
}

CanBitTime CBitTimingSearchDlg::SelectedBitTime() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows(kBrp);
    return rows.isEmpty() ? 0 : rows.front().data(kBitTimeRole).toUInt();
}

void CBitTimingSearchDlg::accept()
{
    const CanBitTime chosen = SelectedBitTime();
    if (chosen == 0) {  // never a valid bit time: PHSEG2 would be 0
        return;
    }
    m_chosen = chosen;
    EnterIgnoringDialog::accept();
}
