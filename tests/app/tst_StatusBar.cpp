#include <string>
#include <vector>

#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QStatusTipEvent>
#include <QTimer>
#include <QtTest>

#include "app/ui/StatusBar.h"
#include "canconfig/MainSetting.h"

namespace {

// The six information panes' texts joined by "|".
QString PaneTexts(const StatusBar& bar)
{
    QStringList texts;
    for (int id = StatusBar::kPortPane; id <= StatusBar::kMaskIdPane; ++id) {
        texts << bar.Pane(id)->text();
    }
    return texts.join('|');
}

QImage Argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

int ShownLampImage(const StatusBar& bar)
{
    const QImage shown = Argb(bar.Pane(StatusBar::kLampPane)->pixmap().toImage());
    for (int state = 0; state < 4; ++state) {
        if (shown == Argb(StatusBar::LampImage(state))) {
            return state;
        }
    }
    return -1;
}

// Runs the event loop until it is about to wait, which is when the UI counts
// as idle.
void RunUntilIdle()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

class StatusBarTest : public QObject {
    Q_OBJECT

private slots:
    void panesStartWithTheirFirstTextsThenTakeTheirWidths();
    void idleMessageComesBackAfterEveryPrompt();
    void refreshShowsTheSettings_data();
    void refreshShowsTheSettings();
    void idleRefreshFollowsTheSettings();
    void lampFollowsActivityAndTicks_data();
    void lampFollowsActivityAndTicks();
    void lampImagesShowTheirLights();
    void lampSitsAtTheLeftOfItsPaneOverTheBackground();
    void lampTimerPutsTheLampOut();
    void lampIsRedrawnOnlyWhenItsStateChanges();
};

void StatusBarTest::panesStartWithTheirFirstTextsThenTakeTheirWidths()
{
    StatusBar bar;
    QCOMPARE(bar.currentMessage(), QString::fromUtf8("준비"));
    QCOMPARE(PaneTexts(bar),
             QString("COM1|115200|CAN2.0B|250K BPS|ID:0x1FFFFFFF|Mask ID:0x1FFFFFFF"));
    QCOMPARE(bar.Pane(StatusBar::kLampPane)->text(), QString("ON"));

    bar.LayOutPanes();
    const std::vector<int> widths = {50, 110, 100, 110, 90, 110, 50};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(bar.Pane(StatusBar::kPortPane + i)->minimumWidth(), widths[i]);
        QCOMPARE(bar.Pane(StatusBar::kPortPane + i)->maximumWidth(), widths[i]);
    }
    QCOMPARE(bar.Pane(StatusBar::kLampPane)->text(), QString());
    QCOMPARE(ShownLampImage(bar), 0);
}

void StatusBarTest::idleMessageComesBackAfterEveryPrompt()
{
    QMainWindow window;
    auto* bar = new StatusBar(&window);
    window.setStatusBar(bar);
    const QString ready = QString::fromUtf8("준비");
    // A menu item's prompt replaces the message while the item is hovered and
    // is withdrawn with an empty tip when the pointer leaves it.
    const QStringList prompts = {"프롬프트", "", "tip", QString()};
    const QStringList shown = {"프롬프트", ready, "tip", ready};
    for (qsizetype i = 0; i < prompts.size(); ++i) {
        QStatusTipEvent tip(prompts[i]);
        QCoreApplication::sendEvent(&window, &tip);
        QCOMPARE(bar->currentMessage(), shown[i]);
    }
    bar->showMessage("saved");
    bar->clearMessage();
    QCOMPARE(bar->currentMessage(), ready);
}

void StatusBarTest::refreshShowsTheSettings_data()
{
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<uint>("baudRate");
    QTest::addColumn<uint>("bitTime");
    QTest::addColumn<uint>("id");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<QString>("texts");
    // clang-format off
    QTest::newRow("mode 0x00: 11-bit") << 0x00 << 1 << 115200u << 0x01020505u << 0x123u << 0x7FFu
        << "ttyUSB1|UART: 115200 BPS|CAN2.0A/B Both|CAN: 250.00K BPS|ID:123|Mask ID:7FF";
    QTest::newRow("mode 0x10: 29-bit") << 0x10 << 0 << 76800u << 0x00000202u << 0x123u << 0x1FFFFFFFu
        << "ttyUSB0|UART: 76800 BPS|CAN2.0A/B Both|CAN: 1.00M BPS|ID:00000123|Mask ID:1FFFFFFF";
    QTest::newRow("2.0A only") << 0x20 << 0 << 9600u << 0x03020505u << 0x7FFu << 0x0u
        << "ttyUSB0|UART: 9600 BPS|CAN2.0A Only|CAN: 125.00K BPS|ID:7FF|Mask ID:000";
    QTest::newRow("2.0B only") << 0x40 << 0 << 230400u << 0x01020505u << 0x1ABCDEF0u << 0x0u
        << "ttyUSB0|UART: 230400 BPS|CAN2.0B Only|CAN: 250.00K BPS|ID:1ABCDEF0|Mask ID:00000000";
    QTest::newRow("mode 3 as 2.0B") << 0x7F << 0 << 115200u << 0x01020505u << 0x1u << 0x2u
        << "ttyUSB0|UART: 115200 BPS|CAN2.0B Only|CAN: 250.00K BPS|ID:00000001|Mask ID:00000002";
    QTest::newRow("no such port") << 0x1C << 2 << 115200u << 0x01020505u << 0x0u << 0x0u
        << "|UART: 115200 BPS|CAN2.0A/B Both|CAN: 250.00K BPS|ID:00000000|Mask ID:00000000";
    QTest::newRow("negative index") << 0x1C << -1 << 115200u << 0x01020505u << 0x0u << 0x0u
        << "|UART: 115200 BPS|CAN2.0A/B Both|CAN: 250.00K BPS|ID:00000000|Mask ID:00000000";
    // clang-format on
}

void StatusBarTest::refreshShowsTheSettings()
{
    QFETCH(int, modeByte);
    QFETCH(int, portIndex);
    QFETCH(uint, baudRate);
    QFETCH(uint, bitTime);
    QFETCH(uint, id);
    QFETCH(uint, mask);
    QFETCH(QString, texts);
    MainSetting setting;
    setting.modeByte = static_cast<uint8_t>(modeByte);
    setting.serialPortIndex = portIndex;
    setting.serialPortBaudRate = baudRate;
    setting.canBitTime = bitTime;
    setting.canId = id;
    setting.canMaskId = mask;
    StatusBar bar;
    bar.LayOutPanes();
    bar.Refresh(setting, {"ttyUSB0", "ttyUSB1"});
    QCOMPARE(PaneTexts(bar), texts);
    bar.Refresh(setting, {});
    QCOMPARE(bar.Pane(StatusBar::kPortPane)->text(), QString());
}

void StatusBarTest::idleRefreshFollowsTheSettings()
{
    StatusBar bar;
    bar.LayOutPanes();
    MainSetting setting;
    std::vector<std::string> names = {"ttyS0"};
    bar.FollowSettings(&setting, &names);
    RunUntilIdle();
    QCOMPARE(bar.Pane(StatusBar::kIdPane)->text(), QString("ID:00000000"));

    // A configuration reported by the converter shows at the next idle moment.
    setting.modeByte = 0x00;
    setting.canId = 0x5A5;
    setting.canBitTime = 0x00020505;
    RunUntilIdle();
    QCOMPARE(bar.Pane(StatusBar::kIdPane)->text(), QString("ID:5A5"));
    QCOMPARE(bar.Pane(StatusBar::kBitRatePane)->text(), QString("CAN: 500.00K BPS"));
    QCOMPARE(bar.Pane(StatusBar::kPortPane)->text(), QString("ttyS0"));

    bar.FollowSettings(nullptr, nullptr);
    setting.canId = 0x001;
    RunUntilIdle();
    QCOMPARE(bar.Pane(StatusBar::kIdPane)->text(), QString("ID:5A5"));
}

// Steps: R frame received, X transmission confirmed, T timer tick, ? an
// activity of another kind. expected holds the lamp state after each step.
void StatusBarTest::lampFollowsActivityAndTicks_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one received frame, out after two ticks") << "RTT"
                                                             << "220";
    QTest::newRow("one confirmation, out after two ticks") << "XTT"
                                                           << "110";
    // Ticks every 200 ms, frames every 100 ms from 50 ms before a tick.
    QTest::newRow("frames 100 ms apart hold it lit") << "RTRRTRTT"
                                                     << "22222220";
    QTest::newRow("both at once") << "XRTT"
                                  << "1330";
    QTest::newRow("both, each on its own schedule") << "XTRTT"
                                                    << "11320";
    QTest::newRow("other kinds change nothing") << "?T?"
                                                << "000";
    QTest::newRow("ticks while dark") << "TTT"
                                      << "000";
    QTest::newRow("relit after going out") << "RTTRT"
                                           << "22022";
}

void StatusBarTest::lampFollowsActivityAndTicks()
{
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    QCOMPARE(steps.size(), expected.size());

    StatusBar bar;
    bar.LayOutPanes();
    for (qsizetype i = 0; i < steps.size(); ++i) {
        switch (steps[i].toLatin1()) {
        case 'R':
            bar.OnLinkActivity(StatusBar::kFrameReceived);
            break;
        case 'X':
            bar.OnLinkActivity(StatusBar::kTransmitConfirmed);
            break;
        case 'T':
            bar.Tick();
            break;
        default:
            bar.OnLinkActivity(0);
            bar.OnLinkActivity(3);
            break;
        }
        const int state = expected[i].digitValue();
        QVERIFY2(bar.ActivityState() == state, qPrintable(QString("step %1").arg(i)));
        QCOMPARE(bar.ShownActivityState(), state);
        QCOMPARE(ShownLampImage(bar), state);
    }
}

void StatusBarTest::lampImagesShowTheirLights()
{
    const QColor green(0, 255, 0);
    const QColor grey(128, 128, 128);
    for (int state = 0; state < 4; ++state) {
        const QImage image = Argb(StatusBar::LampImage(state));
        QCOMPARE(image.size(), QSize(30, 15));
        QCOMPARE(image.pixelColor(7, 7), (state & 2) != 0 ? green : grey);   // receive
        QCOMPARE(image.pixelColor(22, 7), (state & 1) != 0 ? green : grey);  // transmit
        // The teal background is transparent, and no teal is left anywhere.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(14, 7)), 0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                QVERIFY(image.pixelColor(x, y) != QColor(0, 128, 128));
            }
        }
    }
}

void StatusBarTest::lampSitsAtTheLeftOfItsPaneOverTheBackground()
{
    StatusBar bar;
    bar.LayOutPanes();
    bar.resize(800, 24);
    bar.OnLinkActivity(StatusBar::kFrameReceived);
    QLabel* lamp = bar.Pane(StatusBar::kLampPane);
    const QImage shot = Argb(lamp->grab().toImage());
    const int top = (lamp->height() - 15) / 2;
    QCOMPARE(shot.pixelColor(7, top + 7), QColor(0, 255, 0));
    QCOMPARE(shot.pixelColor(22, top + 7), QColor(128, 128, 128));
    QVERIFY(shot.pixelColor(0, top) != QColor(0, 128, 128));
    QCOMPARE(shot.pixelColor(0, top), shot.pixelColor(40, top));
}

void StatusBarTest::lampTimerPutsTheLampOut()
{
    StatusBar bar;
    bar.LayOutPanes();
    bar.StartLampTimer();
    QVERIFY(bar.IsLampTimerActive());
    bar.OnLinkActivity(StatusBar::kTransmitConfirmed);
    QCOMPARE(ShownLampImage(bar), 1);
    QTRY_COMPARE_WITH_TIMEOUT(bar.ActivityState(), 0, 20000);
    QCOMPARE(ShownLampImage(bar), 0);
    bar.StopLampTimer();
    QVERIFY(!bar.IsLampTimerActive());
}

void StatusBarTest::lampIsRedrawnOnlyWhenItsStateChanges()
{
    StatusBar bar;
    bar.LayOutPanes();
    QLabel* lamp = bar.Pane(StatusBar::kLampPane);
    bar.OnLinkActivity(StatusBar::kFrameReceived);
    QCOMPARE(ShownLampImage(bar), 2);

    // A marker in the pane survives every step that leaves the state as shown.
    QPixmap marker(30, 15);
    marker.fill(Qt::red);
    lamp->setPixmap(marker);
    bar.OnLinkActivity(StatusBar::kFrameReceived);
    bar.OnLinkActivity(0);
    bar.Tick();
    bar.OnLinkActivity(StatusBar::kFrameReceived);
    bar.Tick();
    QCOMPARE(lamp->pixmap().cacheKey(), marker.cacheKey());

    bar.Tick();
    QCOMPARE(bar.ActivityState(), 0);
    QCOMPARE(ShownLampImage(bar), 0);
}

QTEST_MAIN(StatusBarTest)
#include "tst_StatusBar.moc"
