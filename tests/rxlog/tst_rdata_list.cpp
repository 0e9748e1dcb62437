#include <string>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "RecordingRouter.h"
#include "rxlog/EventLine.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CellScreen.h"
#include "rxlog/ui/FilterLine.h"

class RDataListTest : public QObject {
    Q_OBJECT

private slots:
    void viewKeepsNewest200LinesAndWidestInRange();
    void receivedLinesLoggedOnlyWhileLoggingOn();
    void contextMenuFollowsState_data();
    void contextMenuFollowsState();
    void screenRowRepaintsOnlyChangedCells_data();
    void screenRowRepaintsOnlyChangedCells();
    void screenMatchesFullPaintAfterStreaming();
};

void RDataListTest::viewKeepsNewest200LinesAndWidestInRange()
{
    QCOMPARE(ReceivedDataSink(), nullptr);
    {
        CRDView view;
        view.resize(321, 123);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        CRDataList* list = view.List();
        view.resize(500, 400);
        // The list fills the view below its filter line.
        const int top = view.Filter()->sizeHint().height();
        QTRY_COMPARE_WITH_TIMEOUT(list->geometry(), QRect(0, top, 500, 400 - top), 20000);
        QCOMPARE(view.Filter()->geometry(), QRect(0, 0, 500, top));

        // The 201st line drops the first; the newest ends up selected and in view.
        for (int i = 0; i < 201; ++i) {
            ReceivedDataSink()->AddReceivedLine("ID: " + std::to_string(i));
        }
        QCOMPARE(list->LineCount(), 200);
        QCOMPARE(list->LineText(0), std::string("ID: 1"));
        QCOMPARE(list->LineText(199), std::string("ID: 200"));
        QCOMPARE(list->CurrentRow(), 199);
        const QRect rect = list->RowRect(199);
        QVERIFY(list->viewport()->rect().contains(rect.center()));
        QCOMPARE(rect.height(), list->LineHeight());
        QVERIFY(list->LineHeight() >= CRDataList::kLineHeight);

        // Keys and clicks move the selection; the next line selects the newest.
        const int page = list->viewport()->height() / list->LineHeight();
        for (const auto& [key, row] : {std::pair{Qt::Key_Up, 198},
                                       {Qt::Key_PageUp, 198 - page},
                                       {Qt::Key_Home, 0},
                                       {Qt::Key_Down, 1},
                                       {Qt::Key_End, 199}}) {
            QTest::keyClick(list, key);
            QCOMPARE(list->CurrentRow(), row);
            QVERIFY(list->viewport()->rect().contains(list->RowRect(row).center()));
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(195).center());
        QCOMPARE(list->CurrentRow(), 195);

        // End follows again: the next line is selected and shown.
        QTest::keyClick(list, Qt::Key_End);
        // The newest line is drawn in the selection's colours, the others in the text colour.
        QFont font = list->font();
        font.setStyleStrategy(QFont::NoAntialias);
        list->setFont(font);
        list->AddLine("ID: 201 XXXX");
        QCOMPARE(list->CurrentRow(), 199);
        const QImage image = list->viewport()->grab().toImage();
        const auto pixels = [&image](const QRect& band, const QColor& colour) {
            int n = 0;
            for (int y = band.top(); y <= band.bottom(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    n += image.pixelColor(x, y) == colour ? 1 : 0;
                }
            }
            return n;
        };
        const QPalette& colours = list->palette();
        QVERIFY(pixels(list->RowRect(199), colours.color(QPalette::HighlightedText)) > 20);
        QVERIFY(pixels(list->RowRect(198), colours.color(QPalette::Text)) > 20);

        // The horizontal range follows the widest line held.
        const QString wide(120, 'W');
        list->AddLine(wide.toStdString());
        QCOMPARE(list->WidestLine(), list->fontMetrics().horizontalAdvance(wide));
        QScrollBar* horizontal = list->horizontalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(
            horizontal->maximum() >= list->WidestLine() - list->viewport()->width(), 20000);
        for (int i = 0; i < CRDataList::kMaxLines; ++i) {
            list->AddLine("x");  // the wide line leaves
        }
        QTRY_COMPARE_WITH_TIMEOUT(horizontal->maximum(), 0, 20000);
        list->AddLine("[수신 데이터]");  // Hangul takes two cells
        QCOMPARE(list->WidestLine(), list->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 13);

        QVERIFY(!list->BuildContextMenu());  // no menu before the router is set
        RecordingRouter router;
        view.SetCommandRouter(&router);
        RightClickFirstItem(list->viewport());
        QVERIFY(router.executed == std::vector<int>{kCmdClearReceivedData});
    }
    QCOMPARE(ReceivedDataSink(), nullptr);
}

void RDataListTest::receivedLinesLoggedOnlyWhileLoggingOn()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/RDataLog.txt";
    SetLogPath(kReceivedDataLog, path.toStdString());
    CRDataList list;
    list.AddLine("before start");
    StartLogging(kReceivedDataLog);
    list.AddLine("first logged");
    list.AddLine("ID: 1FFFFFFF  DLC: 0");
    StopLogging(kReceivedDataLog);
    list.AddLine("after stop");
    QCOMPARE(list.LineCount(), 4);  // the list shows every line either way

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    const QString stamp = QStringLiteral(R"(\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d  )");
    const QRegularExpression expected("^" + stamp + "first logged\r\n" + stamp +
                                      "ID: 1FFFFFFF  DLC: 0\r\n\\z");
    QVERIFY2(expected.match(text).hasMatch(), qPrintable(text));
}

void RDataListTest::contextMenuFollowsState_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("logging");
    QTest::addColumn<bool>("receptionOn");
    // Every pair of the three states meets in all four combinations.
    QTest::newRow("empty, logging off, reception off") << 0 << false << false;
    QTest::newRow("empty, logging on, reception on") << 0 << true << true;
    QTest::newRow("lines, logging off, reception on") << 2 << false << true;
    QTest::newRow("lines, logging on, reception off") << 2 << true << false;
}

void RDataListTest::contextMenuFollowsState()
{
    QFETCH(int, lines);
    QFETCH(bool, logging);
    QFETCH(bool, receptionOn);
    CRDView view;
    RecordingRouter router;
    router.receptionOn = receptionOn;
    view.SetCommandRouter(&router);
    for (int i = 0; i < lines; ++i) {
        view.List()->AddLine("line");
    }
    CheckContextMenu(*view.List(), kReceivedDataLog, logging, "&RDataMenu",
                     {{kCmdClearReceivedData, "수신 데이터 전체 삭제", lines > 0},
                      {0, "", false},
                      {kCmdReceptionStart, "CAN 데이터 수신 시작", !receptionOn},
                      {kCmdReceptionStop, "CAN 데이터 수신 중지", receptionOn},
                      {0, "", false},
                      {kCmdReceivedDataLogStart, "수신 데이터 로깅 시작", !logging},
                      {kCmdReceivedDataLogStop, "수신 데이터 로깅 중지", logging},
                      {0, "", false},
                      {kCmdCopyLines, "복사", lines > 0}});
}

void RDataListTest::screenRowRepaintsOnlyChangedCells_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("end");  // first == end: nothing to repaint
    QTest::newRow("same") << "ID:7DF"
                          << "ID:7DF" << 0 << 0;
    QTest::newRow("last digit") << "ID:123"
                                << "ID:124" << 5 << 6;
    QTest::newRow("common ending") << "AB 11 CD"
                                   << "AB 22 CD" << 3 << 5;
    QTest::newRow("Hangul before") << "길이:8 X"
                                   << "길이:0 X" << 5 << 6;
    QTest::newRow("same first bytes of a Hangul") << "가"
                                                  << "각" << 0 << 2;
    QTest::newRow("longer") << "ID:7DF"
                            << "ID:7DF  AB" << 6 << 10;
    QTest::newRow("shorter, ending moves") << "ab XY"
                                           << "a XY" << 1 << 5;
}

void RDataListTest::screenRowRepaintsOnlyChangedCells()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, first);
    QFETCH(int, end);
    CellScreen screen;
    screen.SetRowCount(1);
    QVERIFY(screen.Show(0, before.toStdString(), {}).whole);
    const CellSpan span = screen.Show(0, after.toStdString(), {});
    QCOMPARE(span.whole, false);
    QCOMPARE(span.IsEmpty() ? std::pair(0, 0) : std::pair(span.first, span.end),
             std::pair(first, end));
    QVERIFY(screen.Show(0, after.toStdString(), {.flags = 1}).whole);  // a new look
}

void RDataListTest::screenMatchesFullPaintAfterStreaming()
{
    // Both lists repaint only what changed; the screen must end up exactly as
    // a full paint draws it.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new CRDView;
    layout->addWidget(view);
    layout->addWidget(new CEventLogCtrl);
    window.resize(500, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const char* const kTexts[] = {"CAN2.0B  Data Frame  길이:8  ID:0CF00400  데이터:01 02 03",
                                  "CAN2.0A  Remote Frame  길이:0  ID:7DF", "x"};
    for (int burst = 0, n = 0; burst < 30; ++burst) {
        for (int i = 0; i <= burst % 5; ++i, ++n) {
            const std::string line = kTexts[n % 3] + (" #" + std::to_string(n));
            view->List()->AddLine(line);
            WriteEventLine(line, n % 2 != 0 ? kColourBlue : kColourBlack);
        }
        QTest::qWait(RepaintPacer::kIntervalMs);  // display frames in between
    }
    const auto image = [](const QPixmap& pixmap) {
        return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    };
    QTRY_COMPARE_WITH_TIMEOUT(image(window.screen()->grabWindow(window.winId())),
                              image(window.grab()), 20000);
}

QTEST_MAIN(RDataListTest)
#include "tst_rdata_list.moc"
