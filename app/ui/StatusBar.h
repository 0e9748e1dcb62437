#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>

#include "canconfig/MainSetting.h"

class QLabel;

// The main window's status bar: the message pane, six information panes
// showing the settings (port, UART speed, receive mode, CAN bit rate, receive
// ID, receive mask) and the activity lamp, whose left light stands for
// reception and right light for transmission.
//
// The lamp: an activity lights its light for two ticks of the 200 ms lamp
// timer, so it stays lit 200 to 400 ms after the last event of its kind and a
// steady stream holds it lit. The pane is redrawn only when the lit state
// changes.
class StatusBar : public QStatusBar {
    Q_OBJECT

public:
    // Pane IDs, left to right after the message pane.
    enum PaneId : int {
        kPortPane = 61213,
        kUartPane = 61214,
        kReceiveModePane = 61215,
        kBitRatePane = 61216,
        kIdPane = 61217,
        kMaskIdPane = 61218,
        kLampPane = 61219,
    };

    // The activity kinds the link reports.
    enum Activity : int {
        kTransmitConfirmed = 1,
        kFrameReceived = 2,
    };

    // Lamp state bits; the state 0..3 selects the lamp image.
    enum LampBit : int {
        kTransmitLit = 1,
        kReceiveLit = 2,
    };

    static constexpr int kLampTickMs = 200;
    static constexpr int kLampTicks = 2;

    // Creates the message pane, which shows "준비" whenever no other message
    // stands, and the information panes with their first texts.
    explicit StatusBar(QWidget* parent = nullptr);

    // Fixes the pane widths and shows the dark lamp.
    void LayOutPanes();

    // Sets the information panes from the settings; the port pane shows entry
    // serialPortIndex of portNames, or nothing when there is no such entry.
    // A pane whose text stays the same is left alone.
    void Refresh(const MainSetting& setting, const std::vector<std::string>& portNames);

    QLabel* Pane(int id) const;

    // While a view has stopped following its newest line, the message pane's
    // idle text is "자동 스크롤 멈춤" instead of "준비".
    void SetAutoScrollPaused(bool paused);

    void OnLinkActivity(int kind);
    // One period of the lamp timer.
    void Tick();
    void StartLampTimer();
    void StopLampTimer();
    bool IsLampTimerActive() const { return m_lampTimer.isActive(); }

    int ActivityState() const { return m_activityState; }
    int ShownActivityState() const { return m_shownActivityState; }

    // The lamp image of a state 0..3 (30 x 15, the teal background
    // transparent), and the pixmap the lamp pane shows for it.
    static const QImage& LampImage(int state);
    const QPixmap& LampPixmap(int state) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void RefreshLamp();
    void ShowLamp(int state);
    void SetPaneText(int id, const std::string& text);
    // Gives the port pane the room its name needs, short of what the message
    // pane keeps; a longer name is elided at its start.
    void FitPortPane();

    QString m_idleMessage;
    std::vector<std::pair<int, QLabel*>> m_panes;
    std::array<QPixmap, 4> m_lampPixmaps;
    QTimer m_lampTimer;
    int m_txTicks = 0;
    int m_rxTicks = 0;
    int m_activityState = 0;
    int m_shownActivityState = 0;
};
