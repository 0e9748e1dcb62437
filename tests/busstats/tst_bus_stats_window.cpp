// The bus-statistics pane in the main window: its toggle, the stored layout,
// and its figures against the converter simulator. Settings live in a
// temporary XDG_CONFIG_HOME.
#include <csignal>
#include <fstream>

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "busstats/ui/CBusStatsPane.h"
#include "common/CommandIds.h"
#include "tests/common/SimWindow.h"
#include "tests/common/TempProfile.h"

namespace {

constexpr int kTimeoutMs = 20000;
using Clock = CBusStatsPane::Clock;

QDockWidget* Dock(const CMainFrame& frame, const char* name)
{
    return frame.findChild<QDockWidget*>(QString::fromLatin1(name));
}

// A window against a simulator started with args, the pane shown.
struct Session : SimWindow {
    explicit Session(const std::vector<std::string>& args)
        : SimWindow(args), pane(*Start().BusStatsPane())
    {
        Dock(*frame, "BusStatsPane")->show();
    }
    CBusStatsPane& pane;
};

}  // namespace

class BusStatsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_profile = std::make_unique<TempProfile>(); }

    // Hidden when the stored layout (here one from before the pane existed)
    // does not name it, toggled beside the event-log pane, kept on restart.
    void ViewMenuTogglesThePaneAndTheLayoutKeepsIt()
    {
        WindowSession s;
        {
            QMainWindow older;
            auto* events = new QDockWidget(&older);
            events->setObjectName(QStringLiteral("EventLogPane"));
            older.addDockWidget(Qt::BottomDockWidgetArea, events);
            events->hide();
            QSettings(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox")
                .setValue("Main PaneLayout", older.saveState());
        }
        for (const bool first : {true, false}) {
            CMainFrame& frame = s.Open();
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QVERIFY(Dock(frame, "EventLogPane")->isHidden());
            QCOMPARE(Dock(frame, "BusStatsPane")->isHidden(), first);
            QCOMPARE(frame.BusStatsPane()->IsRefreshing(), !first);
            if (first) {
                QAction* events = Dock(frame, "EventLogPane")->toggleViewAction();
                const QList<QAction*> items =
                    qobject_cast<QMenu*>(events->associatedObjects().value(0))->actions();
                QAction* toggle = items.value(items.indexOf(events) + 1);
                QCOMPARE(toggle->data().toInt(), kCmdBusStats);
                QCOMPARE(toggle->text(), QString::fromUtf8("버스 통계(&B)"));
                toggle->trigger();
                QVERIFY(frame.BusStatsPane()->IsRefreshing());
                frame.close();
            }
        }
    }

    // The converter's mode byte reports Bus-Off only; after each one (and its
    // automatic reset) reception is off until switched on again. The
    // received-data clear empties the statistics too.
    void ErrorReportsAndFramesReachThePane()
    {
        Session s({"--errors", "--seed", "7"});
        const auto busOffs = [&s] {
            return s.pane.Shown().errors[static_cast<size_t>(BusErrorKind::kBusOff)].count;
        };
        for (uint64_t wanted = 1; wanted <= 2; ++wanted) {
            QTRY_VERIFY_WITH_TIMEOUT(s.link.receptionOn() == 0, kTimeoutMs);
            s.frame->Execute(kCmdReceptionStart);
            QTRY_VERIFY_WITH_TIMEOUT(busOffs() >= wanted, kTimeoutMs);
        }
        s.frame->Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(s.pane.Shown().framesPerSecond > 0, kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(s.frame->Action(kCmdClearReceivedData)->isEnabled(), kTimeoutMs);
        s.frame->Execute(kCmdClearReceivedData);
        QCOMPARE(busOffs(), uint64_t{0});
        QCOMPARE(s.pane.Stats().Identifiers().RowCount(), size_t{0});
    }

    // Empty 11-bit frames (47 bus bits, 11 characters) back to back at
    // 115200 bit/s: over a dozen refreshes, the bus load shown is within 2 %
    // of what the simulator's send log gives for the same seconds at 250
    // kbit/s, the line load within 2 % of its characters over 11,520 a second.
    void BusLoadOfAFloodMatchesTheSimulatorsSendLog()
    {
        QTemporaryDir dir;
        const std::string sendLog = dir.filePath("sent.txt").toStdString();
        Session s({"--flood-empty", "--baud", "115200", "--send-log", sendLog});
        s.frame->Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(s.pane.Shown().totalFrames > 2000, kTimeoutMs);
        std::vector<std::pair<BusSnapshot, Clock::time_point>> shown;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                if (shown.empty() || s.pane.ShownAt() != shown.back().second) {
                    shown.emplace_back(s.pane.Shown(), s.pane.ShownAt());
                }
                return shown.size() >= 12;
            }(),
            kTimeoutMs);
        QVERIFY(s.Stop(SIGTERM) != -1);

        // Lines "U <write ns> <line ns>", CLOCK_MONOTONIC (the steady clock's
        // time); the bus load counts the frames as they were written.
        std::vector<Clock::time_point> sent;
        std::ifstream file(sendLog);
        char letter = 0;
        long long ns = 0;
        long long onLine = 0;
        while (file >> letter >> ns >> onLine) {
            if (letter == 'U') {
                sent.emplace_back(std::chrono::nanoseconds(ns));
            }
        }
        // Each figure covers the ten 100 ms buckets before the one it was sampled in.
        double sentFrames = 0;
        double busLoad = 0;
        double lineLoad = 0;
        for (const auto& [snapshot, at] : shown) {
            const Clock::time_point end{
                std::chrono::floor<std::chrono::milliseconds>(at.time_since_epoch()) / 100 * 100};
            sentFrames += static_cast<double>(std::count_if(sent.begin(), sent.end(), [&](auto t) {
                return t >= end - std::chrono::seconds(1) && t < end;
            }));
            busLoad += snapshot.busLoadPercent;
            lineLoad += snapshot.lineLoadPercent;
        }
        const double expectedBusLoad = 100.0 * sentFrames * 47 / 250000;
        const double expectedLineLoad = 100.0 * sentFrames * 11 / 11520;
        const QString figures = QStringLiteral("bus %1 / %2, line %3 / %4")
                                    .arg(busLoad)
                                    .arg(expectedBusLoad)
                                    .arg(lineLoad)
                                    .arg(expectedLineLoad);
        QVERIFY2(std::abs(busLoad - expectedBusLoad) <= 0.02 * expectedBusLoad,
                 qPrintable(figures));
        QVERIFY2(std::abs(lineLoad - expectedLineLoad) <= 0.02 * expectedLineLoad,
                 qPrintable(figures));
        const QColor colour =
            s.pane.findChild<QLabel*>("lineLoad")->palette().color(QPalette::WindowText);
        QCOMPARE(colour == QColor(Qt::red), shown.back().first.lineNearlyFull);
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(BusStatsWindowTest)
#include "tst_bus_stats_window.moc"
