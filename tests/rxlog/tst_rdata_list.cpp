#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "RecordingRouter.h"
#include "rxlog/CommandIds.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"

namespace {

std::string Line(int i)
{
    return "ID: " + std::to_string(0x100 + i) + "  DLC: 8";
}

}  // namespace

class RDataListTest : public QObject {
    Q_OBJECT

private slots:
    void overflowDropsOldestAndSelectsNewest_data();
    void overflowDropsOldestAndSelectsNewest();
    void horizontalRangeFollowsWidestHeldLine();
    void viewPublishesListAndCoversIt();
    void receivedLinesLoggedOnlyWhileLoggingOn();
    void contextMenuFollowsState_data();
    void contextMenuFollowsState();
    void contextMenuRequestRunsCommandThroughRouter();
};

void RDataListTest::overflowDropsOldestAndSelectsNewest_data()
{
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstIndex");
    QTest::newRow("one") << 1 << 1 << 0;
    QTest::newRow("full") << 200 << 200 << 0;
    QTest::newRow("201st drops the first") << 201 << 200 << 1;
    QTest::newRow("flood") << 1000 << 200 << 800;
}

void RDataListTest::overflowDropsOldestAndSelectsNewest()
{
    QFETCH(int, added);
    QFETCH(int, count);
    QFETCH(int, firstIndex);
    CRDView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CRDataList* list = view.List();
    QCOMPARE(list->MaxLines(), 200);
    for (int i = 0; i < added; ++i) {
        list->AddLine(Line(i));
    }
    QCOMPARE(list->count(), count);
    QCOMPARE(list->item(0)->text().toStdString(), Line(firstIndex));
    QCOMPARE(list->item(count - 1)->text().toStdString(), Line(added - 1));
    // The newest line ends up selected and in view.
    QTRY_COMPARE_WITH_TIMEOUT(list->currentRow(), count - 1, 20000);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.front(), list->item(count - 1));
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(selected.front()).center()));
    QCOMPARE(list->visualItemRect(selected.front()).height(), CRDataList::kLineHeight);
}

void RDataListTest::horizontalRangeFollowsWidestHeldLine()
{
    CRDView view;
    view.resize(200, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CRDataList* list = view.List();
    QScrollBar* horizontal = list->horizontalScrollBar();
    const QFontMetrics metrics = list->fontMetrics();
    const std::string wide = "ID: 1FFFFFFF  DLC: 8  DATA: 00 11 22 33 44 55 66 77 88 99 AA BB";
    list->AddLine(wide);
    list->AddLine("short");  // the rows share one size, which the view takes from one row
    const int wideWidth = metrics.horizontalAdvance(QString::fromStdString(wide));
    QCOMPARE(list->WidestLine(), wideWidth);
    QTRY_VERIFY_WITH_TIMEOUT(horizontal->maximum() >= wideWidth - list->viewport()->width(), 20000);
    QVERIFY(list->visualItemRect(list->item(0)).width() >= wideWidth);

    for (int i = 0; i < CRDataList::kMaxLines; ++i) {
        list->AddLine("x");  // the wide line leaves
    }
    QCOMPARE(list->WidestLine(), metrics.horizontalAdvance(QLatin1Char('x')));
    QTRY_COMPARE_WITH_TIMEOUT(horizontal->maximum(), 0, 20000);

    list->AddLine("[수신 데이터]");  // Hangul takes two cells
    QCOMPARE(list->WidestLine(), metrics.horizontalAdvance(QLatin1Char('x')) * 13);
    list->clear();
    QCOMPARE(list->WidestLine(), 0);
}

void RDataListTest::viewPublishesListAndCoversIt()
{
    QCOMPARE(ReceivedDataSink(), nullptr);
    {
        CRDView view;
        view.resize(321, 123);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.List()->geometry(), QRect(0, 0, 321, 123));
        view.resize(500, 400);
        QTRY_COMPARE_WITH_TIMEOUT(view.List()->geometry(), QRect(0, 0, 500, 400), 20000);

        QCOMPARE(ReceivedDataSink(), static_cast<ReceivedLineSink*>(view.List()));
        ReceivedDataSink()->AddReceivedLine("through the sink");
        QCOMPARE(view.List()->count(), 1);
        QCOMPARE(view.List()->item(0)->text(), QStringLiteral("through the sink"));

        auto* other = new CRDataList;
        SetReceivedDataSink(view.List());
        delete other;
        QCOMPARE(ReceivedDataSink(), static_cast<ReceivedLineSink*>(view.List()));
    }
    QCOMPARE(ReceivedDataSink(), nullptr);
}

void RDataListTest::receivedLinesLoggedOnlyWhileLoggingOn()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.path() + "/RDataLog.txt";
    SetLogPath(kReceivedDataLog, path.toStdString());

    CRDataList list;
    list.AddLine("before start");
    StartLogging(kReceivedDataLog);
    QVERIFY(IsLogging(kReceivedDataLog));
    list.AddLine("first logged");
    list.AddLine("ID: 1FFFFFFF  DLC: 0");
    StopLogging(kReceivedDataLog);
    list.AddLine("after stop");
    QCOMPARE(list.count(), 4);  // the list shows every line either way

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);  // two lines, then what follows the last line end
    QVERIFY(lines[2].isEmpty());
    const QRegularExpression stamp(
        QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}  (.*)\\r$"));
    const char* expected[] = {"first logged", "ID: 1FFFFFFF  DLC: 0"};
    for (int i = 0; i < 2; ++i) {
        const QRegularExpressionMatch match = stamp.match(QString::fromLatin1(lines[i]));
        QVERIFY2(match.hasMatch(), lines[i].constData());
        QCOMPARE(match.captured(1), QString::fromLatin1(expected[i]));
    }
}

void RDataListTest::contextMenuFollowsState_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("logging");
    QTest::addColumn<bool>("receptionOn");
    for (int lines : {0, 2}) {
        for (bool logging : {false, true}) {
            for (bool receptionOn : {false, true}) {
                const QByteArray name = QByteArray::number(lines) + " lines, logging " +
                                        (logging ? "on" : "off") + ", reception " +
                                        (receptionOn ? "on" : "off");
                QTest::newRow(name.constData()) << lines << logging << receptionOn;
            }
        }
    }
}

void RDataListTest::contextMenuFollowsState()
{
    QFETCH(int, lines);
    QFETCH(bool, logging);
    QFETCH(bool, receptionOn);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SetLogPath(kReceivedDataLog, (dir.path() + "/RDataLog.txt").toStdString());

    CRDView view;
    CRDataList* list = view.List();
    QVERIFY(!list->BuildContextMenu());  // no menu before the router is set
    RecordingRouter router;
    router.receptionOn = receptionOn;
    view.SetCommandRouter(&router);
    for (int i = 0; i < lines; ++i) {
        list->AddLine(Line(i));
    }
    if (logging) {
        StartLogging(kReceivedDataLog);
        QVERIFY(IsLogging(kReceivedDataLog));
    }
    const std::unique_ptr<QMenu> menu = list->BuildContextMenu();
    StopLogging(kReceivedDataLog);
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("&RDataMenu"));
    const std::vector<MenuRow> expected{
        {kCmdClearReceivedData, "수신 데이터 전체 삭제", lines > 0},
        {0, "", false},
        {kCmdReceptionStart, "CAN 데이터 수신 시작", !receptionOn},
        {kCmdReceptionStop, "CAN 데이터 수신 중지", receptionOn},
        {0, "", false},
        {kCmdReceivedDataLogStart, "수신 데이터 로깅 시작", !logging},
        {kCmdReceivedDataLogStop, "수신 데이터 로깅 중지", logging},
    };
    QVERIFY(DescribeMenu(*menu) == expected);

    std::vector<int> reached;
    for (const auto& [id, text, enabled] : expected) {
        if (id != 0) {
            FindCommand(*menu, id)->trigger();
            if (enabled) {
                reached.push_back(id);
            }
        }
    }
    QVERIFY(router.executed == reached);
}

void RDataListTest::contextMenuRequestRunsCommandThroughRouter()
{
    CRDView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CRDataList* list = view.List();
    RecordingRouter router;
    // The main window empties the list for the clear command.
    router.onExecute = [list](int id) {
        if (id == kCmdClearReceivedData) {
            list->clear();
        }
    };
    view.SetCommandRouter(&router);
    list->AddLine("one");
    list->AddLine("two");

    // Once the popup is open, choose the clear item with the keyboard.
    bool chosen = false;
    QTimer picker;
    picker.setInterval(10);
    connect(&picker, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || chosen) {
            return;
        }
        chosen = true;
        menu->setActiveAction(FindCommand(*menu, kCmdClearReceivedData));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    picker.start();
    const QPoint at = list->viewport()->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &request);
    picker.stop();

    QVERIFY(chosen);
    QVERIFY(router.executed == std::vector<int>{kCmdClearReceivedData});
    QCOMPARE(list->count(), 0);
}

QTEST_MAIN(RDataListTest)
#include "tst_rdata_list.moc"
