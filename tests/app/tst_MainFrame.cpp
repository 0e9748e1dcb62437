// The main window against the converter simulator: start-up reads the
// configuration into the settings, reception brings received lines, a closed
// window switches reception off and saves the settings.
#include <cstdlib>

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "common/ui/MessageBoxes.h"
#include "link/ConverterLink.h"
#include "common/CommandIds.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/sim/SimProcess.h"

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void StartUpReadsConfigurationAndReceptionBringsLines()
    {
        // Mode 0x0C (11-bit IDs) differs from the default 0x1C, so the
        // settings can only hold it after the converter's answer.
        SimProcess sim({"--no-pace", "--seed", "7"});
        QVERIFY(!sim.Path().empty());
        qputenv("TALVOX_PORTS", QByteArray::fromStdString(sim.Path()));
        BuildPortNameList();
        QCOMPARE(PortNameAt(0), sim.Path());

        QTemporaryDir logs;
        CConverterLink link;
        {
            CMainFrame frame(link, logs.path().toStdString());
            frame.show();
            frame.FinishStartup();
            QVERIFY(link.IsOpen());

            // Write a configuration through the link, as the configuration
            // dialog will, and see the answer land in the settings.
            link.WriteConfig(0, 0, 1, 1, 0, 0, 0x03020505, 0x123, 0);
            QTRY_COMPARE_WITH_TIMEOUT(frame.Setting().modeByte, uint8_t{0x0C}, 20000);
            QCOMPARE(frame.Setting().canBitTime, 0x03020505u);
            QCOMPARE(frame.Setting().canId, 0x123u);

            QVERIFY(frame.IsCommandEnabled(kCmdReceptionStart));
            QVERIFY(!frame.IsCommandEnabled(kCmdReceptionStop));
            frame.Execute(kCmdReceptionStart);
            auto* list = frame.findChild<CRDView*>()->List();
            QTRY_VERIFY_WITH_TIMEOUT(list->LineCount() > 0, 20000);
            QVERIFY(link.receptionOn() != 0);
            QVERIFY(frame.IsCommandEnabled(kCmdReceptionStop));

            frame.close();
            QVERIFY(!link.IsOpen());
        }

        QSettings saved(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
        saved.beginGroup("Main Setting");
        QCOMPARE(saved.value("CAN Bit Time").toUInt(), 0x03020505u);
    }

    void PortThatCannotOpenIsReportedPerCommand()
    {
        qputenv("TALVOX_PORTS", "/nonexistent/ttyTALVOX");
        BuildPortNameList();
        QTemporaryDir logs;
        CConverterLink link;
        ScriptedPrompts boxes;
        CMainFrame frame(link, logs.path().toStdString());
        frame.SetMessageBoxes(boxes);
        frame.show();
        frame.FinishStartup();
        frame.Execute(kCmdReceptionStart);
        const QString failure = QString::fromUtf8("지정한 시리얼 통신 포트를 여는데 실패했읍니다");
        QCOMPARE(boxes.stops, QStringList({failure, failure}));
        QVERIFY(!link.IsOpen());
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(MainFrameTest)
#include "tst_MainFrame.moc"
