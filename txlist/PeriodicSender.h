#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "link/CanFrame.h"
#include "txlist/EntrySend.h"
#include "txlist/TDataEntry.h"

class QSettings;
class QSocketNotifier;

// Sends transmit entries again and again, each at its own period, from one
// timer armed for the earliest deadline.
//
// Deadlines lie on a fixed grid per entry: start, start + period, start + 2 *
// period, ...; the first send goes out from Start itself. A send never moves
// the grid, so the time a send takes causes no drift. When a wake-up comes a
// whole period or more after a deadline (the UI thread was busy), the missed
// cycles are skipped and counted, not sent in a burst: one send, and the next
// deadline is the first grid point after now. A cycle whose send reports the
// line busy is skipped as well and counted; one whose send finds the line
// gone stops every entry at once.
//
// Each entry counts its sends, its skipped cycles and the converter's
// confirmations of its frame (ClaimConfirmation); Stopped reports the counts
// when it stops.
//
// The timer is a timerfd armed at the deadline itself (nanoseconds on the
// monotonic clock, which steady_clock reads) and watched by the event loop.
// Qt's own timers round every wait up to a whole millisecond, counted from
// when the wait begins, so the lateness of each wake-up adds up until it
// passes a millisecond and snaps back: a jitter of a millisecond on any
// period. Where no timerfd can be made, a precise QTimer stands in.
//
// Every wake-up first asks whether the line is still the one the sends began
// on; when it is not (port lost, closed or reopened), every entry stops. While
// entries run, the timer wakes at least every kLineCheckMs for that question,
// so a lost port stops even a 60-second period promptly.
//
// Entries are known by address and never dereferenced except to send them:
// whoever frees or changes an entry stops it first.
class PeriodicSender : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    // True while the line the sends began on is still open.
    using LineCheck = std::function<bool()>;
    // Sends one entry.
    using SendFunction = std::function<SendOutcome(const TDataEntry&)>;

    struct Counts {
        uint64_t sent = 0;
        uint64_t confirmed = 0;
        // Cycles skipped because the line was busy.
        uint64_t skipped = 0;
    };

    static constexpr int kMinPeriodMs = 1;
    static constexpr int kMaxPeriodMs = 60000;
    static constexpr int kDefaultPeriodMs = 100;
    static constexpr int kLineCheckMs = 250;

    PeriodicSender(LineCheck lineOpen, SendFunction send, QObject* parent = nullptr);
    ~PeriodicSender() override;

    // Replaces the clock, for tests that drive Tick themselves.
    void SetClock(std::function<Clock::time_point()> now);

    // Starts the entry (or restarts it with the new period) and sends what is
    // due, the entry first of all. False, and nothing changes, for a period
    // outside 1..60000 ms.
    bool Start(const TDataEntry* entry, int periodMs);
    void Stop(const TDataEntry* entry);
    void StopAll();
    bool IsRunning(const TDataEntry* entry) const;
    // The entry's period in ms, 0 when it is not running.
    int PeriodOf(const TDataEntry* entry) const;
    size_t RunningCount() const { return m_jobs.size(); }
    // The running entry's counts since it started; all 0 when it is not running.
    Counts CountsOf(const TDataEntry* entry) const;
    // Counts a transmit confirmation for the first running entry whose frame
    // it confirms and that has a send not yet confirmed; true when one did.
    bool ClaimConfirmation(const CanFrame& frame);

    // Stops everything when the line is gone; otherwise sends what is due now
    // and arms the timer for the next deadline.
    void Tick();

    uint64_t SentCount() const { return m_sent; }
    // Cycles skipped because the line was busy.
    uint64_t BusyCount() const { return m_busy; }
    // Cycles skipped because the wake-up came a period or more too late.
    uint64_t MissedCount() const { return m_missed; }

signals:
    // An entry started or stopped.
    void RunningChanged();
    // The entry stopped (it is still valid while this is emitted), with its
    // counts. Not emitted when Start only changes the period.
    void Stopped(const TDataEntry* entry, PeriodicSender::Counts counts);

private:
    struct Job {
        const TDataEntry* entry;
        int periodMs;
        Clock::time_point due;
        Counts counts;
    };

    std::vector<Job>::iterator Find(const TDataEntry* entry);
    std::vector<Job>::const_iterator Find(const TDataEntry* entry) const;
    void Arm();
    void Disarm();
    void OnTimerExpired();
    // Removes every job, reporting each stop.
    void StopJobs();

    LineCheck m_lineOpen;
    SendFunction m_send;
    std::function<Clock::time_point()> m_now;
    std::vector<Job> m_jobs;
    int m_timerFd = -1;
    std::unique_ptr<QSocketNotifier> m_timerNotifier;
    QTimer m_fallbackTimer;
    uint64_t m_sent = 0;
    uint64_t m_busy = 0;
    uint64_t m_missed = 0;
};

// The event line written when an entry's periodic send stops, e.g.
// "[CAN 데이터 주기 송신]       : CAN2.0A  ID:123  송신 120번, 송신 응답 118번, 건너뜀 0번으로
// 주기 송신을 마쳤읍니다" (one line).
inline constexpr char kPeriodicCaption[] = "[CAN 데이터 주기 송신]";
std::string PeriodicStopLine(const TDataEntry& entry, const PeriodicSender::Counts& counts);

// The profile section where the period last used for each frame is kept.
inline constexpr char kPeriodicSection[] = "Periodic Transmit";

// The value name of a frame's period: its identity as the duplicate test sees
// it (protocol, frame type, identifier, length, all eight data bytes), e.g.
// "B 00000123 D 8 0102030405060708" for a 29-bit data frame.
std::string PeriodValueName(const TDataEntry& entry);
// The period stored for the frame, or kDefaultPeriodMs when none is stored or
// the stored value is not a whole number within 1..60000.
int StoredPeriodMs(const QSettings& profile, const TDataEntry& entry);
void StorePeriodMs(QSettings& profile, const TDataEntry& entry, int periodMs);
// Removes the stored periods of frames the list does not hold, so that the
// section holds at most one value per frame of the list as last saved or
// cleared, however many frames were ever sent periodically.
void ForgetPeriodsExcept(QSettings& profile, const CTDataObject& list);
