#include <string>
#include <utility>
#include <vector>

#include <QLabel>
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

// The state whose lamp image the lamp pane shows, or -1.
int ShownLamp(const StatusBar& bar)
{
    const QImage shown = bar.Pane(StatusBar::kLampPane)->pixmap().toImage();
    for (int state = 0; state < 4; ++state) {
        if (shown.convertToFormat(QImage::Format_ARGB32) == StatusBar::LampImage(state)) {
            return state;
        }
    }
    return -1;
}

}  // namespace

class StatusBarTest : public QObject {
    Q_OBJECT

private slots:
    // Regression: leaving a menu item (an empty prompt) blanked the message
    // pane for good.
    void idleMessageComesBackAfterEveryPrompt()
    {
        StatusBar bar;
        const QString ready = QString::fromUtf8("준비");
        QCOMPARE(bar.currentMessage(), ready);
        for (const QString prompt : {"프롬프트", "", "tip"}) {
            bar.showMessage(prompt);
            QCOMPARE(bar.currentMessage(), prompt.isEmpty() ? ready : prompt);
        }
    }

    // Also a regression: panes were too narrow for paths such as /tmp/ttyTALVOX,
    // which a wide bar shows whole (a narrow one elides it, see the main window).
    void refreshShowsTheSettingsInPanesWideEnough()
    {
        const std::pair<MainSetting, const char*> cases[] = {
            // clang-format off
            {{1, 115200, 0x00, 0x01020505, 0x7FF, 0x123, "", ""},
             "/tmp/ttyTALVOX|UART: 115200 BPS|CAN2.0A/B Both|CAN: 250.00K BPS|ID:123|Mask ID:7FF"},
            {{0, 76800, 0x10, 0x00000202, 0x1FFFFFFF, 0x123, "", ""},
             "ttyUSB0|UART: 76800 BPS|CAN2.0A/B Both|CAN: 1.00M BPS|ID:00000123|Mask ID:1FFFFFFF"},
            {{0, 9600, 0x20, 0x03020505, 0x0, 0x7FF, "", ""},
             "ttyUSB0|UART: 9600 BPS|CAN2.0A Only|CAN: 125.00K BPS|ID:7FF|Mask ID:000"},
            {{-1, 230400, 0x7F, 0x01020505, 0x2, 0x1ABCDEF0, "", ""},  // receive mode 3 reads as 2
             "|UART: 230400 BPS|CAN2.0B Only|CAN: 250.00K BPS|ID:1ABCDEF0|Mask ID:00000002"},
            // clang-format on
        };
        StatusBar bar;
        bar.resize(1280, 24);
        bar.LayOutPanes();
        for (const auto& [setting, texts] : cases) {
            bar.Refresh(setting, {"ttyUSB0", "/tmp/ttyTALVOX"});
            QCOMPARE(PaneTexts(bar), QString(texts));
            for (int id = StatusBar::kPortPane; id <= StatusBar::kMaskIdPane; ++id) {
                const QLabel* pane = bar.Pane(id);
                QVERIFY(pane->minimumWidth() > pane->fontMetrics().horizontalAdvance(pane->text()));
            }
            bar.Refresh(setting, {});
            QCOMPARE(bar.Pane(StatusBar::kPortPane)->text(), QString());
        }
    }

    // Steps: R frame received, X transmission confirmed, T timer tick, ? the
    // unknown activity 3; after each step the lamp state it leaves. The lamp
    // pane is redrawn only when that state changes.
    void lampFollowsActivityAndTicksRedrawingOnlyOnChange()
    {
        // Frames 100 ms apart hold the lamp lit across ticks 200 ms apart.
        const char* const cases[][2] = {{"RTT", "220"},          {"XTT", "110"}, {"XRTT", "1330"},
                                        {"XTRTT", "11320"},      {"?T?", "000"}, {"RTTRT", "22022"},
                                        {"RTRRTRTT", "22222220"}};
        const QPixmap marker(30, 15);
        for (const auto& [steps, expected] : cases) {
            StatusBar bar;
            bar.LayOutPanes();
            QLabel* lamp = bar.Pane(StatusBar::kLampPane);
            for (int i = 0, state = 0; steps[i] != '\0'; ++i) {
                lamp->setPixmap(marker);
                if (steps[i] == 'T') {
                    bar.Tick();
                } else {
                    bar.OnLinkActivity(steps[i] == 'R'   ? StatusBar::kFrameReceived
                                       : steps[i] == 'X' ? StatusBar::kTransmitConfirmed
                                                         : 3);
                }
                const int previous = std::exchange(state, expected[i] - '0');
                const bool redrawn = lamp->pixmap().cacheKey() != marker.cacheKey();
                QVERIFY2(bar.ActivityState() == state && redrawn == (state != previous) &&
                             (!redrawn || ShownLamp(bar) == state),
                         qPrintable(QString("%1, step %2").arg(steps).arg(i)));
            }
        }
    }

    void lampImagesShowTheirLightsOnTransparentGround()
    {
        const QColor on(0, 255, 0), off(128, 128, 128), teal(0, 128, 128);
        for (int state = 0; state < 4; ++state) {
            const QImage image = StatusBar::LampImage(state).convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(30, 15));
            QCOMPARE(image.pixelColor(7, 7), (state & 2) != 0 ? on : off);   // receive
            QCOMPARE(image.pixelColor(22, 7), (state & 1) != 0 ? on : off);  // transmit
            QCOMPARE(qAlpha(image.pixel(0, 0)) + qAlpha(image.pixel(14, 7)), 0);
            for (int p = 0; p < 30 * 15; ++p) {
                QVERIFY(image.pixelColor(p % 30, p / 30) != teal);
            }
        }
    }

    void lampTimerPutsTheLampOut()
    {
        StatusBar bar;
        bar.StartLampTimer();
        bar.OnLinkActivity(StatusBar::kTransmitConfirmed);
        QCOMPARE(ShownLamp(bar), 1);
        QTRY_COMPARE_WITH_TIMEOUT(ShownLamp(bar), 0, 20000);
    }
};

QTEST_MAIN(StatusBarTest)
#include "tst_StatusBar.moc"
