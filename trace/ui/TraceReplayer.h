#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QTimer>

#include "trace/ReplayPlan.h"

class QSocketNotifier;

// Sends a replay plan through the converter on the clock periodic sending
// uses: a timerfd armed at each frame's due time (absolute, CLOCK_MONOTONIC,
// which steady_clock reads), so a wake-up's lateness never adds up. Every
// wake-up sends all frames due by then. A frame the line cannot take when it
// is due (the send function says the line is busy) is not sent and is
// counted; so is every frame left when the line goes away. Where no timerfd
// can be made a precise QTimer stands in.
class CTraceReplayer : public QObject {
    Q_OBJECT

public:
    // Sends one frame; false when the line is too busy to take it now.
    using SendFunction = std::function<bool(const CanFrame& frame)>;
    using LineCheck = std::function<bool()>;

    CTraceReplayer(LineCheck lineOpen, SendFunction send, QObject* parent = nullptr);
    ~CTraceReplayer() override;

    // Starts the plan now (replacing one that runs) and sends what is due.
    void Start(std::vector<ReplayFrame> plan);
    // Ends the replay; the frames not sent yet count as not sent.
    void Stop();
    bool IsRunning() const { return m_schedule.has_value(); }

    size_t Total() const { return m_total; }
    size_t Sent() const { return m_sent; }
    // Frames the line could not take when they were due.
    size_t Busy() const { return m_busy; }
    // Frames never reached: the replay was stopped or the line went away.
    size_t Unsent() const { return m_unsent; }

signals:
    // After every wake-up that sent or skipped frames.
    void Progress();
    // The replay ended: all sent, stopped, or the line went away.
    void Finished();

private:
    void Tick();
    void Arm(int64_t atNs);
    void Disarm();
    void End();

    LineCheck m_lineOpen;
    SendFunction m_send;
    std::optional<ReplaySchedule> m_schedule;
    int m_timerFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_fallbackTimer;
    size_t m_total = 0;
    size_t m_sent = 0;
    size_t m_busy = 0;
    size_t m_unsent = 0;
};
