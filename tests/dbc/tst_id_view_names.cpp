// The by-identifier view in the main window names the rows of the messages
// of the loaded DBC files, and takes the column away when they are closed.
#include <QTemporaryDir>
#include <QtTest>

#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "dbc/ui/DbcHeaders.h"
#include "link/ConverterLink.h"
#include "rxlog/IdTable.h"
#include "rxlog/ui/CIdView.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/common/TempProfile.h"
#include "tests/dbc/DbcTestFiles.h"
#include "tests/sim/SimProcess.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitFile.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kTimeoutMs = 20000;

// Sends each identifier once through the transmit list; the simulator's
// loopback brings each back as a received frame.
void SendIds(CMainFrame& frame, const QDir& folder, const std::vector<uint32_t>& ids)
{
    CTDataObject list;
    for (const uint32_t id : ids) {
        list.AppendLoaded(std::make_unique<TDataEntry>(TDataEntry{nullptr, 1, 1, 1, 8, id, 0, 0}));
    }
    const QString path = folder.filePath(QStringLiteral("frames.ctd"));
    QVERIFY(WriteTransmitFile(path.toStdString(), list).ok());
    QVERIFY(frame.LeftView()->LoadTransmitFile(path));
    for (int i = 0; i < frame.LeftView()->RowCount(); ++i) {
        frame.LeftView()->setCurrentItem(frame.LeftView()->topLevelItem(i));
        frame.Execute(kCmdSendCanData);
    }
}

}  // namespace

class IdViewNamesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    void RowsOfLoadedMessagesShowTheirNames()
    {
        SimProcess sim({"--no-pace", "--no-traffic", "--loopback"});
        QVERIFY(!sim.Path().empty());
        qputenv("TALVOX_PORTS", QByteArray::fromStdString(sim.Path()));
        BuildPortNameList();
        QTemporaryDir files;
        const QDir folder(files.path());
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, files.path().toStdString(), prompts);
        frame.show();
        frame.FinishStartup();
        QVERIFY(link.IsOpen());
        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(link.receptionOn() != 0, kTimeoutMs);

        CIdView& view = *frame.IdView();
        SendIds(frame, folder, {0x123, 0x321});
        QTRY_COMPARE_WITH_TIMEOUT(view.ShownRowCount(), size_t{2}, kTimeoutMs);
        QVERIFY(!view.ShowsNames());
        QCOMPARE(view.AccessibleColumnCount(), kIdColumns);

        prompts.fileNames = {WriteTextFile(folder, "engine.dbc", kEngineDbc)};
        frame.Execute(kCmdOpenDbc);
        QVERIFY(view.ShowsNames());
        QCOMPARE(view.AccessibleColumnCount(), kIdColumns + 1);
        QCOMPARE(view.AccessibleColumnName(kIdColumns), QString::fromUtf8("메시지"));
        QCOMPARE(view.AccessibleText(0, kIdColumns), QStringLiteral("EngineData"));
        QCOMPARE(view.AccessibleText(1, kIdColumns), QString());
        QVERIFY(view.CopyText(0).endsWith("\tEngineData"));

        frame.Execute(kCmdCloseAllDbc);
        QVERIFY(!view.ShowsNames());
        QCOMPARE(view.AccessibleColumnCount(), kIdColumns);
        QVERIFY(!view.CopyText(-1).contains(QString::fromUtf8("메시지")));
    }

    // The files loaded again at start name the rows as well.
    void FilesRestoredAtStartNameTheRows()
    {
        qputenv("TALVOX_PORTS", "/nonexistent/ttyTALVOX");
        BuildPortNameList();
        QTemporaryDir files;
        const QString engine = WriteTextFile(QDir(files.path()), "engine.dbc", kEngineDbc);
        {
            CConverterLink link;
            ScriptedPrompts prompts;
            CMainFrame frame(link, files.path().toStdString(), prompts);
            QVERIFY(frame.LoadDbcFiles({engine}));
        }
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, files.path().toStdString(), prompts);
        QVERIFY(!frame.IdView()->ShowsNames());
        frame.FinishStartup();
        QVERIFY(frame.IdView()->ShowsNames());
        const uint8_t data[1] = {0};
        frame.IdView()->AddFrame(false, 0x010, false, 1, data, 1);
        QCOMPARE(frame.IdView()->AccessibleText(0, kIdColumns), QStringLiteral("Early"));
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(IdViewNamesTest)
#include "tst_id_view_names.moc"
