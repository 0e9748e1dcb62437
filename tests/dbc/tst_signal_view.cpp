// The DBC feature in the main window, against the converter simulator: the
// two file commands, frames sent back by the simulator decoded in the signal
// pane and named in the by-identifier view, refused files, and the list
// loaded again at the next start. Settings live in a temporary XDG_CONFIG_HOME.
#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "dbc/DbcSettings.h"
#include "dbc/ui/CSignalView.h"
#include "dbc/ui/DbcHeaders.h"
#include "rxlog/EventLine.h"
#include "rxlog/IdTable.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "tests/common/SimWindow.h"
#include "tests/common/TempProfile.h"
#include "tests/dbc/DbcTestFiles.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitFile.h"
#include "txlist/ui/CLeftView.h"

namespace {

constexpr int kTimeoutMs = 20000;

QString Cell(const QAbstractItemModel& model, int row, int column, const QModelIndex& parent = {})
{
    return model.index(row, column, parent).data().toString();
}

// The texts of one column of a message's signal lines.
QStringList LineTexts(const QAbstractItemModel& model, int message, int column)
{
    QStringList texts;
    const QModelIndex parent = model.index(message, 0);
    for (int i = 0; i < model.rowCount(parent); ++i) {
        texts << Cell(model, i, column, parent);
    }
    return texts;
}

// Sends each entry once through the transmit list; with the simulator's
// loopback each comes back as a received frame.
void SendEntries(CMainFrame& frame, const QDir& folder,
                 const std::vector<std::pair<uint32_t, uint32_t>>& idAndHigh)
{
    CTDataObject list;
    for (const auto& [id, high] : idAndHigh) {
        auto entry = std::make_unique<TDataEntry>(TDataEntry{nullptr, 1, 1, 1, 8, id, high, 0});
        list.AppendLoaded(std::move(entry));
    }
    const QString path = folder.filePath(QStringLiteral("frames.ctd"));
    QVERIFY(WriteTransmitFile(path.toStdString(), list).ok());
    QVERIFY(frame.LeftView()->LoadTransmitFile(path));
    for (int i = 0; i < frame.LeftView()->RowCount(); ++i) {
        frame.LeftView()->setCurrentItem(frame.LeftView()->topLevelItem(i));
        frame.Execute(kCmdSendCanData);
    }
}

// Starts the window as the program does and switches reception on.
bool StartReceiving(SimWindow& s)
{
    s.Start().Execute(kCmdReceptionStart);
    return s.link.IsOpen() &&
           QTest::qWaitFor([&s] { return s.link.receptionOn() != 0; }, kTimeoutMs);
}

}  // namespace

class SignalViewTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    // Frames come back from the simulator and are decoded at display rate;
    // a multiplexed message changes its lines with its multiplexer, and open
    // rows stay open.
    void ReceivedFramesShowTheirSignals()
    {
        SimWindow s({"--no-pace", "--no-traffic", "--loopback"});
        const QDir folder(s.folder.path());
        QVERIFY(StartReceiving(s));
        CMainFrame& frame = *s.frame;

        // Through the command, as a user opens it.
        s.prompts.fileNames = {WriteTextFile(folder, "engine.dbc", kEngineDbc)};
        frame.Execute(kCmdOpenDbc);
        QCOMPARE(s.prompts.fileRequests.back().filter, QString::fromUtf8("DBC 파일 (*.dbc)"));
        QCOMPARE(frame.Dbc().Paths().size(), size_t{1});
        QVERIFY(frame.SignalPane()->isVisible());
        QVERIFY(frame.Action(kCmdCloseAllDbc)->isEnabled());

        CSignalView* view = frame.SignalView();
        const QAbstractItemModel& model = *view->model();
        SendEntries(frame, folder, {{0x123, 0x271002FA}, {0x200, 0x01640000}, {0x321, 0}});
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 2, kTimeoutMs);
        QCOMPARE(Cell(model, 0, CSignalView::kNameColumn), QStringLiteral("EngineData"));
        QCOMPARE(Cell(model, 0, CSignalView::kIdColumn), QStringLiteral("123"));
        QCOMPARE(Cell(model, 0, CSignalView::kCountColumn), QStringLiteral("1"));
        QCOMPARE(Cell(model, 0, CSignalView::kPeriodColumn), QStringLiteral("-"));
        QCOMPARE(Cell(model, 0, CSignalView::kCycleColumn), QStringLiteral("100"));
        QCOMPARE(Cell(model, 1, CSignalView::kNameColumn), QStringLiteral("Mux"));

        view->expand(model.index(0, 0));
        view->expand(model.index(1, 0));
        QTRY_COMPARE_WITH_TIMEOUT(LineTexts(model, 0, CSignalView::kValueColumn),
                                  (QStringList{"2500.00 rpm", "2 (Drive)", "210 degC"}),
                                  kTimeoutMs);
        QCOMPARE(LineTexts(model, 0, CSignalView::kNameColumn),
                 (QStringList{"EngineSpeed", "Gear", "Temp"}));
        QCOMPARE(LineTexts(model, 0, CSignalView::kRawColumn),
                 (QStringList{"0x2710", "0x2", "0xFA"}));
        QCOMPARE(LineTexts(model, 0, CSignalView::kRangeColumn),
                 (QStringList{"", "", QString::fromUtf8("범위 초과")}));
        QCOMPARE(model.index(2, CSignalView::kValueColumn, model.index(0, 0))
                     .data(Qt::ForegroundRole)
                     .value<QBrush>()
                     .color(),
                 QColor(0xC0, 0x00, 0x00));
        QCOMPARE(LineTexts(model, 1, CSignalView::kNameColumn), (QStringList{"Mode", "Pressure"}));
        QCOMPARE(LineTexts(model, 1, CSignalView::kValueColumn), (QStringList{"1", "50.0 kPa"}));

        // The other multiplexer value, and the speed changed: lines follow,
        // the counts grow, and both rows stay open.
        SendEntries(frame, folder, {{0x123, 0x1F4002FA}, {0x200, 0x02280000}});
        QTRY_COMPARE_WITH_TIMEOUT(LineTexts(model, 1, CSignalView::kNameColumn),
                                  (QStringList{"Mode", "Level"}), kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(LineTexts(model, 1, CSignalView::kValueColumn),
                                  (QStringList{"2", "40 %"}), kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(Cell(model, 0, CSignalView::kCountColumn), QStringLiteral("2"),
                                  kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(LineTexts(model, 0, CSignalView::kValueColumn).value(0),
                                  QStringLiteral("2000.00 rpm"), kTimeoutMs);
        QVERIFY(Cell(model, 0, CSignalView::kPeriodColumn) != QStringLiteral("-"));
        QVERIFY(view->isExpanded(model.index(0, 0)));
        QVERIFY(view->isExpanded(model.index(1, 0)));

        // A message that comes before the others: the current line still
        // belongs to its message.
        view->setCurrentIndex(model.index(1, CSignalView::kNameColumn, model.index(1, 0)));
        SendEntries(frame, folder, {{0x010, 0}});
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 3, kTimeoutMs);
        QCOMPARE(Cell(model, 0, CSignalView::kNameColumn), QStringLiteral("Early"));
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("Level"));
        QCOMPARE(view->currentIndex().parent().row(), 2);
        QVERIFY(view->isExpanded(model.index(2, 0)));

        // Clearing the received data clears the pane; closing every file
        // empties it and is kept for the next start.
        frame.Execute(kCmdClearReceivedData);
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 0, kTimeoutMs);
        frame.Execute(kCmdCloseAllDbc);
        QVERIFY(frame.Dbc().Paths().empty());
        QVERIFY(!frame.Action(kCmdCloseAllDbc)->isEnabled());
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
        QVERIFY(LoadDbcPaths(profile).empty());
    }

    // The two commands follow the transmit files in the file menu. A refused
    // file is named with its line in a message box and nothing of it is
    // loaded; the others of the same choice load; the list is kept and loaded
    // again at the next start, where a file gone is one red line.
    void MenuRefusedFilesAndTheNextStart()
    {
        WindowSession s;
        const QTemporaryDir& files = s.folder;
        const QDir folder(files.path());
        const QString engine = WriteTextFile(folder, "engine.dbc", kEngineDbc);
        const QString broken = WriteTextFile(folder, "broken.dbc", kBrokenDbc);
        const QString later = WriteTextFile(folder, "later.dbc", "BO_ 291 Renamed: 8 A\n");
        {
            CMainFrame& frame = s.Open();
            QStringList layout;
            for (const QAction* item : frame.menuBar()->actions().constFirst()->menu()->actions()) {
                layout << (item->isSeparator() ? QStringLiteral("-") : item->data().toString());
            }
            QCOMPARE(layout.mid(0, 6), (QStringList{"32788", "32789", "-", "32795", "32796", "-"}));
            QCOMPARE(frame.Action(kCmdOpenDbc)->text(), QString::fromUtf8("DBC 파일 열기(&B)..."));
            QCOMPARE(frame.Action(kCmdCloseAllDbc)->text(),
                     QString::fromUtf8("DBC 파일 모두 닫기(&C)"));
            QVERIFY(frame.Action(kCmdOpenDbc)->isEnabled());
            QVERIFY(!frame.Action(kCmdCloseAllDbc)->isEnabled());
            QVERIFY(!frame.SignalPane()->isVisibleTo(&frame));
            QVERIFY(!frame.LoadDbcFiles({engine, broken, later}));
            QCOMPARE(
                s.prompts.stops,
                QStringList{broken + QString::fromUtf8(", 3번째 줄에 ':' 또는 멀티플렉서 표시 (M, "
                                                       "m<n>)이(가) 없읍니다.")});
            QCOMPARE(frame.Dbc().Paths(),
                     (std::vector<std::string>{engine.toStdString(), later.toStdString()}));
            QCOMPARE(frame.Dbc().Database().Find(false, 0x123)->name, std::string("Renamed"));
            QCOMPARE(frame.Dbc().Database().Find(false, 0x300), nullptr);
            QCOMPARE(frame.EventLog()->Entry(frame.EventLog()->LineCount() - 1).text,
                     std::string("DBC 메시지 0x123을(를) 뒤의 파일의 정의로 바꾸었읍니다."));
        }
        QVERIFY(QFile::remove(engine));
        CMainFrame& frame = s.Open();
        // The files come back at start-up, and name the by-identifier view's rows.
        QVERIFY(!frame.IdView()->ShowsNames());
        frame.FinishStartup();
        QVERIFY(frame.IdView()->ShowsNames());
        const uint8_t data[1] = {0};
        frame.IdView()->AddFrame(false, 0x123, false, 1, data, 1);
        QCOMPARE(frame.IdView()->AccessibleText(0, kIdColumns), QStringLiteral("Renamed"));
        QStringList red;
        for (int i = 0; i < frame.EventLog()->LineCount(); ++i) {
            // Beside the lines of the port, which the test does not provide.
            const QString text = QString::fromStdString(frame.EventLog()->Entry(i).text);
            if (frame.EventLog()->Entry(i).textColour == kColourRed &&
                text.startsWith(files.path())) {
                red << text;
            }
        }
        QCOMPARE(red,
                 QStringList{engine + QString::fromUtf8(
                                          ": 읽을 수 있는 파일이(가) 아니라 읽지 않았읍니다.")});
        QCOMPARE(frame.Dbc().Paths(), (std::vector<std::string>{later.toStdString()}));
        QVERIFY(frame.Action(kCmdCloseAllDbc)->isEnabled());
    }

    // Rows received before a file is loaded get the names of its messages,
    // and lose the column when the files are closed.
    void RowsOfLoadedMessagesShowTheirNames()
    {
        SimWindow s({"--no-pace", "--no-traffic", "--loopback"});
        const QDir folder(s.folder.path());
        QVERIFY(StartReceiving(s));
        CMainFrame& frame = *s.frame;

        CIdView& view = *frame.IdView();
        SendEntries(frame, folder, {{0x123, 0}, {0x321, 0}});
        QTRY_COMPARE_WITH_TIMEOUT(view.ShownRowCount(), size_t{2}, kTimeoutMs);
        QVERIFY(!view.ShowsNames());
        QCOMPARE(view.AccessibleColumnCount(), kIdColumns);

        s.prompts.fileNames = {WriteTextFile(folder, "engine.dbc", kEngineDbc)};
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

    // Identifiers that go and come in runs, straight from a table: the rows
    // follow in order, and an open message with its current line stays so.
    void RowsFollowTheTableInRuns()
    {
        std::string text;
        for (uint32_t id = 0x100; id < 0x110; ++id) {
            text += "BO_ " + std::to_string(id) + " M" + std::to_string(id - 0x100) +
                    ": 1 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" B\n";
        }
        DbcDatabase database;
        DbcFile file = ParseDbcText(text).file;
        QCOMPARE(file.messages.size(), size_t{16});
        database.Add(std::move(file));
        IdTable table;
        const auto add = [&table](std::initializer_list<uint32_t> ids) {
            for (const uint32_t id : ids) {
                const uint8_t data = static_cast<uint8_t>(id);
                table.Add(false, id, false, 1, &data, 1, IdTable::Clock::now());
            }
        };
        const auto names = [](const QAbstractItemModel& model) {
            QStringList list;
            for (int i = 0; i < model.rowCount(); ++i) {
                list << Cell(model, i, CSignalView::kNameColumn);
            }
            return list.join(' ');
        };
        CSignalView view;
        view.resize(600, 400);
        view.show();
        view.SetSources(&table, &database);
        const QAbstractItemModel& model = *view.model();

        add({0x100, 0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107});
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 8, kTimeoutMs);
        view.expand(model.index(5, 0));
        view.setCurrentIndex(model.index(0, CSignalView::kValueColumn, model.index(5, 0)));
        QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("5"));

        table.Clear();
        add({0x101, 0x103, 0x105, 0x107, 0x120});
        QTRY_COMPARE_WITH_TIMEOUT(names(model), QStringLiteral("M1 M3 M5 M7"), kTimeoutMs);
        add({0x100, 0x102, 0x10F});
        QTRY_COMPARE_WITH_TIMEOUT(names(model), QStringLiteral("M0 M1 M2 M3 M5 M7 M15"),
                                  kTimeoutMs);
        QVERIFY(view.isExpanded(model.index(4, 0)));
        QCOMPARE(view.currentIndex().parent().row(), 4);
        QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("5"));
        QCOMPARE(Cell(model, 4, CSignalView::kCountColumn), QStringLiteral("1"));
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(SignalViewTest)
#include "tst_signal_view.moc"
