#include "busstats/ui/CBusStatsPane.h"

#include <algorithm>

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>

#include "busstats/ui/IdStatsModel.h"
#include "link/CanFrame.h"

namespace {

struct FigureInfo {
    const char* objectName;
    const char* caption;
};

// In the order of CBusStatsPane::Figure.
constexpr FigureInfo kFigures[] = {
    {"framesPerSecond", "초당 프레임"},
    {"standardPerSecond", "  11비트"},
    {"extendedPerSecond", "  29비트"},
    {"remotePerSecond", "  리모트"},
    {"totalFrames", "누적 프레임"},
    {"bitRate", "CAN 비트 속도"},
    {"busLoad", "버스 부하"},
    {"busLoadWorst", "버스 부하(최악 스터핑)"},
    {"lineSpeed", "UART 속도"},
    {"lineLoad", "시리얼 회선 부하"},
    {"busOff", "Bus-Off"},
    {"errorPassive", "Error-Passive"},
    {"warning", "Warning"},
    {"otherErrors", "기타 에러"},
    {"droppedBytes", "수신 버퍼 넘침"},
};

QString Rate(double perSecond)
{
    return QString::number(perSecond, 'f', 1);
}

QString Percent(double percent)
{
    return QString::number(percent, 'f', 1) + QStringLiteral(" %");
}

}  // namespace

CBusStatsPane::CBusStatsPane(QWidget* parent)
    : QWidget(parent), m_model(new IdStatsModel(this)), m_table(new QTableView(this))
{
    static_assert(std::size(kFigures) == kFigureCount);
    auto* figures = new QGridLayout;
    for (int i = 0; i < kFigureCount; ++i) {
        auto* caption = new QLabel(QString::fromUtf8(kFigures[i].caption), this);
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(kFigures[i].objectName));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        caption->setBuddy(value);
        figures->addWidget(caption, i, 0);
        figures->addWidget(value, i, 1);
        m_values[static_cast<size_t>(i)] = value;
        if (i == kFrames) {
            // The frame rate can be followed over time in the signal plot.
            for (QLabel* label : {caption, value}) {
                label->setContextMenuPolicy(Qt::CustomContextMenu);
                connect(label, &QWidget::customContextMenuRequested, this,
                        [this, label](const QPoint& at) {
                            QMenu menu(this);
                            menu.addAction(QString::fromUtf8("그래프에 추가(&G)"), this,
                                           &CBusStatsPane::FrameRatePlotRequested);
                            menu.exec(label->mapToGlobal(at));
                        });
            }
        }
    }
    figures->setRowStretch(kFigureCount, 1);
    // Values of a fixed size: a label whose size may change asks its layout,
    // and with it the whole main window, to lay out again at every new text,
    // measuring every label four times a second. The widest texts are an
    // error count with its time and a large byte count.
    const QFontMetrics valueMetrics = m_values[0]->fontMetrics();
    int valueWidth = 0;
    for (const QString& widest : {QString::fromUtf8("4294967295 (마지막 00:00:00)"),
                                  QString::fromUtf8("18446744073709551615 바이트")}) {
        valueWidth = std::max(valueWidth, valueMetrics.horizontalAdvance(widest));
    }
    for (QLabel* value : m_values) {
        value->setFixedSize(valueWidth + 2 * valueMetrics.averageCharWidth(),
                            value->sizeHint().height());
    }

    m_table->setObjectName(QStringLiteral("idStatsTable"));
    m_table->setModel(m_model);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(IdStatsModel::kIdColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // Widths set once: fitting them to the contents would measure every row
    // at every refresh.
    const QFontMetrics metrics = m_table->fontMetrics();
    for (int column = 0; column < IdStatsModel::kColumnCount; ++column) {
        const QString header = m_model->headerData(column, Qt::Horizontal).toString();
        const int widest = std::max(metrics.horizontalAdvance(header),
                                    metrics.horizontalAdvance(QStringLiteral("00000.000")));
        m_table->setColumnWidth(column, widest + 2 * metrics.averageCharWidth() + 8);
    }

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(m_table, 1);

    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Refresh(Clock::now()); });
    // Nothing is sampled yet: the statistics' clock starts with the first
    // frame, report or refresh.
    ShowFigures(Clock::now());
}

CBusStatsPane::~CBusStatsPane() = default;

void CBusStatsPane::AddFrame(const CanFrame& frame, int dataBytes)
{
    m_stats.AddFrame(frame, dataBytes, Clock::now());
}

void CBusStatsPane::AddErrorReport(uint8_t code)
{
    m_stats.AddErrorReport(code, Clock::now());
}

void CBusStatsPane::SetRates(double canBitRate, uint32_t uartSpeed)
{
    if (canBitRate == m_bitRate && uartSpeed == m_lineSpeed) {
        return;
    }
    m_bitRate = canBitRate;
    m_lineSpeed = uartSpeed;
    m_stats.SetBitRate(canBitRate);
    m_stats.SetLineSpeed(uartSpeed);
    if (isVisible()) {
        // The shares in the table are against the new rate too.
        m_tableAt.reset();
        Refresh(Clock::now());
    }
}

void CBusStatsPane::SetDroppedBytesSource(std::function<uint64_t()> source)
{
    m_droppedSource = std::move(source);
    m_droppedAtClear = m_droppedSource ? m_droppedSource() : 0;
}

uint64_t CBusStatsPane::DroppedBytes() const
{
    const uint64_t now = m_droppedSource ? m_droppedSource() : 0;
    return now >= m_droppedAtClear ? now - m_droppedAtClear : now;
}

void CBusStatsPane::Clear()
{
    m_stats.Clear();
    m_droppedAtClear = m_droppedSource ? m_droppedSource() : 0;
    m_model->Clear();
    m_tableAt.reset();
    m_shown = BusSnapshot{};
    ShowFigures(Clock::now());
}

QString CBusStatsPane::ErrorText(const BusErrorCount& count, Clock::time_point now) const
{
    if (count.count == 0) {
        return QStringLiteral("0");
    }
    // The steady clock says how long ago; the wall clock says when.
    const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(now - count.last);
    const QString when =
        QDateTime::currentDateTime().addMSecs(-ago.count()).toString(QStringLiteral("HH:mm:ss"));
    return QString::fromUtf8("%1 (마지막 %2)").arg(count.count).arg(when);
}

void CBusStatsPane::Refresh(Clock::time_point now)
{
    m_shown = m_stats.Sample(now);
    m_shownAt = now;
    ShowFigures(now);
    // A clock going back (a caller's own time line) counts as due.
    if (!m_tableAt || now < *m_tableAt ||
        now - *m_tableAt >= std::chrono::milliseconds(kTableRefreshMs)) {
        m_tableAt = now;
        m_model->Update(m_stats);
    }
}

void CBusStatsPane::ShowFigures(Clock::time_point now)
{
    const BusSnapshot& s = m_shown;
    const auto set = [this](Figure figure, const QString& text) {
        QLabel* label = m_values[figure];
        if (label->text() != text) {
            label->setText(text);
        }
    };
    set(kFrames, Rate(s.framesPerSecond));
    set(kStandard, Rate(s.standardPerSecond));
    set(kExtended, Rate(s.extendedPerSecond));
    set(kRemote, Rate(s.remotePerSecond));
    set(kTotal, QString::number(s.totalFrames));
    set(kBitRate, m_bitRate > 0
                      ? QString::number(m_bitRate / 1000.0, 'f', 2) + QStringLiteral(" kbit/s")
                      : QStringLiteral("-"));
    set(kBusLoad, Percent(s.busLoadPercent));
    set(kBusLoadWorst, Percent(s.busLoadWorstPercent));
    set(kLineSpeed, QString::number(m_lineSpeed) + QStringLiteral(" bit/s"));
    set(kLineLoad, Percent(s.lineLoadPercent));
    QPalette palette = m_values[kLineLoad]->palette();
    const QColor colour =
        s.lineNearlyFull ? QColor(Qt::red) : this->palette().color(foregroundRole());
    if (palette.color(QPalette::WindowText) != colour) {
        palette.setColor(QPalette::WindowText, colour);
        m_values[kLineLoad]->setPalette(palette);
    }
    set(kBusOff, ErrorText(s.errors[static_cast<size_t>(BusErrorKind::kBusOff)], now));
    set(kErrorPassive, ErrorText(s.errors[static_cast<size_t>(BusErrorKind::kErrorPassive)], now));
    set(kWarning, ErrorText(s.errors[static_cast<size_t>(BusErrorKind::kWarning)], now));
    set(kOtherErrors, ErrorText(s.errors[static_cast<size_t>(BusErrorKind::kOther)], now));
    set(kDropped, QString::fromUtf8("%1 바이트").arg(DroppedBytes()));
}

void CBusStatsPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // What came while hidden shows at once, the table included.
    m_tableAt.reset();
    Refresh(Clock::now());
    m_timer.start();
}

void CBusStatsPane::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
