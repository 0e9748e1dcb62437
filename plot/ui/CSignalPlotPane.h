#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QtContainerFwd>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "plot/PlotModel.h"
#include "plot/PlotSettings.h"

class QCheckBox;
class QCPAxis;
class QCPGraphData;
class QCPItemStraightLine;
class QCPRange;
class QCustomPlot;
class QDoubleSpinBox;
class QKeyEvent;
class QLabel;
class QMimeData;
class QToolButton;
class DbcDatabase;
class MessageBoxes;
struct CanFrame;
struct Trace;

// The signal plot: each chosen signal as a line over time (value-table signals
// as steps) with a legend, on its own value axis or one shared by all, and a
// read-out of the time and values under the mouse.
//
// Live, the plot shows the last WindowSeconds and follows the clock; pausing,
// or dragging or wheeling over the plot (which moves and zooms in time; the
// arrow keys, Plus and Minus do the same), holds the range still while points
// keep arriving, and un-pausing (a double click, End) follows again.
// With a trace shown, the plot holds the trace's signals against the trace's
// time, whole at first.
//
// Points are kept in the model, at most PointsPerSignal per signal. The plot
// is drawn only while it shows, from the points decimated to its width, so a
// million points draw like a thousand. Live, it is drawn at display rate
// (every kRefreshMs) while drawing is cheap; the cost of drawing grows with
// the pixels the lines cover (noisy signals on a wide plot cover many), and
// then the plot is drawn less often, so that drawing takes at most about
// 1/kDrawBudgetFactor of a core (but at least once every kMaxDrawIntervalMs).
class CSignalPlotPane : public QWidget {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRefreshMs = 100;
    static constexpr double kDrawBudgetFactor = 80.0;
    static constexpr int kMaxDrawIntervalMs = 1000;

    explicit CSignalPlotPane(MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CSignalPlotPane() override;

    // Where DBC signals are looked up by key; outlives the pane. Null: none.
    void SetDatabase(const DbcDatabase* database);
    // Frames a second now, sampled at each refresh while the frame rate is
    // plotted live. Without one the frame rate cannot be added.
    void SetFrameRateSource(std::function<double()> source);

    // Adds a DBC signal found in the database, or the frame rate; false when
    // it is not found or plotted already.
    bool AddSignal(const PlotSignalKey& key);
    // What a drop does: adds the signals the data names (kPlotSignalsMimeType);
    // false when none was added.
    bool AddDropped(const QMimeData& data);
    bool RemoveSignal(const PlotSignalKey& key);
    void RemoveAll();
    // Empties every series; the signals stay.
    void ClearPoints();
    // The database's messages were replaced: signals it no longer holds leave
    // the plot.
    void DatabaseChanged();

    // A received frame, stamped with the time it is taken (or `at`). Ignored
    // while a trace is shown.
    void FeedFrame(const CanFrame& frame) { FeedFrame(Clock::now(), frame); }
    void FeedFrame(Clock::time_point at, const CanFrame& frame);

    // Shows the trace's signals against its time (0 at its origin), whole.
    void ShowTrace(std::shared_ptr<const Trace> trace);
    // Leaves a shown trace: the series start empty and the live clock at 0.
    void ShowLive();
    bool ShowsTrace() const { return m_trace != nullptr; }

    void SetWindowSeconds(double seconds);
    double WindowSeconds() const { return m_model.Window(); }
    void SetPaused(bool paused);
    // The range is held still (paused, moved by the user, or a trace).
    bool IsHeld() const { return m_held.has_value(); }
    void SetSharedY(bool shared);
    void SetPointsPerSignal(size_t points);
    // Asks for the points kept per signal, as the context menu does.
    void AskPointsPerSignal();
    // Moves the shown range as a drag or the wheel would.
    void ShowRange(double t0, double t1);

    PlotSettings Settings() const;
    // The window, axes and capacity, then the chosen signals that can be found.
    void ApplySettings(const PlotSettings& settings);

    // The time range shown now.
    PlotRange ShownRange() const;
    // What the timer does: samples the frame rate, and draws when due.
    void Refresh();
    // Puts the cursor at time t (as the mouse does) or takes it away.
    void SetCursorTime(std::optional<double> t);
    QString ReadoutText() const;

    // Writes the plotted points as CSV, or the picture as PNG; a failure is
    // reported in a box and gives false.
    bool ExportCsv(const QString& path);
    bool ExportPng(const QString& path);

    const PlotModel& Model() const { return m_model; }
    QCustomPlot* Plot() const { return m_plot; }
    // Redraws so far: how often the plot was actually drawn.
    uint64_t DrawCount() const { return m_draws; }

signals:
    // Signals were added or removed; the owner keeps the choice.
    void ChosenChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double LiveNow() const;
    void AfterChosenChanged();
    void RebuildGraphs();
    void Draw(const PlotRange& range);
    // How long after the last draw the live plot is drawn again.
    int NextDrawMs() const;
    void OnRangeMoved(const QCPRange& range);
    // Follows the clock again, or shows the whole trace.
    void ShowDefaultRange();
    // Left and Right move the range by a tenth, Plus and Minus (Up and Down)
    // zoom by two, End shows the default range; false for other keys.
    bool MoveByKey(const QKeyEvent& key);
    void ShowContextMenu(const QPoint& at);
    void AskExportCsv();
    void AskExportPng();
    QString AskSavePath(const QString& title, const QString& filter, const QString& suffix);
    void UpdateControls();

    MessageBoxes& m_boxes;
    PlotModel m_model;
    const DbcDatabase* m_database = nullptr;
    std::function<double()> m_frameRate;
    std::shared_ptr<const Trace> m_trace;
    Clock::time_point m_origin;
    // The range shown while it does not follow the clock.
    std::optional<PlotRange> m_held;
    bool m_dirty = true;    // something other than the clock changed what to draw
    bool m_moving = false;  // the pane itself sets the axis range
    std::optional<double> m_cursor;
    std::vector<PlotPoint> m_points;                     // kept between draws
    std::unique_ptr<QVector<QCPGraphData>> m_graphData;  // kept between draws
    std::vector<QCPAxis*> m_axes;                        // value axis of each signal
    uint64_t m_draws = 0;
    double m_drawMs = 0.0;  // what a draw costs, smoothed
    QElapsedTimer m_sinceDraw;
    QString m_folder;

    QToolButton* m_pause;
    QDoubleSpinBox* m_window;
    QCheckBox* m_sharedY;
    QCustomPlot* m_plot;
    QCPItemStraightLine* m_cursorLine;
    QLabel* m_readout;
    QTimer m_timer;
};
