#include "plot/ui/CSignalPlotPane.h"

#include <algorithm>
#include <array>

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QToolButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "common/ui/MessageBoxes.h"
#include "link/CanFrame.h"
#include "plot/PlotCsv.h"
#include "plot/PlotReadout.h"
#include "trace/Trace.h"

namespace {

constexpr char kFrameRateLegend[] = "버스.초당 프레임 [frame/s]";
constexpr char kOverwriteQuestion[] = "%1 파일이 이미 있읍니다\n파일을 덮어 쓰시겠읍니까?";
constexpr char kReadoutHint[] = "그래프 위에 마우스를 두면 그 시각의 값을 보여 줍니다";
constexpr char kCursorLayer[] = "cursor";

// Line colours, told apart also by readers with the common colour-vision
// deficiencies (Okabe and Ito's palette, the yellow darkened for a white
// background).
constexpr std::array<QRgb, 8> kColours{0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7,
                                       0x56B4E9, 0xE69F00, 0x000000, 0xB8A800};

QColor Colour(size_t index)
{
    return QColor::fromRgb(kColours[index % kColours.size()]);
}

}  // namespace

CSignalPlotPane::CSignalPlotPane(MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent),
      m_boxes(boxes),
      m_origin(Clock::now()),
      m_graphData(std::make_unique<QVector<QCPGraphData>>()),
      m_pause(new QToolButton(this)),
      m_window(new QDoubleSpinBox(this)),
      m_sharedY(new QCheckBox(QString::fromUtf8("같은 세로축(&Y)"), this)),
      m_plot(new QCustomPlot(this)),
      m_cursorLine(nullptr),
      m_readout(new QLabel(this))
{
    setAcceptDrops(true);

    m_pause->setText(QString::fromUtf8("일시 정지(&P)"));
    m_pause->setCheckable(true);
    m_pause->setToolTip(QString::fromUtf8("그래프를 멈추어 둡니다. 값은 계속 모읍니다"));
    connect(m_pause, &QToolButton::toggled, this, &CSignalPlotPane::SetPaused);

    auto* windowLabel = new QLabel(QString::fromUtf8("표시 구간(&W):"), this);
    windowLabel->setBuddy(m_window);
    m_window->setRange(PlotSettings::kMinWindowSeconds, PlotSettings::kMaxWindowSeconds);
    m_window->setDecimals(1);
    m_window->setSuffix(QString::fromUtf8(" 초"));
    m_window->setValue(PlotModel::kDefaultWindowSeconds);
    m_window->setKeyboardTracking(false);
    connect(m_window, &QDoubleSpinBox::valueChanged, this, &CSignalPlotPane::SetWindowSeconds);

    m_sharedY->setToolTip(
        QString::fromUtf8("모든 신호를 한 세로축에 그립니다. 끄면 신호마다 제 세로축을 씁니다"));
    connect(m_sharedY, &QCheckBox::toggled, this, &CSignalPlotPane::SetSharedY);

    auto* clear = new QToolButton(this);
    clear->setText(QString::fromUtf8("지우기"));
    clear->setToolTip(QString::fromUtf8("모은 값을 지웁니다. 신호는 그대로 둡니다"));
    connect(clear, &QToolButton::clicked, this, &CSignalPlotPane::ClearPoints);
    auto* csv = new QToolButton(this);
    csv->setObjectName(QStringLiteral("PlotCsvButton"));
    csv->setText(QString::fromUtf8("CSV..."));
    csv->setToolTip(QString::fromUtf8("그래프의 값을 CSV 파일로 내보냅니다"));
    connect(csv, &QToolButton::clicked, this, &CSignalPlotPane::AskExportCsv);
    auto* png = new QToolButton(this);
    png->setObjectName(QStringLiteral("PlotPngButton"));
    png->setText(QString::fromUtf8("PNG..."));
    png->setToolTip(QString::fromUtf8("그래프 그림을 PNG 파일로 저장합니다"));
    connect(png, &QToolButton::clicked, this, &CSignalPlotPane::AskExportPng);

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(4, 2, 4, 0);
    controls->addWidget(m_pause);
    controls->addSpacing(8);
    controls->addWidget(windowLabel);
    controls->addWidget(m_window);
    controls->addSpacing(8);
    controls->addWidget(m_sharedY);
    controls->addStretch(1);
    controls->addWidget(clear);
    controls->addWidget(csv);
    controls->addWidget(png);

    m_plot->setObjectName(QStringLiteral("SignalPlot"));
    m_plot->setMinimumHeight(120);
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Lines of one pixel drawn as polylines without smoothing: a noisy signal
    // decimated to min and max gives long zigzags, which smoothed or wider
    // pens cost the painter many times more.
    m_plot->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    m_plot->setNotAntialiasedElements(QCP::aePlottables);
    // Time moves and zooms; each value axis scales itself to what is shown.
    m_plot->axisRect()->setRangeDrag(Qt::Horizontal);
    m_plot->axisRect()->setRangeZoom(Qt::Horizontal);
    m_plot->xAxis->setLabel(QString::fromUtf8("시간 [s]"));
    m_plot->legend->setVisible(true);
    m_plot->legend->setBrush(QColor(255, 255, 255, 210));
    m_plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    m_plot->setMouseTracking(true);
    m_plot->setFocusPolicy(Qt::StrongFocus);
    m_plot->setAccessibleName(QString::fromUtf8("신호 그래프"));
    m_plot->setToolTip(QString::fromUtf8(
        "끌기, ←/→: 시간 이동   휠, +/-: 확대/축소   두 번 누르기, End: 처음 범위로"));
    m_plot->installEventFilter(this);
    connect(m_plot, &QWidget::customContextMenuRequested, this, &CSignalPlotPane::ShowContextMenu);
    connect(m_plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &CSignalPlotPane::OnRangeMoved);

    // The cursor is drawn on a layer of its own at the top, so moving it
    // repaints that layer alone, not the lines. Every other layer shares one
    // buffer (the selection overlay, unused here, would have its own), so a
    // paint composes two buffers.
    QCPLayer* top = m_plot->layer(QStringLiteral("overlay"));
    if (top != nullptr) {
        top->setMode(QCPLayer::lmLogical);
    }
    m_plot->addLayer(QString::fromLatin1(kCursorLayer), top, QCustomPlot::limAbove);
    m_plot->layer(QString::fromLatin1(kCursorLayer))->setMode(QCPLayer::lmBuffered);
    m_cursorLine = new QCPItemStraightLine(m_plot);
    m_cursorLine->setLayer(QString::fromLatin1(kCursorLayer));
    m_cursorLine->setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DashLine));
    m_cursorLine->setSelectable(false);
    m_cursorLine->setVisible(false);

    m_readout->setObjectName(QStringLiteral("PlotReadout"));
    m_readout->setText(QString::fromUtf8(kReadoutHint));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readout->setContentsMargins(4, 0, 4, 2);
    // Its width must not follow the text, or every move of the mouse would
    // lay the pane out again.
    m_readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(controls);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_readout);

    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &CSignalPlotPane::Refresh);
    RebuildGraphs();
}

CSignalPlotPane::~CSignalPlotPane() = default;

void CSignalPlotPane::SetDatabase(const DbcDatabase* database)
{
    m_database = database;
}

void CSignalPlotPane::SetFrameRateSource(std::function<double()> source)
{
    m_frameRate = std::move(source);
}

bool CSignalPlotPane::AddSignal(const PlotSignalKey& key)
{
    bool added = false;
    if (key.source == PlotSource::kMeasured) {
        added =
            key == FrameRateKey() && m_frameRate && m_model.AddMeasured(key, kFrameRateLegend, 0);
    } else if (m_database != nullptr) {
        added = m_model.Add(*m_database, key);
    }
    if (added) {
        if (m_trace != nullptr) {
            m_model.BuildFromTrace(*m_trace);
        }
        AfterChosenChanged();
    }
    return added;
}

bool CSignalPlotPane::RemoveSignal(const PlotSignalKey& key)
{
    if (!m_model.Remove(key)) {
        return false;
    }
    AfterChosenChanged();
    return true;
}

void CSignalPlotPane::RemoveAll()
{
    if (m_model.Count() == 0) {
        return;
    }
    m_model.Clear();
    AfterChosenChanged();
}

void CSignalPlotPane::ClearPoints()
{
    m_model.ClearPoints();
    if (m_trace == nullptr) {
        // The clock starts again, so the plot does not begin far right of 0.
        m_origin = Clock::now();
        if (m_held) {
            m_held = PlotRange{-m_model.Window(), 0.0};
        }
    }
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::DatabaseChanged()
{
    if (m_database == nullptr) {
        return;
    }
    if (!m_model.Rebind(*m_database).empty()) {
        AfterChosenChanged();
    } else {
        // Legends may have changed.
        RebuildGraphs();
    }
}

void CSignalPlotPane::FeedFrame(Clock::time_point at, const CanFrame& frame)
{
    if (m_trace != nullptr || m_model.Count() == 0) {
        return;
    }
    m_model.FeedFrame(std::chrono::duration<double>(at - m_origin).count(), frame);
}

void CSignalPlotPane::ShowTrace(std::shared_ptr<const Trace> trace)
{
    m_trace = std::move(trace);
    m_model.BuildFromTrace(*m_trace);
    const double end = m_trace->records.empty()
                           ? 0.0
                           : static_cast<double>(m_trace->records.back().timeUs -
                                                 m_trace->records.front().timeUs) /
                                 1e6;
    // Whole, with a little room so the last point is not on the edge.
    m_held = PlotRange{0.0, std::max(end, 0.001) * 1.001};
    UpdateControls();
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::ShowLive()
{
    if (m_trace == nullptr) {
        return;
    }
    m_trace.reset();
    m_held.reset();
    m_model.ClearPoints();
    m_origin = Clock::now();
    UpdateControls();
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::SetWindowSeconds(double seconds)
{
    m_model.SetWindow(
        std::clamp(seconds, PlotSettings::kMinWindowSeconds, PlotSettings::kMaxWindowSeconds));
    if (m_window->value() != m_model.Window()) {
        m_window->setValue(m_model.Window());
    }
    if (m_held) {
        // A held range keeps its end and takes the new width.
        m_held->low = m_held->high - m_model.Window();
    }
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::SetPaused(bool paused)
{
    if (m_trace == nullptr) {
        if (paused && !m_held) {
            m_held = ShownRange();
        } else if (!paused) {
            m_held.reset();
        }
    }
    UpdateControls();
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::SetSharedY(bool shared)
{
    if (shared == m_model.SharedY()) {
        return;
    }
    m_model.SetSharedY(shared);
    m_sharedY->setChecked(shared);
    RebuildGraphs();
}

void CSignalPlotPane::SetPointsPerSignal(size_t points)
{
    m_model.SetCapacity(
        std::clamp(points, PlotSettings::kMinPointsPerSignal, PlotSettings::kMaxPointsPerSignal));
}

void CSignalPlotPane::ShowRange(double t0, double t1)
{
    m_plot->xAxis->setRange(t0, t1);  // through OnRangeMoved, as the mouse does
}

PlotSettings CSignalPlotPane::Settings() const
{
    PlotSettings settings;
    for (size_t i = 0; i < m_model.Count(); ++i) {
        settings.chosen.push_back(m_model.Signal(i).key);
    }
    settings.windowSeconds = m_model.Window();
    settings.sharedY = m_model.SharedY();
    settings.pointsPerSignal = m_model.Capacity();
    return settings;
}

void CSignalPlotPane::ApplySettings(const PlotSettings& settings)
{
    SetPointsPerSignal(settings.pointsPerSignal);
    SetSharedY(settings.sharedY);
    SetWindowSeconds(settings.windowSeconds);
    const QSignalBlocker quiet(this);
    for (const PlotSignalKey& key : settings.chosen) {
        AddSignal(key);
    }
}

double CSignalPlotPane::LiveNow() const
{
    return std::chrono::duration<double>(Clock::now() - m_origin).count();
}

PlotRange CSignalPlotPane::ShownRange() const
{
    if (m_held) {
        return *m_held;
    }
    const double now = LiveNow();
    return {now - m_model.Window(), now};
}

void CSignalPlotPane::Refresh()
{
    if (m_trace == nullptr && m_frameRate) {
        const int index = m_model.IndexOf(FrameRateKey());
        if (index >= 0) {
            m_model.Append(static_cast<size_t>(index), LiveNow(), m_frameRate());
        }
    }
    if (!isVisible()) {
        return;
    }
    // Held still, nothing moves until something changes; live, time does,
    // and the plot is drawn as often as its drawing budget allows.
    if (m_dirty || (!m_held && (!m_sinceDraw.isValid() || m_sinceDraw.elapsed() >= NextDrawMs()))) {
        Draw(ShownRange());
    }
}

void CSignalPlotPane::AfterChosenChanged()
{
    RebuildGraphs();
    if (m_model.Count() != 0) {
        m_timer.start();
    } else {
        m_timer.stop();
    }
    emit ChosenChanged();
}

void CSignalPlotPane::RebuildGraphs()
{
    m_plot->clearGraphs();
    for (QCPAxis* axis : m_plot->axisRect()->axes(QCPAxis::atLeft)) {
        if (axis != m_plot->yAxis) {
            m_plot->axisRect()->removeAxis(axis);
        }
    }
    m_axes.clear();
    const bool shared = m_model.SharedY() || m_model.Count() <= 1;
    const QColor neutral = Qt::black;
    for (size_t i = 0; i < m_model.Count(); ++i) {
        const QColor colour = Colour(i);
        QCPAxis* axis =
            (shared || i == 0) ? m_plot->yAxis : m_plot->axisRect()->addAxis(QCPAxis::atLeft);
        if (!shared) {
            axis->setBasePen(QPen(colour));
            axis->setTickPen(QPen(colour));
            axis->setSubTickPen(QPen(colour));
            axis->setTickLabelColor(colour);
        }
        QCPGraph* graph = m_plot->addGraph(m_plot->xAxis, axis);
        graph->setName(QString::fromStdString(m_model.Signal(i).legend));
        graph->setPen(QPen(colour, 1));
        // The points come decimated to the plot's width already.
        graph->setAdaptiveSampling(false);
        m_axes.push_back(axis);
    }
    if (shared) {
        QCPAxis* axis = m_plot->yAxis;
        axis->setBasePen(QPen(neutral));
        axis->setTickPen(QPen(neutral));
        axis->setSubTickPen(QPen(neutral));
        axis->setTickLabelColor(neutral);
    }
    m_plot->legend->setVisible(m_model.Count() != 0);
    m_dirty = true;
    Refresh();
}

int CSignalPlotPane::NextDrawMs() const
{
    // Rounded down, so that a tick a little early does not wait a whole one more.
    const double ms = m_drawMs * kDrawBudgetFactor - kRefreshMs / 4.0;
    return static_cast<int>(std::clamp(ms, 0.0, static_cast<double>(kMaxDrawIntervalMs)));
}

void CSignalPlotPane::Draw(const PlotRange& range)
{
    QElapsedTimer cost;
    cost.start();
    const int width = std::max(m_plot->axisRect()->width(), 1);
    for (size_t i = 0; i < m_model.Count(); ++i) {
        const PlotSignal& signal = m_model.Signal(i);
        DecimateSeries(signal.series, range.low, range.high, width, signal.mode, m_points);
        ThinColumnsForDrawing(m_points, range.low, range.high, width);
        m_graphData->resize(static_cast<qsizetype>(m_points.size()));
        for (size_t p = 0; p < m_points.size(); ++p) {
            (*m_graphData)[static_cast<qsizetype>(p)] = QCPGraphData(m_points[p].t, m_points[p].v);
        }
        m_plot->graph(static_cast<int>(i))->data()->set(*m_graphData, true);
        if (const std::optional<PlotRange> y = m_model.YRange(i, range.low, range.high)) {
            m_axes[i]->setRange(y->low, y->high);
        }
    }
    m_moving = true;
    m_plot->xAxis->setRange(range.low, range.high);
    m_moving = false;
    if (m_cursor) {
        m_readout->setText(QString::fromStdString(PlotReadout(m_model, *m_cursor)));
    }
    // The layers are drawn now, so their cost can be measured; the widget
    // shows them at its next paint.
    m_plot->replot(QCustomPlot::rpRefreshHint);
    m_dirty = false;
    ++m_draws;
    const double ms = static_cast<double>(cost.nsecsElapsed()) / 1e6;
    m_drawMs = m_draws == 1 ? ms : 0.8 * m_drawMs + 0.2 * ms;
    m_sinceDraw.start();
}

void CSignalPlotPane::OnRangeMoved(const QCPRange& range)
{
    if (m_moving) {
        return;
    }
    // Moved or zoomed by the user: held there, and drawn anew for it.
    m_held = PlotRange{range.lower, range.upper};
    UpdateControls();
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::SetCursorTime(std::optional<double> t)
{
    m_cursor = t;
    if (t) {
        m_cursorLine->point1->setCoords(*t, 0.0);
        m_cursorLine->point2->setCoords(*t, 1.0);
        m_readout->setText(QString::fromStdString(PlotReadout(m_model, *t)));
    } else {
        m_readout->setText(QString::fromUtf8(kReadoutHint));
    }
    m_cursorLine->setVisible(t.has_value());
    m_plot->layer(QString::fromLatin1(kCursorLayer))->replot();
}

QString CSignalPlotPane::ReadoutText() const
{
    return m_readout->text();
}

bool CSignalPlotPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_plot) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QPointF at = move->position();
            if (m_plot->axisRect()->rect().contains(at.toPoint())) {
                SetCursorTime(m_plot->xAxis->pixelToCoord(at.x()));
            } else if (m_cursor) {
                SetCursorTime(std::nullopt);
            }
        } else if (event->type() == QEvent::Leave && m_cursor) {
            SetCursorTime(std::nullopt);
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            ShowDefaultRange();
            return true;
        } else if (event->type() == QEvent::KeyPress) {
            return MoveByKey(*static_cast<QKeyEvent*>(event));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSignalPlotPane::ShowDefaultRange()
{
    // The whole trace, or following the clock.
    if (m_trace != nullptr) {
        const std::shared_ptr<const Trace> trace = m_trace;
        ShowTrace(trace);
    } else {
        SetPaused(false);
    }
}

bool CSignalPlotPane::MoveByKey(const QKeyEvent& key)
{
    const PlotRange range = ShownRange();
    const double span = range.high - range.low;
    const double middle = (range.low + range.high) / 2;
    switch (key.key()) {
    case Qt::Key_Left:
        ShowRange(range.low - span / 10, range.high - span / 10);
        return true;
    case Qt::Key_Right:
        ShowRange(range.low + span / 10, range.high + span / 10);
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Up:
        ShowRange(middle - span / 4, middle + span / 4);
        return true;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        ShowRange(middle - span, middle + span);
        return true;
    case Qt::Key_End:
        ShowDefaultRange();
        return true;
    default:
        return false;
    }
}

void CSignalPlotPane::ShowContextMenu(const QPoint& at)
{
    QMenu menu(this);
    QMenu* remove = menu.addMenu(QString::fromUtf8("그래프에서 제거(&R)"));
    remove->setEnabled(m_model.Count() != 0);
    for (size_t i = 0; i < m_model.Count(); ++i) {
        const PlotSignalKey key = m_model.Signal(i).key;
        remove->addAction(QString::fromStdString(m_model.Signal(i).legend), this,
                          [this, key] { RemoveSignal(key); });
    }
    menu.addAction(QString::fromUtf8("모든 신호 제거(&A)"), this, &CSignalPlotPane::RemoveAll)
        ->setEnabled(m_model.Count() != 0);
    menu.addSeparator();
    if (m_frameRate && m_model.IndexOf(FrameRateKey()) < 0) {
        menu.addAction(QString::fromUtf8("초당 프레임 수 추가(&F)"), this,
                       [this] { AddSignal(FrameRateKey()); });
    }
    menu.addAction(QString::fromUtf8("값 지우기(&C)"), this, &CSignalPlotPane::ClearPoints);
    menu.addAction(QString::fromUtf8("신호마다 남길 값의 수(&N)..."), this,
                   &CSignalPlotPane::AskPointsPerSignal);
    menu.addSeparator();
    menu.addAction(QString::fromUtf8("CSV 파일로 내보내기(&V)..."), this,
                   &CSignalPlotPane::AskExportCsv);
    menu.addAction(QString::fromUtf8("PNG 그림으로 저장(&G)..."), this,
                   &CSignalPlotPane::AskExportPng);
    menu.exec(m_plot->mapToGlobal(at));
}

void CSignalPlotPane::AskPointsPerSignal()
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(QString::fromUtf8("신호마다 남길 값의 수"));
    dialog.setLabelText(
        QString::fromUtf8("신호마다 남길 값의 수 (넘으면 가장 오래된 값부터 버립니다):"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(static_cast<int>(PlotSettings::kMinPointsPerSignal),
                       static_cast<int>(PlotSettings::kMaxPointsPerSignal));
    dialog.setIntStep(100'000);
    dialog.setIntValue(static_cast<int>(m_model.Capacity()));
    if (m_boxes.RunDialog(dialog) == QDialog::Accepted) {
        SetPointsPerSignal(static_cast<size_t>(dialog.intValue()));
    }
}

QString CSignalPlotPane::AskSavePath(const QString& title, const QString& filter,
                                     const QString& suffix)
{
    const QString folder = m_folder.isEmpty() ? QDir::homePath() : m_folder;
    const QString path = m_boxes.SaveFileName(this, title, folder, filter, suffix);
    if (path.isEmpty()) {
        return {};
    }
    if (QFileInfo::exists(path) &&
        !m_boxes.Question(this, QString::fromUtf8(kOverwriteQuestion).arg(path))) {
        return {};
    }
    m_folder = QFileInfo(path).path();
    return path;
}

void CSignalPlotPane::AskExportCsv()
{
    const QString path = AskSavePath(QString::fromUtf8("그래프 값 내보내기"),
                                     QString::fromUtf8("CSV 파일 (*.csv)"), QStringLiteral("csv"));
    if (!path.isEmpty()) {
        ExportCsv(path);
    }
}

void CSignalPlotPane::AskExportPng()
{
    const QString path = AskSavePath(QString::fromUtf8("그래프 그림 저장"),
                                     QString::fromUtf8("PNG 그림 (*.png)"), QStringLiteral("png"));
    if (!path.isEmpty()) {
        ExportPng(path);
    }
}

bool CSignalPlotPane::ExportCsv(const QString& path)
{
    const std::string text = PlotCsv(m_model);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        m_boxes.Stop(this, QString::fromUtf8("%1 파일에 그래프 값을 쓸 수 없읍니다: %2")
                               .arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool CSignalPlotPane::ExportPng(const QString& path)
{
    // Drawn from the points of the range shown, whatever the timer last did.
    Draw(ShownRange());
    if (!m_plot->savePng(path)) {
        m_boxes.Stop(this, QString::fromUtf8("%1 파일에 그래프 그림을 쓸 수 없읍니다").arg(path));
        return false;
    }
    return true;
}

void CSignalPlotPane::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(kPlotSignalsMimeType))) {
        event->acceptProposedAction();
    }
}

bool CSignalPlotPane::AddDropped(const QMimeData& data)
{
    bool any = false;
    for (const QByteArray& line :
         data.data(QString::fromLatin1(kPlotSignalsMimeType)).split('\n')) {
        if (const std::optional<PlotSignalKey> key = ParsePlotKey(line.toStdString())) {
            any = AddSignal(*key) || any;
        }
    }
    return any;
}

void CSignalPlotPane::dropEvent(QDropEvent* event)
{
    if (AddDropped(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CSignalPlotPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_dirty = true;
    Refresh();
}

void CSignalPlotPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_dirty = true;
}

void CSignalPlotPane::UpdateControls()
{
    const QSignalBlocker quiet(m_pause);
    m_pause->setChecked(m_held.has_value());
    // A trace does not follow a clock: there is nothing to pause.
    m_pause->setEnabled(m_trace == nullptr);
}
