// The bus-statistics pane in the main window: its place in the view menu and
// in the stored layout, and its figures against the converter simulator.
// Settings live in a temporary XDG_CONFIG_HOME.
#include <csignal>
#include <fstream>

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "busstats/ui/CBusStatsPane.h"
#include "common/CommandIds.h"
#include "link/ConverterLink.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/sim/SimProcess.h"

namespace {

constexpr int kTimeoutMs = 20000;
using Clock = CBusStatsPane::Clock;

void UsePorts(const QByteArray& ports)
{
    qputenv("TALVOX_PORTS", ports);
    BuildPortNameList();
}

QDockWidget* StatsDock(const CMainFrame& frame)
{
    return frame.findChild<QDockWidget*>(QStringLiteral("BusStatsPane"));
}

QMenu* ViewMenu(const CMainFrame& frame)
{
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == QString::fromUtf8("보기(&V)")) {
            return action->menu();
        }
    }
    return nullptr;
}

// Times (CLOCK_MONOTONIC, as the steady clock) of the frames of the letter in
// the simulator's send log.
std::vector<Clock::time_point> SentTimes(const QString& path, char letter)
{
    std::vector<Clock::time_point> times;
    std::ifstream file(path.toStdString());
    char sent = 0;
    long long ns = 0;
    while (file >> sent >> ns) {
        if (sent == letter) {
            times.emplace_back(std::chrono::nanoseconds(ns));
        }
    }
    return times;
}

}  // namespace

class BusStatsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    }

    // Hidden at first start, shown and hidden from the view menu next to the
    // event-log pane, and kept so over a restart; a layout stored before the
    // pane existed still restores.
    void ViewMenuTogglesThePaneAndTheLayoutKeepsIt()
    {
        UsePorts("/nonexistent/ttyTALVOX");
        {
            // The layout of a window with the event-log pane only, hidden.
            QMainWindow older;
            auto* toolBar = older.addToolBar(QStringLiteral("ToolBar"));
            toolBar->setObjectName(QStringLiteral("ToolBar"));
            auto* events = new QDockWidget(&older);
            events->setObjectName(QStringLiteral("EventLogPane"));
            older.addDockWidget(Qt::BottomDockWidgetArea, events);
            events->hide();
            QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
            profile.setValue("Main PaneLayout", older.saveState());
        }
        QTemporaryDir logs;
        CConverterLink link;
        ScriptedPrompts prompts;
        {
            CMainFrame frame(link, logs.path().toStdString(), prompts);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QVERIFY(frame.findChild<QDockWidget*>("EventLogPane")->isHidden());
            QVERIFY(StatsDock(frame)->isHidden());
            QVERIFY(!frame.BusStatsPane()->IsRefreshing());

            QMenu* view = ViewMenu(frame);
            QVERIFY(view != nullptr);
            // Right after the event-log pane's toggle.
            const QList<QAction*> items = view->actions();
            const qsizetype at =
                items.indexOf(frame.findChild<QDockWidget*>("EventLogPane")->toggleViewAction());
            QVERIFY(at >= 0 && at + 1 < items.size());
            QAction* toggle = items[at + 1];
            QCOMPARE(toggle->data().toInt(), kCmdBusStats);
            QCOMPARE(toggle->text(), QString::fromUtf8("버스 통계(&B)"));
            QVERIFY(!toggle->isChecked());
            toggle->trigger();
            QVERIFY(StatsDock(frame)->isVisible());
            QVERIFY(toggle->isChecked());
            QVERIFY(frame.BusStatsPane()->IsRefreshing());
            frame.close();
        }
        CMainFrame frame(link, logs.path().toStdString(), prompts);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(StatsDock(frame)->isVisible());
        QVERIFY(frame.findChild<QDockWidget*>("EventLogPane")->isHidden());
    }

    // With the simulator's occasional error reports: frames a second above
    // zero, error reports counted as they come, and the received-data clear
    // empties the statistics too.
    void ErrorReportsAndFramesReachThePane()
    {
        SimProcess sim({"--errors", "--seed", "7"});
        QVERIFY(!sim.Path().empty());
        UsePorts(QByteArray::fromStdString(sim.Path()));
        QTemporaryDir logs;
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, logs.path().toStdString(), prompts);
        frame.show();
        frame.FinishStartup();
        StatsDock(frame)->show();
        CBusStatsPane& pane = *frame.BusStatsPane();
        const auto busOffs = [&pane] {
            return pane.Shown().errors[static_cast<size_t>(BusErrorKind::kBusOff)].count;
        };
        // The converter's mode byte reports Bus-Off only; after one (and its
        // automatic reset) reception is off until switched on again.
        for (uint64_t wanted = 1; wanted <= 2; ++wanted) {
            QTRY_VERIFY_WITH_TIMEOUT(link.receptionOn() == 0, kTimeoutMs);
            frame.Execute(kCmdReceptionStart);
            QTRY_VERIFY_WITH_TIMEOUT(busOffs() >= wanted, kTimeoutMs);
        }
        QVERIFY(pane.Shown().totalFrames > 0);
        QVERIFY(pane.Stats().Identifiers().RowCount() > 0);
        QCOMPARE(pane.Shown().errors[static_cast<size_t>(BusErrorKind::kWarning)].count,
                 uint64_t{0});

        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(pane.Shown().framesPerSecond > 0, kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(frame.Action(kCmdClearReceivedData)->isEnabled(), kTimeoutMs);
        frame.Execute(kCmdClearReceivedData);
        QCOMPARE(pane.Shown().totalFrames, uint64_t{0});
        QCOMPARE(busOffs(), uint64_t{0});
        QCOMPARE(pane.Stats().Identifiers().RowCount(), size_t{0});
    }

    // A flood of empty 11-bit frames (47 bus bits, 11 characters each) at
    // 115200 bit/s: the bus load the pane shows is the simulator's frame rate
    // times 47 bits over 250 kbit/s to within 2 %, and the line load its
    // characters over 11,520 a second (near full: in the warning colour).
    void BusLoadOfAFloodMatchesTheSimulatorsRate()
    {
        QTemporaryDir dir;
        const QString sendLog = dir.filePath("sent.txt");
        SimProcess sim({"--flood-empty", "--baud", "115200", "--send-log", sendLog.toStdString()});
        QVERIFY(!sim.Path().empty());
        UsePorts(QByteArray::fromStdString(sim.Path()));
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, dir.path().toStdString(), prompts);
        frame.show();
        frame.FinishStartup();
        StatsDock(frame)->show();
        CBusStatsPane& pane = *frame.BusStatsPane();
        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(link.receptionOn() != 0, kTimeoutMs);

        // Once the window is full, the figures of a dozen refreshes.
        QTRY_VERIFY_WITH_TIMEOUT(pane.Shown().totalFrames > 2000, kTimeoutMs);
        std::vector<std::pair<BusSnapshot, Clock::time_point>> shown;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                if (shown.empty() || pane.ShownAt() != shown.back().second) {
                    shown.emplace_back(pane.Shown(), pane.ShownAt());
                }
                return shown.size() >= 12;
            }(),
            kTimeoutMs);
        QVERIFY(sim.Stop(SIGTERM) != -1);

        // Each figure covers the ten 100 ms buckets before the one it was
        // sampled in; the simulator's log says how many frames it wrote in
        // each such second, whatever pace a loaded machine let it keep.
        const std::vector<Clock::time_point> sent = SentTimes(sendLog, 'U');
        double sentFrames = 0;
        double shownFrames = 0;
        double shownBusLoad = 0;
        double shownLineLoad = 0;
        for (const auto& [snapshot, at] : shown) {
            const Clock::time_point end{
                std::chrono::floor<std::chrono::milliseconds>(at.time_since_epoch()) / 100 * 100};
            const Clock::time_point begin = end - std::chrono::seconds(1);
            sentFrames += static_cast<double>(
                std::count_if(sent.begin(), sent.end(),
                              [&](Clock::time_point t) { return t >= begin && t < end; }));
            shownFrames += snapshot.framesPerSecond;
            shownBusLoad += snapshot.busLoadPercent;
            shownLineLoad += snapshot.lineLoadPercent;
        }
        const double expectedBusLoad = 100.0 * sentFrames * 47 / 250000;
        const double expectedLineLoad = 100.0 * sentFrames * 11 / 11520;
        const QString figures = QStringLiteral(
                                    "%1 frames shown, %2 sent; mean bus load %3 %, "
                                    "expected %4 %; line load %5 %, expected %6 %")
                                    .arg(shownFrames)
                                    .arg(sentFrames)
                                    .arg(shownBusLoad / 12)
                                    .arg(expectedBusLoad / 12)
                                    .arg(shownLineLoad / 12)
                                    .arg(expectedLineLoad / 12);
        QVERIFY2(std::abs(shownBusLoad - expectedBusLoad) <= 0.02 * expectedBusLoad,
                 qPrintable(figures));
        QVERIFY2(std::abs(shownLineLoad - expectedLineLoad) <= 0.02 * expectedLineLoad,
                 qPrintable(figures));
        const QColor lineColour = pane.findChild<QLabel*>(QStringLiteral("lineLoad"))
                                      ->palette()
                                      .color(QPalette::WindowText);
        QCOMPARE(lineColour == QColor(Qt::red), shown.back().first.lineNearlyFull);
    }

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

QTEST_MAIN(BusStatsWindowTest)
#include "tst_bus_stats_window.moc"
