// The main window as a user drives it, against the converter simulator or a
// raw pseudo-terminal: start-up, every accelerator, the enabling rules, the
// transmit list, periodic sending and the configuration write end to end,
// close, and what survives a restart. Settings live in a temporary XDG_CONFIG_HOME.
#include <csignal>

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include "app/CommandTable.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/StatusBar.h"
#include "common/CommandIds.h"
#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "link/LinkEvents.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/common/TempProfile.h"
#include "tests/common/WindowSession.h"
#include "tests/link/PtyPair.h"
#include "tests/sim/SimProcess.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kTimeoutMs = 20000;
const QString kPortFailed = QString::fromUtf8("지정한 시리얼 통신 포트를 여는데 실패했읍니다");

QString PaneText(const CMainFrame& frame, int pane)
{
    const auto* label = frame.statusBar()->findChild<QLabel*>(QStringLiteral("pane%1").arg(pane));
    return label->property("fullText").toString();
}

// Counts the transmit confirmations that reach the window.
class ConfirmationCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == WM_LINK_ACTIVITY &&
            static_cast<LinkActivityEvent*>(event)->Activity() == kActivityTransmitConfirmed) {
            ++count;
        }
        return false;
    }
    uint64_t count = 0;
};

// Records the commands that reach it, with everything enabled.
class RecordingFrame : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    void Execute(int commandId) override { executed.push_back(commandId); }
    bool IsCommandEnabled(int) const override { return true; }
    std::vector<int> executed;
};

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    // Start-up, transmit from the list, a configuration write, periodic sending
    // and a port change that fails, in one session against the simulator.
    void SessionAgainstTheSimulator()
    {
        SimProcess sim({"--no-pace", "--no-traffic", "--loopback"});
        QVERIFY(!sim.Path().empty());
        WindowSession s(QByteArray::fromStdString(sim.Path()) + ":/nonexistent/ttyTALVOX");
        CConverterLink& link = s.link;
        ScriptedPrompts& prompts = s.prompts;
        CMainFrame& frame = s.Open();
        ConfirmationCounter confirmed;
        frame.installEventFilter(&confirmed);
        frame.show();
        frame.FinishStartup("port enumeration failed");
        QVERIFY(link.IsOpen());
        QTRY_VERIFY_WITH_TIMEOUT(EventLines(frame).size() >= 3, kTimeoutMs);
        QCOMPARE(EventLines(frame)[0],
                 QString(45, '-') + "  Talvox Analyzer V1.0  " + QString(45, '-'));
        QCOMPARE(EventLines(frame)[1], QStringLiteral("port enumeration failed"));
        QVERIFY(EventLines(frame)[2].startsWith(QString::fromUtf8("[환경설정 읽기 응답]")));

        // Reception on, then a frame added to the list is sent with Ctrl+W
        // and comes back confirmed and received.
        QVERIFY(!frame.Action(kCmdReceptionStop)->isEnabled());
        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(link.receptionOn() != 0, kTimeoutMs);
        QVERIFY(frame.Action(kCmdReceptionStop)->isEnabled());
        QVERIFY(!frame.Action(kCmdReceptionStart)->isEnabled());

        prompts.dialogScripts = {ConfirmDialog()};
        frame.Execute(kCmdAddTransmitData);
        QVERIFY(!frame.Action(kCmdSendCanData)->isEnabled());
        CLeftView* view = frame.LeftView();
        view->setCurrentItem(view->topLevelItem(0));
        QVERIFY(frame.Action(kCmdSendCanData)->isEnabled());
        frame.activateWindow();
        QTest::keySequence(&frame, QKeySequence(QStringLiteral("Ctrl+W")));
        QTRY_COMPARE_WITH_TIMEOUT(frame.ReceivedDataView()->List()->LineCount(), 1, kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(confirmed.count, uint64_t{1}, kTimeoutMs);
        confirmed.count = 0;

        // A configuration write on the open port goes out without reopening it;
        // the panes follow, and the converter's answer switches reception off.
        const uint64_t session = link.Port().Session();
        prompts.dialogScripts = {ConfirmDialog([](QDialog& dialog) {
            dialog.findChild<QComboBox*>("rxMode")->setCurrentIndex(2);
            dialog.findChild<QComboBox*>("bps")->setCurrentIndex(4);
        })};
        frame.Execute(kCmdWriteConfig);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(frame, 61216), QStringLiteral("CAN: 125.00K BPS"),
                                  kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(link.receptionOn(), 0u, kTimeoutMs);
        QCOMPARE(EventLines(frame).last(),
                 QString::fromUtf8("[환경설정 쓰기 응답]         : CAN 데이터 수신 중지"));
        QCOMPARE(PaneText(frame, 61215), QStringLiteral("CAN2.0B Only"));
        QCOMPARE(PaneText(frame, 61217), QStringLiteral("ID:00000000"));
        QCOMPARE(link.Port().Session(), session);
        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(link.receptionOn() != 0, kTimeoutMs);

        // Periodic sending of the first row at 10 ms, until confirmations keep
        // coming; the dialog offers the period last used for the frame.
        PeriodicSender& periodic = view->Periodic();
        const auto runAt10Ms = [&](int offer) {
            if (view->RowCount() == 0) {
                prompts.dialogScripts = {ConfirmDialog()};
                frame.Execute(kCmdAddTransmitData);
            }
            view->setCurrentItem(view->topLevelItem(0));
            QVERIFY(!frame.Action(kCmdPeriodicStop)->isEnabled());
            prompts.dialogScripts = {ConfirmDialog([offer](QDialog& dialog) {
                auto* period = dialog.findChild<QSpinBox*>("period");
                QCOMPARE(period->value(), offer);
                period->setValue(10);
            })};
            frame.Execute(kCmdPeriodicStart);
            QCOMPARE(view->topLevelItem(0)->text(CLeftView::kPeriodColumn),
                     QStringLiteral("10 ms"));
            QVERIFY(frame.Action(kCmdPeriodicStop)->isEnabled());
            QVERIFY(!frame.Action(kCmdPeriodicStart)->isEnabled());
            const uint64_t before = confirmed.count;
            QTRY_VERIFY_WITH_TIMEOUT(confirmed.count >= before + 20, kTimeoutMs);
        };
        // Stopped: nothing runs, every frame sent is confirmed, and no more go out.
        const auto verifyStopped = [&] {
            QCOMPARE(periodic.RunningCount(), size_t{0});
            QTRY_COMPARE_WITH_TIMEOUT(confirmed.count, periodic.SentCount(), kTimeoutMs);
            QTest::qWait(50);
            QCOMPARE(confirmed.count, periodic.SentCount());
        };

        runAt10Ms(100);
        frame.Execute(kCmdPeriodicStop);
        QCOMPARE(view->topLevelItem(0)->text(CLeftView::kPeriodColumn), QString());
        verifyStopped();

        runAt10Ms(10);
        frame.Execute(kCmdDeleteTransmitData);
        verifyStopped();

        runAt10Ms(10);
        QVERIFY(sim.Stop(SIGTERM) != -1);
        QTRY_COMPARE_WITH_TIMEOUT(periodic.RunningCount(), size_t{0}, kTimeoutMs);
        QCOMPARE(view->topLevelItem(0)->text(CLeftView::kPeriodColumn), QString());
        QVERIFY(prompts.stops.isEmpty());

        // A port that cannot be opened: the message, and the settings unchanged.
        const MainSetting before = frame.Setting();
        prompts.dialogScripts = {ConfirmDialog([](QDialog& dialog) {
            dialog.findChild<QComboBox*>("port")->setCurrentIndex(1);
            dialog.findChild<QComboBox*>("bps")->setCurrentIndex(0);
        })};
        frame.Execute(kCmdWriteConfig);
        QCOMPARE(prompts.stops, QStringList{kPortFailed});
        QCOMPARE(frame.Setting(), before);
    }

    // A converter unplugged and plugged in again (here a terminal that hangs up,
    // and a new one at the same path): the next command reopens the port, says
    // it is back and reads the configuration first, so the status bar shows
    // the converter as it is now.
    void ReplugReadsTheConfigurationAgain()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ttyTALVOX");
        PtyPair first;
        PtyPair second;
        QVERIFY(first.Ok() && second.Ok());
        QVERIFY(QFile::link(QString::fromStdString(first.SlavePath()), path));
        WindowSession s(path.toUtf8());
        CMainFrame& frame = s.Start();
        QCOMPARE(first.Receive(5), std::string(":Y59\r"));
        first.Send(BuildFrame(":Y1C010205050000000000000000"));
        QTRY_COMPARE_WITH_TIMEOUT(EventLines(frame).size(), 2, kTimeoutMs);

        first.CloseMaster();
        const QString lost = QString::fromStdString(
            CaptionLine("[시리얼 통신 에러]", "시리얼 통신 포트와의 연결이 끊어졌읍니다"));
        QTRY_COMPARE_WITH_TIMEOUT(EventLines(frame).last(), lost, kTimeoutMs);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(QString::fromStdString(second.SlavePath()), path));

        frame.Execute(kCmdReadVersion);
        QCOMPARE(second.Receive(10), std::string(":Y59\r:V56\r"));
        QCOMPARE(EventLines(frame).mid(2),
                 QStringList(
                     {lost, QString::fromStdString(CaptionLine(
                                "[시리얼 통신 연결]", "시리얼 통신 포트와 다시 연결되었읍니다"))}));
        QCOMPARE(frame.EventLog()->Entry(3).textColour, kColourBlue);
        second.Send(BuildFrame(":Y40000002021234567800000FFF"));
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(frame, 61216), QStringLiteral("CAN: 1.00M BPS"),
                                  kTimeoutMs);
        QCOMPARE(PaneText(frame, 61215), QStringLiteral("CAN2.0B Only"));
        QVERIFY(s.prompts.stops.isEmpty());
    }

    void EveryAcceleratorReachesItsCommand()
    {
        WindowSession s;
        auto& frame = s.Open<RecordingFrame>();
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.UpdateCommandStates();
        for (const CommandInfo& command : CommandTable()) {
            if (command.shortcut.empty()) {
                continue;
            }
            frame.executed.clear();
            const QString keys = QString::fromUtf8(command.shortcut.data(),
                                                   static_cast<qsizetype>(command.shortcut.size()));
            QTest::keySequence(&frame, QKeySequence(keys));
            QCOMPARE(frame.executed, std::vector<int>{command.id});
        }
        // The tool bar holds the listed buttons, each with its icon, in the listed order.
        std::vector<int> buttons;
        for (const QAction* action : frame.ToolBar()->actions()) {
            buttons.push_back(action->isSeparator() ? 0 : action->data().toInt());
            QVERIFY(action->isSeparator() || !action->icon().isNull());
        }
        const std::vector<int> expected = {
            32788, 32789, 0, 32771, 32772, 32773, 32774, 32775, 32776, 0,     32778, 32779, 32780,
            32791, 32792, 0, 32783, 32784, 0,     32785, 32786, 0,     32797, 32798, 0,     57664};
        QCOMPARE(buttons, expected);
    }

    void CloseWithReceptionOnSwitchesItOffFirstAndFlushesTheLogs()
    {
        PtyPair converter;
        QVERIFY(converter.Ok());
        WindowSession s(QByteArray::fromStdString(converter.SlavePath()));
        CMainFrame& frame = s.Start();
        QCOMPARE(converter.Receive(5), std::string(":Y59\r"));
        frame.Execute(kCmdEventLogStart);
        QVERIFY(IsLogging(kEventLog));
        converter.Send(":G01A8\r");
        QTRY_VERIFY_WITH_TIMEOUT(s.link.receptionOn() != 0, kTimeoutMs);

        frame.close();
        QVERIFY(!s.link.IsOpen());
        QCOMPARE(converter.Receive(7), std::string(":G10A8\r"));
        // The reception answer's line was buffered; closing put it on disk.
        QFile log(QString::fromStdString(LogPath(kEventLog)));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(
            "CAN \xb5\xa5\xc0\xcc\xc5\xcd \xbc\xf6\xbd\xc5 \xbd\xc3\xc0\xdb"));
        StopLogging(kEventLog);
    }

    void LayoutSettingsAndLogPathsSurviveARestart()
    {
        WindowSession s;
        const QTemporaryDir& logs = s.folder;
        const QString eventPath = logs.filePath("events.txt");
        QFile(eventPath).open(QIODevice::WriteOnly);
        {
            QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
            profile.setValue("Main Setting/Event Log Path", eventPath);
        }
        {
            CMainFrame& frame = s.Open();
            QCOMPARE(QString::fromStdString(LogPath(kEventLog)), eventPath);
            QCOMPARE(QString::fromStdString(LogPath(kReceivedDataLog)),
                     logs.filePath("RDataLog.txt"));
            frame.resize(1000, 700);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.findChild<QSplitter*>("MainSplitter")->setSizes({300, 700});
            frame.LeftView()->setColumnWidth(2, 123);
            frame.Execute(kCmdToggleToolBar);
            frame.Execute(kCmdToggleStatusBar);
            frame.findChild<QDockWidget*>("EventLogPane")->hide();
            frame.close();
        }
        CMainFrame& frame = s.Open();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.size(), QSize(1000, 700));
        QCOMPARE(frame.findChild<QSplitter*>("MainSplitter")->sizes().value(0), 300);
        QCOMPARE(frame.LeftView()->columnWidth(2), 123);
        QVERIFY(frame.ToolBar()->isHidden());
        QVERIFY(frame.statusBar()->isHidden());
        QVERIFY(frame.findChild<QDockWidget*>("EventLogPane")->isHidden());
        QVERIFY(!frame.Action(kCmdToggleToolBar)->isChecked());
        // Lines written while the pane is hidden are kept for when it shows:
        // the banner, and why the port did not open.
        frame.FinishStartup();
        QCOMPARE(EventLines(frame).size(), 2);
        QCOMPARE(EventLines(frame)[1],
                 QString::fromUtf8("[시리얼 통신 에러]           : /nonexistent/ttyTALVOX 포트가 "
                                   "없읍니다: 어댑터가 빠졌거나 장치 이름이 바뀌었을 수 있읍니다"));
        QCOMPARE(s.prompts.stops, QStringList{kPortFailed});
    }

    void NarrowWindowKeepsTheMessagePaneInView()
    {
        QTemporaryDir dir;
        const QString port = dir.filePath("usb-Quorvane_Talvox_Converter_0123456789-if00-port0");
        QVERIFY(QFile::link("/dev/null", port));
        WindowSession s(port.toUtf8());
        CMainFrame& frame = s.Open();
        frame.resize(800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_VERIFY_WITH_TIMEOUT(!PaneText(frame, 61213).isEmpty(), kTimeoutMs);
        int panes = 0;
        for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
            if (label->objectName().startsWith("pane")) {
                panes += label->width();
            }
        }
        QVERIFY2(panes < 800 - 100, qPrintable(QString::number(panes)));
    }

    // The status bar tells while a receive view holds still.
    void PausedViewShowsInTheIdleMessage()
    {
        WindowSession s;
        CMainFrame& frame = s.Open();
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CRDataList* list = frame.findChild<CRDView*>()->List();
        CEventLogCtrl* log = frame.findChild<CEventLogCtrl*>();
        QStatusBar* bar = frame.statusBar();
        const QString ready = QString::fromUtf8("준비");
        const QString paused = QString::fromUtf8("자동 스크롤 멈춤");
        for (int i = 0; i < 100; ++i) {
            list->AddLine("line " + std::to_string(i));
            log->AddLine("event " + std::to_string(i));
        }
        QCOMPARE(bar->currentMessage(), ready);

        // Either view paused: the idle message says so, until both follow.
        list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(bar->currentMessage(), paused);
        log->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(bar->currentMessage(), paused);
        // A prompt stands over it; withdrawn, the idle message comes back.
        bar->showMessage("tip");
        bar->clearMessage();
        QCOMPARE(bar->currentMessage(), paused);
        QTest::keyClick(log, Qt::Key_End);
        QCOMPARE(bar->currentMessage(), ready);
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(MainFrameTest)
#include "tst_MainFrame.moc"
