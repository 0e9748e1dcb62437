#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "RecordingRouter.h"
#include "common/TextFormat.h"
#include "rxlog/CommandIds.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/COXHistoryCtrl.h"
#include "rxlog/ui/ListFont.h"

namespace {

// A font without anti-aliasing, so that text pixels carry the exact pen colour.
QFont CrispFont()
{
    QFont font = MakeListFont();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage Render(COXHistoryCtrl& ctrl)
{
    return ctrl.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Counts the pixels of one colour in the band of the i-th visible line.
int CountInBand(const QImage& image, int band, int lineHeight, QRgb colour)
{
    int n = 0;
    for (int y = band * lineHeight; y < (band + 1) * lineHeight && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

std::vector<std::string> Texts(const COXHistoryCtrl& ctrl)
{
    std::vector<std::string> texts;
    for (int i = 0; i < ctrl.LineCount(); ++i) {
        texts.push_back(ctrl.Entry(i).text);
    }
    return texts;
}

}  // namespace

class HistoryCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void colourConversion_data();
    void colourConversion();
    void overflowDropsOldest_data();
    void overflowDropsOldest();
    void longestLengthFollowsRemovals_data();
    void longestLengthFollowsRemovals();
    void horizontalRangeShrinksWhenLongestLeaves();
    void setMaxEntries_data();
    void setMaxEntries();
    void appendScrollsToEnd();
    void newestStaysInViewWhenScrollBarAppears();
    void pageActionMovesOneStep_data();
    void pageActionMovesOneStep();
    void drawFlagsPlaceText_data();
    void drawFlagsPlaceText();
    void lineKeepsItsColours();
    void emptyTextPaintsColouredBand();
    void clearIsHarmlessAndEmpties();
    void eventLogSetUpAndSink();
    void eventLogContextMenu_data();
    void eventLogContextMenu();
    void eventLogContextMenuRequestRunsCommand();
};

void HistoryCtrlTest::colourConversion_data()
{
    QTest::addColumn<uint>("value");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("black") << uint(kColourBlack) << QColor(0, 0, 0);
    QTest::newRow("red") << uint(kColourRed) << QColor(255, 0, 0);
    QTest::newRow("blue") << uint(kColourBlue) << QColor(0, 0, 255);
    QTest::newRow("grey banner") << uint(kColourGrey) << QColor(0x80, 0x80, 0x81);
    QTest::newRow("green") << uint(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("mixed") << uint(0x123456) << QColor(0x56, 0x34, 0x12);
}

void HistoryCtrlTest::colourConversion()
{
    QFETCH(uint, value);
    QFETCH(QColor, colour);
    QCOMPARE(COXHistoryCtrl::ToQColor(value), colour);
    QCOMPARE(COXHistoryCtrl::FromQColor(colour), value);
}

void HistoryCtrlTest::overflowDropsOldest_data()
{
    QTest::addColumn<int>("limit");  // -1: the control's default
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("oldest");
    QTest::addColumn<QString>("newest");
    QTest::newRow("default limit, full") << -1 << 100 << 100 << "line 0"
                                         << "line 99";
    QTest::newRow("default limit, one over") << -1 << 101 << 100 << "line 1"
                                             << "line 100";
    QTest::newRow("pane limit, 201st drops first") << 200 << 201 << 200 << "line 1"
                                                   << "line 200";
    QTest::newRow("pane limit, long flood") << 200 << 1000 << 200 << "line 800"
                                            << "line 999";
    QTest::newRow("limit 1") << 1 << 3 << 1 << "line 2"
                             << "line 2";
    QTest::newRow("limit 0 keeps nothing") << 0 << 3 << 0 << ""
                                           << "";
}

void HistoryCtrlTest::overflowDropsOldest()
{
    QFETCH(int, limit);
    QFETCH(int, added);
    QFETCH(int, count);
    QFETCH(QString, oldest);
    QFETCH(QString, newest);
    COXHistoryCtrl ctrl;
    QCOMPARE(ctrl.MaxEntries(), 100);
    if (limit >= 0) {
        ctrl.SetMaxEntries(limit);
    }
    for (int i = 0; i < added; ++i) {
        QVERIFY(ctrl.AddLine("line " + std::to_string(i)));
    }
    QCOMPARE(ctrl.LineCount(), count);
    if (count > 0) {
        QCOMPARE(QString::fromStdString(ctrl.Entry(0).text), oldest);
        QCOMPARE(QString::fromStdString(ctrl.Entry(count - 1).text), newest);
    }
}

void HistoryCtrlTest::longestLengthFollowsRemovals_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("longest");
    QTest::newRow("longest kept") << 5 << QStringList{"aaaa", "bb", "cccccc"} << 6;
    QTest::newRow("longest leaves, next longest counts")
        << 3 << QStringList{"aaaaaaaaaa", "bbb", "cccccc", "dd"} << 6;
    QTest::newRow("shorter leaves, longest stays")
        << 3 << QStringList{"a", "bbbbbbbb", "cc", "ddd"} << 8;
    QTest::newRow("two of the longest, one leaves")
        << 3 << QStringList{"aaaaa", "bbbbb", "c", "d"} << 5;
    QTest::newRow("new line longer than the one leaving")
        << 2 << QStringList{"aaaa", "b", "cccccccc"} << 8;
    QTest::newRow("Hangul counts two per syllable")
        << 3 << QStringList{"[환경설정 읽기 명령]", "x", "y", "가나"} << 4;
    QTest::newRow("Hangul line longest") << 3 << QStringList{"abc", "[환경설정 읽기 명령]"} << 20;
    QTest::newRow("empty lines only") << 3 << QStringList{"", "", "", ""} << 0;
    QTest::newRow("limit 0 holds no length") << 0 << QStringList{"abc", "defgh"} << 0;
}

void HistoryCtrlTest::longestLengthFollowsRemovals()
{
    QFETCH(int, limit);
    QFETCH(QStringList, lines);
    QFETCH(int, longest);
    COXHistoryCtrl ctrl;
    ctrl.SetMaxEntries(limit);
    for (const QString& line : lines) {
        ctrl.AddLine(line.toStdString());
    }
    QCOMPARE(ctrl.LongestLength(), longest);
}

void HistoryCtrlTest::horizontalRangeShrinksWhenLongestLeaves()
{
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.SetMaxEntries(3);
    ctrl.resize(200, 150);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    const int cw = ctrl.CharWidth();
    ctrl.AddLine(std::string(120, 'L'));
    ctrl.AddLine(std::string(10, 's'));
    ctrl.AddLine(std::string(80, 'm'));
    const int client = ctrl.viewport()->width();
    QCOMPARE(ctrl.horizontalScrollBar()->maximum(), 120 * cw - client);
    ctrl.AddLine("x");  // the 120-character line leaves
    QCOMPARE(ctrl.LongestLength(), 80);
    QCOMPARE(ctrl.horizontalScrollBar()->maximum(), 80 * cw - ctrl.viewport()->width());
    ctrl.AddLine("y");
    ctrl.AddLine("z");  // the 80-character line leaves: nothing is wider than the window
    QCOMPARE(ctrl.LongestLength(), 1);
    QCOMPARE(ctrl.horizontalScrollBar()->maximum(), 0);
}

void HistoryCtrlTest::setMaxEntries_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("longest");
    const QStringList all{"aaaaaaaa", "bb", "ccccc", "d", "ee"};
    QTest::newRow("negative ignored") << -1 << 10 << all << 8;
    QTest::newRow("larger keeps all") << 50 << 50 << all << 8;
    QTest::newRow("same keeps all") << 10 << 10 << all << 8;
    QTest::newRow("equal to count") << 5 << 5 << all << 8;
    QTest::newRow("smaller drops oldest at once") << 3 << 3 << QStringList{"ccccc", "d", "ee"} << 5;
    QTest::newRow("one") << 1 << 1 << QStringList{"ee"} << 2;
    QTest::newRow("zero") << 0 << 0 << QStringList{} << 0;
}

void HistoryCtrlTest::setMaxEntries()
{
    QFETCH(int, n);
    QFETCH(int, limit);
    QFETCH(QStringList, remaining);
    QFETCH(int, longest);
    COXHistoryCtrl ctrl;
    ctrl.SetMaxEntries(10);
    for (const char* text : {"aaaaaaaa", "bb", "ccccc", "d", "ee"}) {
        ctrl.AddLine(text);
    }
    ctrl.SetMaxEntries(n);
    QCOMPARE(ctrl.MaxEntries(), limit);
    QStringList texts;
    for (const std::string& text : Texts(ctrl)) {
        texts << QString::fromStdString(text);
    }
    QCOMPARE(texts, remaining);
    QCOMPARE(ctrl.LongestLength(), longest);
    // The content follows the lines that remain.
    const int lh = ctrl.LineHeight();
    const int client = ctrl.viewport()->height();
    QCOMPARE(ctrl.verticalScrollBar()->maximum(),
             std::max(0, int(remaining.size()) * lh + client % lh - client));
    QCOMPARE(ctrl.horizontalScrollBar()->maximum(),
             std::max(0, longest * ctrl.CharWidth() - ctrl.viewport()->width()));
}

void HistoryCtrlTest::appendScrollsToEnd()
{
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.SetMaxEntries(200);
    ctrl.resize(300, 10 * ctrl.LineHeight() + 7);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    QScrollBar* vertical = ctrl.verticalScrollBar();
    for (int i = 0; i < 250; ++i) {
        ctrl.AddLine("line " + std::to_string(i));
        QCOMPARE(vertical->value(), vertical->maximum());
    }
    const int lh = ctrl.LineHeight();
    const int client = ctrl.viewport()->height();
    // Scrolled to the end, whole lines fill the window from its top edge.
    QCOMPARE(vertical->maximum(), 200 * lh + client % lh - client);
    QCOMPARE(vertical->maximum() % lh, 0);

    // The newest line is drawn: paint its band red and find it on screen.
    ctrl.SetBackColour(kColourRed);
    ctrl.AddLine("newest");
    const QImage image = Render(ctrl);
    const int lastBand = client / lh - 1;
    QVERIFY(CountInBand(image, lastBand, lh, qRgb(255, 0, 0)) > 0);
    QCOMPARE(CountInBand(image, lastBand - 1, lh, qRgb(255, 0, 0)), 0);
}

void HistoryCtrlTest::newestStaysInViewWhenScrollBarAppears()
{
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.resize(300, 10 * ctrl.LineHeight() + 7);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    for (int i = 0; i < 20; ++i) {
        ctrl.AddLine("short");
    }
    QScrollBar* vertical = ctrl.verticalScrollBar();
    QCOMPARE(vertical->value(), vertical->maximum());
    // The first line wider than the window brings the horizontal bar, which
    // takes height from the window once the event loop lays it out.
    const int heightBefore = ctrl.viewport()->height();
    ctrl.AddLine(std::string(200, 'W'));
    QTRY_VERIFY_WITH_TIMEOUT(ctrl.horizontalScrollBar()->isVisible(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(ctrl.viewport()->height() < heightBefore, 20000);
    QCOMPARE(vertical->value(), vertical->maximum());
    const int lh = ctrl.LineHeight();
    const int client = ctrl.viewport()->height();
    QCOMPARE(vertical->maximum(), 21 * lh + client % lh - client);
}

void HistoryCtrlTest::pageActionMovesOneStep_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("steps");  // expected move in lines or characters
    QTest::newRow("page up") << true << int(QAbstractSlider::SliderPageStepSub) << -1;
    QTest::newRow("page down") << true << int(QAbstractSlider::SliderPageStepAdd) << 1;
    QTest::newRow("line up") << true << int(QAbstractSlider::SliderSingleStepSub) << -1;
    QTest::newRow("page left") << false << int(QAbstractSlider::SliderPageStepSub) << -1;
    QTest::newRow("page right") << false << int(QAbstractSlider::SliderPageStepAdd) << 1;
    QTest::newRow("character right") << false << int(QAbstractSlider::SliderSingleStepAdd) << 1;
}

void HistoryCtrlTest::pageActionMovesOneStep()
{
    QFETCH(bool, vertical);
    QFETCH(int, action);
    QFETCH(int, steps);
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.SetMaxEntries(200);
    ctrl.resize(300, 200);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    for (int i = 0; i < 100; ++i) {
        ctrl.AddLine(std::string(200, 'w'));
    }
    QScrollBar* bar = vertical ? ctrl.verticalScrollBar() : ctrl.horizontalScrollBar();
    const int step = vertical ? ctrl.LineHeight() : ctrl.CharWidth();
    QVERIFY(bar->maximum() > 20 * step);
    const int start = 10 * step;
    bar->setValue(start);
    // The thumb still shows the window's share of the content.
    QCOMPARE(bar->pageStep(), vertical ? ctrl.viewport()->height() : ctrl.viewport()->width());
    bar->triggerAction(static_cast<QAbstractSlider::SliderAction>(action));
    QCOMPARE(bar->value(), start + steps * step);
}

void HistoryCtrlTest::drawFlagsPlaceText_data()
{
    QTest::addColumn<uint>("flags");
    QTest::addColumn<int>("indent");
    QTest::newRow("left") << uint(kDrawLeft) << 0;
    QTest::newRow("left, indent 5") << uint(kDrawLeft) << 5;
    QTest::newRow("left, indent 40") << uint(kDrawLeft) << 40;
    QTest::newRow("centre") << uint(kDrawCenter) << 0;
    QTest::newRow("right") << uint(kDrawRight) << 0;
}

void HistoryCtrlTest::drawFlagsPlaceText()
{
    QFETCH(uint, flags);
    QFETCH(int, indent);
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.resize(400, 100);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    ctrl.SetBackColour(0xFFFFFF);
    ctrl.SetTextColour(kColourRed);
    ctrl.SetIndent(indent);
    ctrl.SetDrawFlags(flags);
    ctrl.AddLine("XXXX");

    const QImage image = Render(ctrl);
    const int lh = ctrl.LineHeight();
    const int cw = ctrl.CharWidth();
    int left = image.width();
    int right = -1;
    int top = lh;
    int bottom = -1;
    for (int y = 0; y < lh; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (qRgb(255, 0, 0) & 0xFFFFFF)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    QVERIFY(right >= 0);
    const int width = image.width();
    if (flags == kDrawLeft) {
        QVERIFY2(left >= indent && left < indent + cw, QByteArray::number(left));
    } else if (flags == kDrawCenter) {
        QVERIFY2(std::abs((left + right) / 2 - width / 2) <= cw, QByteArray::number(left));
    } else {
        QVERIFY2(right < width && right >= width - 1 - cw, QByteArray::number(right));
    }
    // Vertically centred in the band: the glyphs stay inside it, off its edges.
    QVERIFY(top > 0);
    QVERIFY(bottom < lh - 1);
}

void HistoryCtrlTest::lineKeepsItsColours()
{
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.resize(400, 200);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    ctrl.SetBackColour(0xFFFFFF);
    ctrl.SetIndent(5);
    ctrl.SetTextColour(kColourRed);
    ctrl.AddLine("XXXXXXXX red");
    ctrl.SetTextColour(kColourBlue);
    ctrl.AddLine("XXXXXXXX blue");
    ctrl.SetTextColour(kColourBlack);  // changes nothing already added

    QCOMPARE(ctrl.Entry(0).textColour, uint32_t(kColourRed));
    QCOMPARE(ctrl.Entry(1).textColour, uint32_t(kColourBlue));
    QCOMPARE(ctrl.Entry(0).indent, 5);

    const QImage image = Render(ctrl);
    const int lh = ctrl.LineHeight();
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    QVERIFY(CountInBand(image, 0, lh, red) > 0);
    QCOMPARE(CountInBand(image, 0, lh, blue), 0);
    QVERIFY(CountInBand(image, 1, lh, blue) > 0);
    QCOMPARE(CountInBand(image, 1, lh, red), 0);
    QCOMPARE(CountInBand(image, 0, lh, qRgb(0, 0, 0)), 0);
    // The indent leaves the first columns of the band in the back colour.
    for (int y = 0; y < 2 * lh; ++y) {
        for (int x = 0; x < 5; ++x) {
            QCOMPARE(image.pixel(x, y) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
        }
    }
}

void HistoryCtrlTest::emptyTextPaintsColouredBand()
{
    COXHistoryCtrl ctrl;
    ctrl.SetLineFont(CrispFont(), false);
    ctrl.resize(300, 200);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    ctrl.SetBackColour(0x00FF00);
    ctrl.AddLine("");
    ctrl.SetBackColour(0x123456);
    ctrl.AddLine("");
    QCOMPARE(ctrl.LineCount(), 2);
    QCOMPARE(ctrl.LongestLength(), 0);

    const QImage image = Render(ctrl);
    const int lh = ctrl.LineHeight();
    const int bandPixels = image.width() * lh;
    QCOMPARE(CountInBand(image, 0, lh, qRgb(0, 255, 0)), bandPixels);
    QCOMPARE(CountInBand(image, 1, lh, qRgb(0x56, 0x34, 0x12)), bandPixels);
    // Below the last line: the window colour.
    const QRgb window = ctrl.palette().color(QPalette::Base).rgb();
    QCOMPARE(image.pixel(image.width() / 2, 2 * lh + 1) & 0xFFFFFF, window & 0xFFFFFF);
    QCOMPARE(image.pixel(0, image.height() - 1) & 0xFFFFFF, window & 0xFFFFFF);
}

void HistoryCtrlTest::clearIsHarmlessAndEmpties()
{
    COXHistoryCtrl ctrl;
    ctrl.resize(120, 80);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    QVERIFY(ctrl.ClearHistory());
    QCOMPARE(ctrl.LineCount(), 0);
    QVERIFY(!Render(ctrl).isNull());

    for (int i = 0; i < 50; ++i) {
        ctrl.AddLine(std::string(40, 'w'));
    }
    QVERIFY(ctrl.horizontalScrollBar()->maximum() > 0);
    QVERIFY(ctrl.verticalScrollBar()->maximum() > 0);
    QVERIFY(ctrl.ClearHistory());
    QCOMPARE(ctrl.LineCount(), 0);
    QCOMPARE(ctrl.LongestLength(), 0);
    QCOMPARE(ctrl.horizontalScrollBar()->maximum(), 0);
    QCOMPARE(ctrl.verticalScrollBar()->maximum(), 0);
    const QImage image = Render(ctrl);
    const QRgb window = ctrl.palette().color(QPalette::Base).rgb();
    QCOMPARE(CountInBand(image, 0, image.height(), window), image.width() * image.height());
    QVERIFY(ctrl.ClearHistory());
    ctrl.AddLine("after");
    QCOMPARE(ctrl.LineCount(), 1);
}

void HistoryCtrlTest::eventLogSetUpAndSink()
{
    QCOMPARE(EventLogSink(), nullptr);
    {
        CEventLogCtrl log;
        QCOMPARE(log.MaxEntries(), 200);
        QCOMPARE(log.Indent(), 5);
        QCOMPARE(log.DrawFlags(), uint32_t(kDrawLeft));
        QCOMPARE(EventLogSink(), static_cast<EventLineSink*>(&log));

        WriteEventLine(CaptionLine("[환경설정 읽기 명령]", "OK"), kColourBlue);
        WriteEventLine("", kColourRed);
        QCOMPARE(log.LineCount(), 2);
        QCOMPARE(log.Entry(0).text, std::string("[환경설정 읽기 명령]         : OK"));
        QCOMPARE(log.Entry(0).textColour, uint32_t(kColourBlue));
        QCOMPARE(log.Entry(1).text, std::string());
        QCOMPARE(log.Entry(1).textColour, uint32_t(kColourRed));
        QCOMPARE(log.TextColour(), uint32_t(kColourRed));

        // A second control that is not the registered one leaves the sink alone.
        auto* other = new CEventLogCtrl;
        SetEventLogSink(&log);
        delete other;
        QCOMPARE(EventLogSink(), static_cast<EventLineSink*>(&log));
    }
    QCOMPARE(EventLogSink(), nullptr);
    WriteEventLine("no pane", kColourBlack);  // does nothing, does not fail
}

void HistoryCtrlTest::eventLogContextMenu_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("logging");
    QTest::addColumn<bool>("clearEnabled");
    QTest::newRow("empty, logging off") << 0 << false << false;
    QTest::newRow("empty, logging on") << 0 << true << false;
    QTest::newRow("lines, logging off") << 3 << false << true;
    QTest::newRow("lines, logging on") << 1 << true << true;
}

void HistoryCtrlTest::eventLogContextMenu()
{
    QFETCH(int, lines);
    QFETCH(bool, logging);
    QFETCH(bool, clearEnabled);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SetLogPath(kEventLog, (dir.path() + "/EventLog.txt").toStdString());

    CEventLogCtrl log;
    QVERIFY(!log.BuildContextMenu());  // no menu before the router is set
    RecordingRouter router;
    log.SetCommandRouter(&router);
    for (int i = 0; i < lines; ++i) {
        log.AddLine("event");
    }
    if (logging) {
        StartLogging(kEventLog);
        QVERIFY(IsLogging(kEventLog));
    }
    const std::unique_ptr<QMenu> menu = log.BuildContextMenu();
    StopLogging(kEventLog);
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("&LogMenu"));
    const std::vector<MenuRow> expected{
        {kCmdClearEventLog, "이벤트 로그 데이터 전체 삭제", clearEnabled},
        {0, "", false},
        {kCmdEventLogStart, "이벤트 로깅 시작", !logging},
        {kCmdEventLogStop, "이벤트 로깅 중지", logging},
    };
    QVERIFY(DescribeMenu(*menu) == expected);

    // Every item is clicked; only the enabled ones reach the router.
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

void HistoryCtrlTest::eventLogContextMenuRequestRunsCommand()
{
    CEventLogCtrl log;
    log.resize(400, 200);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    RecordingRouter router;
    // The main window clears the control for the clear command.
    router.onExecute = [&log](int id) {
        if (id == kCmdClearEventLog) {
            log.ClearHistory();
        }
    };
    log.SetCommandRouter(&router);
    WriteEventLine("one", kColourBlack);
    WriteEventLine("two", kColourRed);

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
        QCOMPARE(menu->title(), QStringLiteral("&LogMenu"));
        menu->setActiveAction(FindCommand(*menu, kCmdClearEventLog));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    picker.start();
    // Right-clicks land on the viewport; the control itself must answer them.
    const QPoint at = log.viewport()->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, log.viewport()->mapToGlobal(at));
    QApplication::sendEvent(log.viewport(), &request);
    picker.stop();

    QVERIFY(chosen);
    QVERIFY(router.executed == std::vector<int>{kCmdClearEventLog});
    QCOMPARE(log.LineCount(), 0);
}

QTEST_MAIN(HistoryCtrlTest)
#include "tst_history_ctrl.moc"
