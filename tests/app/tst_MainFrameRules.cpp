// The main window's own rules: which commands are enabled as the lists and the
// log channels change, the configuration write's bytes on the wire, the about
// box, and where the window opens. Against a raw pseudo-terminal standing in
// for the converter, on an offscreen screen the size of a desktop's; settings
// live in a temporary XDG_CONFIG_HOME.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "rxlog/LogFiles.h"
#include "tests/common/TempProfile.h"
#include "tests/common/WindowSession.h"
#include "tests/link/PtyPair.h"

namespace {

constexpr int kTimeoutMs = 20000;

// The enabled state of the commands whose rules follow the lists and the log
// channels, one digit each: 32782 32783 32784 32785 32786 32790. A command
// whose action disagrees with IsCommandEnabled shows "?".
QString Enabled(const CMainFrame& frame)
{
    QString states;
    for (const int id : {kCmdClearReceivedData, kCmdReceivedDataLogStart, kCmdReceivedDataLogStop,
                         kCmdEventLogStart, kCmdEventLogStop, kCmdClearEventLog}) {
        const bool rule = frame.IsCommandEnabled(id);
        states += rule != frame.Action(id)->isEnabled() ? '?' : rule ? '1' : '0';
    }
    return states;
}

}  // namespace

class MainFrameRulesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    // Each change reaches the actions by itself, whoever makes it: the
    // converter, a command, or a log channel switching off on its own.
    void ClearAndLoggingCommandsFollowTheirState()
    {
        PtyPair converter;
        QVERIFY(converter.Ok());
        WindowSession s(QByteArray::fromStdString(converter.SlavePath()));
        CMainFrame& frame = s.Open();
        frame.show();

        struct Step {
            const char* what;
            std::function<void()> change;
            QString enabled;
        };
        const Step steps[] = {
            {"opened", [] {}, "010100"},
            {"banner in the event log", [&] { frame.FinishStartup(); }, "010101"},
            // Reception is switched on first, so that the new line alone is
            // what enables clearing.
            {"a frame received", [&] { converter.Send(":G01A8\r:U020123010240\r"); }, "110101"},
            {"received-data log started", [&] { frame.Execute(kCmdReceivedDataLogStart); },
             "101101"},
            {"event log started", [&] { frame.Execute(kCmdEventLogStart); }, "101011"},
            {"event log stopped by itself", [] { StopLogging(kEventLog); }, "101101"},
            {"received-data log stopped", [&] { frame.Execute(kCmdReceivedDataLogStop); },
             "110101"},
            {"received-data log fails to start",
             [&] {
                 SetLogPath(kReceivedDataLog, s.folder.filePath("none/r.txt").toStdString());
                 frame.Execute(kCmdReceivedDataLogStart);
             },
             "110101"},
            {"received data cleared", [&] { frame.Execute(kCmdClearReceivedData); }, "010101"},
            {"event log cleared", [&] { frame.Execute(kCmdClearEventLog); }, "010100"},
        };
        for (const Step& step : steps) {
            step.change();
            QTRY_VERIFY2_WITH_TIMEOUT(Enabled(frame) == step.enabled,
                                      qPrintable(QString("%1: %2").arg(step.what, Enabled(frame))),
                                      kTimeoutMs);
        }
        QCOMPARE(QString::fromStdString(converter.Drain()), QStringLiteral(":Y59\r"));
        StopLogging(kReceivedDataLog);
    }

    // The identifier fields' width on the wire follows the receive mode the
    // dialog gives: 8 digits whenever 29-bit identifiers are received, else 4.
    void ConfigurationWriteSendsIdentifiersInTheModesWidth()
    {
        {
            QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
            profile.setValue("Main Setting/CAN ID", 0x1ABCDEF0);
            profile.setValue("Main Setting/CAN Mask ID", 0x1FFFFFFF);
        }
        PtyPair converter;
        QVERIFY(converter.Ok());
        WindowSession s(QByteArray::fromStdString(converter.SlavePath()));
        CMainFrame& frame = s.Start();
        QCOMPARE(converter.Receive(5), std::string(":Y59\r"));

        // receive mode, ID type; the identifiers kept from row to row
        const std::tuple<int, int, std::string> rows[] = {
            {2, 1, ":Z5C010205051ABCDEF01FFFFFFF70\r"},  // "CAN2.0B Only"
            {0, 1, ":Z1C010205051ABCDEF01FFFFFFF6C\r"},  // both, "CAN2.0B"
            {0, 0, ":Z0C0102050506F007FF29\r"},          // both, "CAN2.0A"
            {1, 0, ":Z2C0102050506F007FF2B\r"},          // "CAN2.0A Only"
        };
        for (const auto& [mode, idType, written] : rows) {
            s.prompts.dialogScripts = {ConfirmDialog([mode, idType](QDialog& dialog) {
                dialog.findChild<QComboBox*>("rxMode")->setCurrentIndex(mode);
                dialog.findChild<QComboBox*>("idType")->setCurrentIndex(idType);
            })};
            frame.Execute(kCmdWriteConfig);
            QCOMPARE(QString::fromStdString(converter.Receive(written.size())),
                     QString::fromStdString(written));
        }
        QVERIFY(s.prompts.stops.isEmpty());
    }

    void AboutBoxShowsNameVersionAndOk()
    {
        WindowSession s;
        CMainFrame& frame = s.Open();
        QStringList shown;
        s.prompts.dialogScripts = {[&shown](QDialog& dialog) {
            const auto* icon = dialog.findChild<QLabel*>("icon");
            shown << dialog.windowTitle() << dialog.findChild<QLabel*>("version")->text()
                  << dialog.findChild<QPushButton*>("ok")->text()
                  << QString::number(!icon->pixmap().isNull());
            dialog.findChild<QPushButton*>("ok")->click();
            return dialog.result();
        }};
        frame.Execute(kCmdAbout);
        QCOMPARE(shown,
                 QStringList({"Talvox Analyzer 정보", "Talvox Analyzer 버전 1.0", "확인", "1"}));
    }

    void FirstStartTakesThreeQuartersOfTheScreenCentred()
    {
        WindowSession s;
        CMainFrame& frame = s.Open();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QRect available = frame.screen()->availableGeometry();
        QVERIFY2(available.width() * 3 / 4 > 800, "the screen is too small for this test");
        QCOMPARE(frame.size(), available.size() * 3 / 4);
        // Centred up to the window's frame, which the platform adds around it.
        const QPoint offCentre = frame.frameGeometry().center() - available.center();
        QVERIFY2(offCentre.manhattanLength() <= 16,
                 qPrintable(QString("off centre by %1,%2").arg(offCentre.x()).arg(offCentre.y())));
        QCOMPARE(frame.findChild<QSplitter*>("MainSplitter")->sizes().value(0),
                 CMainFrame::kLeftViewWidth);
    }

    void StoredPlacementWinsOverTheFirstStart()
    {
        WindowSession s;
        const QRect placed(40, 50, 900, 650);
        {
            CMainFrame& frame = s.Open();
            frame.setGeometry(placed);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.close();
        }
        CMainFrame& frame = s.Open();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.geometry(), placed);
    }

    void GrowingTheWindowWidensTheReceiveSideOnly()
    {
        WindowSession s;
        CMainFrame& frame = s.Open();
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto* splitter = frame.findChild<QSplitter*>("MainSplitter");
        const QList<int> before = splitter->sizes();
        QCOMPARE(before.value(0), CMainFrame::kLeftViewWidth);
        frame.resize(1400, 700);
        QTRY_COMPARE_WITH_TIMEOUT(splitter->sizes().value(1), before.value(1) + 400, kTimeoutMs);
        QCOMPARE(splitter->sizes().value(0), before.value(0));
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

// The offscreen platform's own screen is 800 x 600, the window's minimum; this
// one is a desktop's, so that the first-start size is the window's own choice.
int main(int argc, char** argv)
{
    QTemporaryDir dir;
    QFile config(dir.filePath("screens.json"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920,
                          "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") <
            0) {
        return 1;
    }
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
    QApplication app(argc, argv);
    MainFrameRulesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_MainFrameRules.moc"
