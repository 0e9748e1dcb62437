// The signal plot in the main window, against the converter simulator: the
// view menu's toggle, signals sent from the signal pane and the frame rate
// from the statistics pane, frames received reaching the plot, the choice
// kept for the next start, and an opened trace. Settings live in a temporary
// XDG_CONFIG_HOME.
#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QtTest>

#include "busstats/ui/CBusStatsPane.h"
#include "common/CommandIds.h"
#include "dbc/ui/CSignalView.h"
#include "plot/PlotSettings.h"
#include "plot/ui/CSignalPlotPane.h"
#include "tests/common/SimWindow.h"
#include "tests/common/TempProfile.h"
#include "tests/dbc/DbcTestFiles.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitFile.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kTimeoutMs = 20000;

// Sends EngineData (speed 2500 rpm, gear 2) once through the transmit list;
// the simulator's loopback brings it back as a received frame.
void SendEngineData(CMainFrame& frame, const QDir& folder)
{
    CTDataObject list;
    list.AppendLoaded(
        std::make_unique<TDataEntry>(TDataEntry{nullptr, 1, 1, 1, 8, 0x123, 0x271002FA, 0}));
    const QString path = folder.filePath(QStringLiteral("frames.ctd"));
    QVERIFY(WriteTransmitFile(path.toStdString(), list).ok());
    QVERIFY(frame.LeftView()->LoadTransmitFile(path));
    frame.LeftView()->setCurrentItem(frame.LeftView()->topLevelItem(0));
    frame.Execute(kCmdSendCanData);
}

QStringList PlottedKeys(const CSignalPlotPane& pane)
{
    QStringList keys;
    for (const PlotSignalKey& key : pane.Settings().chosen) {
        keys << QString::fromStdString(PlotKeyText(key));
    }
    return keys;
}

}  // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    void SignalsFromThePanesPlottedLiveAndKept()
    {
        SimWindow session({"--no-pace", "--no-traffic", "--loopback"});
        QVERIFY(!session.Path().empty());
        const QDir folder(session.folder.path());
        const QString dbc = WriteTextFile(folder, "engine.dbc", kEngineDbc);
        {
            CMainFrame& frame = session.Start();
            QVERIFY(session.link.IsOpen());

            // The view menu's last item, hidden at first.
            QAction* toggle = frame.PlotDock()->toggleViewAction();
            QCOMPARE(toggle->data().toInt(), kCmdSignalPlot);
            QCOMPARE(toggle->text(), QString::fromUtf8("신호 그래프(&G)"));
            QCOMPARE(frame.menuBar()->actions().at(4)->menu()->actions().constLast(), toggle);
            QVERIFY(!frame.PlotDock()->isVisible());

            QVERIFY(frame.LoadDbcFiles({dbc}));
            frame.Execute(kCmdReceptionStart);
            QTRY_VERIFY_WITH_TIMEOUT(session.link.receptionOn() != 0, kTimeoutMs);
            SendEngineData(frame, folder);
            CSignalView* view = frame.SignalView();
            QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 1, kTimeoutMs);
            const QModelIndex message = view->model()->index(0, 0);
            view->expand(message);
            QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(message), 3, kTimeoutMs);

            // A signal line stands for itself; a message row for its signals.
            QCOMPARE(view->PlotKeysAt(view->model()->index(0, 0, message)),
                     QStringList{"0x123/EngineSpeed"});
            QCOMPARE(view->PlotKeysAt(message),
                     (QStringList{"0x123/EngineSpeed", "0x123/Gear", "0x123/Temp"}));
            emit view->PlotRequested(view->PlotKeysAt(view->model()->index(0, 0, message)));
            QVERIFY(frame.PlotDock()->isVisible());
            emit frame.BusStatsPane()->FrameRatePlotRequested();
            CSignalPlotPane& pane = *frame.PlotPane();
            QCOMPARE(PlottedKeys(pane), (QStringList{"0x123/EngineSpeed", "bus/frames"}));

            // Received frames reach the plot; the frame rate is sampled.
            SendEngineData(frame, folder);
            QTRY_VERIFY_WITH_TIMEOUT(!pane.Model().Signal(0).series.Empty(), kTimeoutMs);
            QCOMPARE(pane.Model().Signal(0).series.Back().v, 2500.0);
            QTRY_VERIFY_WITH_TIMEOUT(!pane.Model().Signal(1).series.Empty(), kTimeoutMs);

            // Kept as soon as chosen.
            QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
            QCOMPARE(profile.value("DBC/PlotSignals").toStringList(),
                     (QStringList{"0x123/EngineSpeed", "bus/frames"}));
            pane.SetWindowSeconds(30.0);
            frame.close();
        }
        // The next start plots them again, after the DBC files load.
        CMainFrame& frame = session.Start();
        QCOMPARE(PlottedKeys(*frame.PlotPane()), (QStringList{"0x123/EngineSpeed", "bus/frames"}));
        QCOMPARE(frame.PlotPane()->WindowSeconds(), 30.0);
    }

    // An opened trace shows in the plot against its own time.
    void OpenedTrace()
    {
        WindowSession session;
        const QDir folder(session.folder.path());
        const QString dbc = WriteTextFile(folder, "engine.dbc", kEngineDbc);
        const QString trace = WriteTextFile(folder, "bus.log",
                                            "(1700000000.000000) can0 123#2710020000000000\n"
                                            "(1700000000.500000) can0 123#1F40010000000000\n");
        CMainFrame& frame = session.Open();
        QVERIFY(frame.LoadDbcFiles({dbc}));
        QVERIFY(frame.PlotPane()->AddSignal(PlotSignalKey{0x123, false, "EngineSpeed"}));
        QVERIFY(frame.OpenTraceFile(trace));
        const CSignalPlotPane& pane = *frame.PlotPane();
        QVERIFY(pane.ShowsTrace());
        const SignalSeries& series = pane.Model().Signal(0).series;
        QCOMPARE(series.Size(), size_t{2});
        QCOMPARE(series.At(0), (PlotPoint{0.0, 2500.0}));
        QCOMPARE(series.At(1), (PlotPoint{0.5, 2000.0}));
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(PlotWindowTest)
#include "tst_plot_window.moc"
