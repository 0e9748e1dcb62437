#include <algorithm>
#include <string>

#include <QImage>
#include <QScrollBar>

#include "RecordingRouter.h"
#include "rxlog/EventLine.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/ListFont.h"

namespace {

// Shows the control `lines` lines high, in a font without anti-aliasing so that
// text pixels carry the exact pen colour.
bool Show(COXHistoryCtrl& ctrl, int width, int lines)
{
    QFont font = MakeListFont();
    font.setStyleStrategy(QFont::NoAntialias);
    ctrl.SetLineFont(font, false);
    ctrl.resize(width, lines * ctrl.LineHeight() + 7);
    ctrl.show();
    return QTest::qWaitForWindowExposed(&ctrl);
}

// Counts the pixels of one colour in the rows [top, top + height) of the image.
int CountInRows(const QImage& image, int top, int height, QRgb colour)
{
    int n = 0;
    for (int y = top; y < top + height && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

// Scrolled to the end, whole lines fill the window from its top edge.
int VerticalMaximum(const COXHistoryCtrl& ctrl, int lines)
{
    const int client = ctrl.viewport()->height();
    return std::max(0, lines * ctrl.LineHeight() + client % ctrl.LineHeight() - client);
}

constexpr int kClear = -100;  // the "then" step clears instead of setting a limit

}  // namespace

class HistoryCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void limitLongestAndClear_data();
    void limitLongestAndClear();
    void newestStaysInViewAndPageStepsOneLine();
    void eventLogPaneKeepsLineColours();
    void eventLogContextMenu_data();
    void eventLogContextMenu();
};

void HistoryCtrlTest::limitLongestAndClear_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("then");   // a new limit (negative is ignored) or kClear
    QTest::addColumn<int>("count");  // the newest lines that remain
    QTest::addColumn<int>("longest");
    const QStringList five{"aaaaaaaa", "bb", "ccccc", "d", "ee"};
    QTest::newRow("longest leaves")
        << 3 << QStringList{"aaaaaaa", "b", "cccccc", "dd"} << -1 << 3 << 6;
    QTest::newRow("one of two longest leaves")
        << 3 << QStringList{"aaaaa", "bbbbb", "c", "d"} << -1 << 3 << 5;
    QTest::newRow("wider than the window leaves")
        << 2 << QStringList{QString(120, 'L'), QString(80, 'm'), "x"} << -1 << 2 << 80;
    QTest::newRow("Hangul counts two")
        << 3 << QStringList{"[환경설정 읽기 명령]", "x", "y", "가나"} << -1 << 3 << 4;
    QTest::newRow("limit 0 holds no length") << 0 << QStringList{"abc", "defgh"} << -1 << 0 << 0;
    QTest::newRow("larger limit keeps all") << 5 << five << 50 << 5 << 8;
    QTest::newRow("smaller limit drops oldest at once") << 5 << five << 3 << 3 << 5;
    QTest::newRow("limit 0 empties") << 5 << five << 0 << 0 << 0;
    QTest::newRow("clear") << 5 << five << kClear << 0 << 0;
    QTest::newRow("clear on empty is harmless") << 5 << QStringList{} << kClear << 0 << 0;
}

void HistoryCtrlTest::limitLongestAndClear()
{
    QFETCH(int, limit);
    QFETCH(QStringList, lines);
    QFETCH(int, then);
    QFETCH(int, count);
    QFETCH(int, longest);
    COXHistoryCtrl ctrl;
    QVERIFY(Show(ctrl, 200, 6));
    ctrl.SetMaxEntries(limit);
    for (const QString& line : lines) {
        QVERIFY(ctrl.AddLine(line.toStdString()));
    }
    QVERIFY(then == kClear ? ctrl.ClearHistory() : (ctrl.SetMaxEntries(then), true));
    QCOMPARE(ctrl.MaxEntries(), then >= 0 ? then : limit);
    QStringList texts;
    for (int i = 0; i < ctrl.LineCount(); ++i) {
        texts << QString::fromStdString(ctrl.Entry(i).text);
    }
    QCOMPARE(texts, lines.mid(lines.size() - count));
    QCOMPARE(ctrl.LongestLength(), longest);
    QVERIFY(!ctrl.viewport()->grab().isNull());
    // The scroll ranges follow the lines that remain, once the bars are laid out.
    QTRY_COMPARE_WITH_TIMEOUT(ctrl.horizontalScrollBar()->maximum(),
                              std::max(0, longest * ctrl.CharWidth() - ctrl.viewport()->width()),
                              20000);
    QTRY_COMPARE_WITH_TIMEOUT(ctrl.verticalScrollBar()->maximum(), VerticalMaximum(ctrl, count),
                              20000);
}

void HistoryCtrlTest::newestStaysInViewAndPageStepsOneLine()
{
    COXHistoryCtrl ctrl;
    QCOMPARE(ctrl.MaxEntries(), 100);
    QVERIFY(Show(ctrl, 300, 10));
    ctrl.SetMaxEntries(200);
    QScrollBar* vertical = ctrl.verticalScrollBar();
    for (int i = 0; i < 201; ++i) {
        ctrl.AddLine("line " + std::to_string(i));
        QCOMPARE(vertical->value(), vertical->maximum());
    }
    QCOMPARE(ctrl.LineCount(), 200);
    QCOMPARE(ctrl.Entry(0).text, std::string("line 1"));

    // Regression: the first line wider than the window brings the horizontal
    // bar, which takes height from the window once the event loop lays it out.
    const int heightBefore = ctrl.viewport()->height();
    ctrl.AddLine(std::string(200, 'W'));
    QTRY_VERIFY_WITH_TIMEOUT(ctrl.viewport()->height() < heightBefore, 20000);
    QCOMPARE(vertical->value(), vertical->maximum());
    QCOMPARE(vertical->maximum(), VerticalMaximum(ctrl, 200));
    // Regression: a page action moves one line or one character, while the
    // thumb still shows the window's share of the content.
    for (QScrollBar* bar : {vertical, ctrl.horizontalScrollBar()}) {
        const int step = bar == vertical ? ctrl.LineHeight() : ctrl.CharWidth();
        const QSize client = ctrl.viewport()->size();
        QCOMPARE(bar->pageStep(), bar == vertical ? client.height() : client.width());
        for (const auto& [action, steps] : {std::pair{QAbstractSlider::SliderPageStepSub, -1},
                                            {QAbstractSlider::SliderPageStepAdd, 1}}) {
            bar->setValue(10 * step);
            bar->triggerAction(action);
            QCOMPARE(bar->value(), (10 + steps) * step);
        }
    }
}

void HistoryCtrlTest::eventLogPaneKeepsLineColours()
{
    QCOMPARE(EventLogSink(), nullptr);
    {
        CEventLogCtrl log;
        QVERIFY(Show(log, 400, 10));
        QCOMPARE(log.MaxEntries(), 200);
        QCOMPARE(log.Indent(), 5);
        QCOMPARE(log.DrawFlags(), kDrawLeft);
        log.SetBackColour(0xFFFFFF);
        WriteEventLine("[환경설정 읽기 명령] XXXX red", kColourRed);
        WriteEventLine("XXXXXXXX blue", kColourBlue);  // the current colour changes
        log.SetBackColour(0x123456);                   // 0x00BBGGRR
        WriteEventLine("", kColourBlack);

        const QImage image = log.viewport()->grab().toImage();
        const int lh = log.LineHeight();
        const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
        QVERIFY(CountInRows(image, 0, lh, red) > 0);
        QVERIFY(CountInRows(image, lh, lh, blue) > 0);
        QCOMPARE(CountInRows(image, 0, lh, blue) + CountInRows(image, lh, lh, red), 0);
        QCOMPARE(CountInRows(image, 0, 2 * lh, qRgb(0, 0, 0)), 0);
        // Empty text still paints its band; the indent keeps its columns clear.
        QCOMPARE(CountInRows(image, 2 * lh, lh, qRgb(0x56, 0x34, 0x12)), image.width() * lh);
        QCOMPARE(CountInRows(image.copy(0, 0, 5, 2 * lh), 0, 2 * lh, 0xFFFFFF), 5 * 2 * lh);

        // Right-clicks land on the viewport; the control itself must answer them.
        QVERIFY(!log.BuildContextMenu());  // no menu before the router is set
        RecordingRouter router;
        log.SetCommandRouter(&router);
        RightClickFirstItem(log.viewport());
        QVERIFY(router.executed == std::vector<int>{kCmdClearEventLog});
    }
    QCOMPARE(EventLogSink(), nullptr);
    WriteEventLine("no pane", kColourBlack);  // does nothing, does not fail
}

void HistoryCtrlTest::eventLogContextMenu_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("logging");
    QTest::newRow("empty, logging off") << 0 << false;
    QTest::newRow("empty, logging on") << 0 << true;
    QTest::newRow("lines, logging off") << 3 << false;
    QTest::newRow("lines, logging on") << 1 << true;
}

void HistoryCtrlTest::eventLogContextMenu()
{
    QFETCH(int, lines);
    QFETCH(bool, logging);
    CEventLogCtrl log;
    RecordingRouter router;
    log.SetCommandRouter(&router);
    for (int i = 0; i < lines; ++i) {
        log.AddLine("event");
    }
    CheckContextMenu(log, kEventLog, logging, "&LogMenu",
                     {{kCmdClearEventLog, "이벤트 로그 데이터 전체 삭제", lines > 0},
                      {0, "", false},
                      {kCmdEventLogStart, "이벤트 로깅 시작", !logging},
                      {kCmdEventLogStop, "이벤트 로깅 중지", logging},
                      {0, "", false},
                      {kCmdCopyLines, "복사", lines > 0}});
}

QTEST_MAIN(HistoryCtrlTest)
#include "tst_history_ctrl.moc"
