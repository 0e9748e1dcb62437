// The main window started with files named on the command line, against the
// converter simulator: transmit files open in the list as the open command
// opens them, the files it cannot open are named in red in the event log, and
// the openers other features register receive their files.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "canconfig/MainSetting.h"
#include "common/CommandIds.h"
#include "tests/common/TempProfile.h"
#include "tests/common/WindowSession.h"
#include "tests/sim/SimProcess.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kTimeoutMs = 20000;
const QString kErrorCaption = QString::fromUtf8("[파일 열기 에러]") + QString(12, ' ') + " : ";

// A transmit file of the given entries (25 bytes each) in the ".ctd" layout.
void WriteCtd(const QString& path, const QList<QByteArray>& entries)
{
    QByteArray bytes = QByteArray::fromHex("2a3f0000") + '\x0a' + "TDataArray";
    bytes += static_cast<char>(entries.size());
    bytes += '\0';
    for (const QByteArray& entry : entries) {
        bytes += entry;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// CAN2.0A data frame 0x123, "11 22"; CAN2.0B remote frame 0x123, no data.
const QByteArray kStandardEntry =
    QByteArray::fromHex("01000000010000000100000002230100000000221100000000");
const QByteArray kRemoteEntry =
    QByteArray::fromHex("00000000000000000100000000230100000000000000000000");

QStringList RowTexts(const CLeftView& view)
{
    QStringList rows;
    for (int i = 0; i < view.topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < CLeftView::kFrameColumnCount; ++c) {
            cells << view.topLevelItem(i)->text(c);
        }
        rows << cells.join('|');
    }
    return rows;
}

}  // namespace

class FileArgumentsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
        m_sim = std::make_unique<SimProcess>(std::vector<std::string>{"--no-pace", "--no-traffic"});
        QVERIFY(!m_sim->Path().empty());
    }

    void cleanup() { m_sim.reset(); }

    // Transmit files open in turn as the open command opens them, so the
    // last one that loads is the list; every other file is named in red.
    void TransmitFilesOpenAndTheOthersAreNamed()
    {
        WindowSession s(QByteArray::fromStdString(m_sim->Path()));
        const QTemporaryDir& files = s.folder;
        const QString first = files.filePath("first.ctd");
        WriteCtd(first, {kRemoteEntry});
        const QString second = files.filePath("second.CTD");
        WriteCtd(second, {kStandardEntry, kRemoteEntry});
        const QString broken = files.filePath("broken.ctd");
        WriteCtd(broken, {kStandardEntry.left(10)});
        const QString text = files.filePath("notes.txt");
        QFile(text).open(QIODevice::WriteOnly);
        const QString dbc = files.filePath("car.dbc");
        QFile dbcFile(dbc);
        QVERIFY(dbcFile.open(QIODevice::WriteOnly));
        dbcFile.write(
            "VERSION \"\"\nBU_: Car\nBO_ 291 Speed: 8 Car\n"
            " SG_ Kmh : 0|16@1+ (0.1,0) [0|300] \"km/h\" Car\n");
        dbcFile.close();
        QVERIFY(QDir(files.path()).mkdir("folder.ctd"));

        CMainFrame& frame = s.Start();
        QVERIFY(s.link.IsOpen());
        QVERIFY(!frame.IsCommandEnabled(kCmdCloseAllDbc));
        frame.OpenFiles({first, files.filePath("gone.ctd"), text, second, broken, dbc,
                         files.filePath("folder.ctd")});
        // A ".dbc" file loads as "DBC 파일 열기" would load it.
        QVERIFY(frame.IsCommandEnabled(kCmdCloseAllDbc));

        QCOMPARE(RowTexts(*frame.LeftView()), QStringList({"CAN2.0A|Data Frame|01 23|2|11 22",
                                                           "CAN2.0B|Remote Frame|00 00 01 23|0|"}));
        QCOMPARE(OpenUserProfile()->value("Main Setting/TData File Dir").toString(), files.path());
        // The file that does not load is told as the open command tells it.
        QCOMPARE(s.prompts.stops.size(), 2);
        QCOMPARE(s.prompts.stops.last(), QString::fromUtf8("송신 파일을 여는데 실패했읍니다"));
        const QString unknown =
            QString::fromUtf8(" 파일은 열 수 있는 종류가 아니어서 열지 않았읍니다");
        QCOMPARE(EventLines(frame, true),
                 QStringList({kErrorCaption + files.filePath("gone.ctd") + " 파일이 없읍니다",
                              kErrorCaption + text + unknown,
                              kErrorCaption + files.filePath("folder.ctd") +
                                  " 경로는 파일이 아니어서 열지 않았읍니다"}));
    }

    // Registered openers get their files with the whole path, a relative
    // one resolved against the folder the program started in.
    void RegisteredOpenersReceiveTheirFiles()
    {
        WindowSession s(QByteArray::fromStdString(m_sim->Path()));
        const QTemporaryDir& files = s.folder;
        for (const char* name : {"bus.asc", "candump.log", "list.ctd"}) {
            QFile(files.filePath(name)).open(QIODevice::WriteOnly);
        }
        QFile dbcFile(files.filePath("car.DBC"));
        QVERIFY(dbcFile.open(QIODevice::WriteOnly));
        dbcFile.write("VERSION \"\"\nBO_ 291 Speed: 8 Car\n");
        dbcFile.close();
        const QString started = QDir::currentPath();
        QVERIFY(QDir::setCurrent(files.path()));

        CMainFrame& frame = s.Start();
        QStringList dbcs, traces, lists;
        frame.SetFileOpener(FileKind::Dbc, [&](const QString& path) { dbcs << path; });
        frame.SetFileOpener(FileKind::Trace, [&](const QString& path) { traces << path; });
        frame.SetFileOpener(FileKind::Transmit, [&](const QString& path) { lists << path; });
        frame.OpenFiles({"car.DBC", files.filePath("bus.asc"), "./candump.log", "list.ctd"});
        // A removed opener gives its kind back to the program's own opening.
        frame.SetFileOpener(FileKind::Dbc, nullptr);
        QVERIFY(!frame.IsCommandEnabled(kCmdCloseAllDbc));
        frame.OpenFiles({"car.DBC"});
        QVERIFY(frame.IsCommandEnabled(kCmdCloseAllDbc));
        QVERIFY(QDir::setCurrent(started));

        QCOMPARE(dbcs, QStringList({files.filePath("car.DBC")}));
        QCOMPARE(traces, QStringList({files.filePath("bus.asc"), files.filePath("candump.log")}));
        QCOMPARE(lists, QStringList({files.filePath("list.ctd")}));
        QCOMPARE(EventLines(frame, true), QStringList());
    }

private:
    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<SimProcess> m_sim;
};

QTEST_MAIN(FileArgumentsTest)
#include "tst_FileArguments.moc"
