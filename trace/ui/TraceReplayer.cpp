#include "trace/ui/TraceReplayer.h"

#include <algorithm>
#include <chrono>

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "trace/TraceClock.h"

CTraceReplayer::CTraceReplayer(LineCheck lineOpen, SendFunction send, QObject* parent)
    : QObject(parent),
      m_lineOpen(std::move(lineOpen)),
      m_send(std::move(send)),
      m_timerFd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_timerFd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
            uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t cleared =
                ::read(m_timerFd, &expirations, sizeof expirations);
            Tick();
        });
    }
    m_fallbackTimer.setSingleShot(true);
    m_fallbackTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_fallbackTimer, &QTimer::timeout, this, &CTraceReplayer::Tick);
}

CTraceReplayer::~CTraceReplayer()
{
    m_notifier.reset();
    if (m_timerFd >= 0) {
        ::close(m_timerFd);
    }
}

void CTraceReplayer::Start(std::vector<ReplayFrame> plan)
{
    Stop();
    m_total = plan.size();
    m_sent = m_busy = m_unsent = 0;
    m_schedule.emplace(std::move(plan), TraceClock::SteadyNowNs());
    Tick();
}

void CTraceReplayer::Stop()
{
    if (!m_schedule) {
        return;
    }
    m_unsent += m_schedule->Size() - m_schedule->Taken();
    End();
}

void CTraceReplayer::Tick()
{
    if (!m_schedule) {
        return;
    }
    if (!m_lineOpen()) {
        Stop();
        return;
    }
    const auto [first, last] = m_schedule->TakeDue(TraceClock::SteadyNowNs());
    for (size_t i = first; i < last; ++i) {
        if (m_send(m_schedule->At(i).frame)) {
            ++m_sent;
        } else {
            ++m_busy;
        }
    }
    if (m_schedule->Done()) {
        End();
        return;
    }
    if (last > first) {
        emit Progress();
    }
    Arm(m_schedule->NextDueNs());
}

void CTraceReplayer::Arm(int64_t atNs)
{
    if (m_timerFd < 0) {
        const int64_t waitNs = std::max<int64_t>(0, atNs - TraceClock::SteadyNowNs());
        m_fallbackTimer.start(static_cast<int>((waitNs + 999'999) / 1'000'000));
        return;
    }
    itimerspec setting{};
    // Zero would disarm the timer: a due time already past fires at once.
    const int64_t at = std::max<int64_t>(atNs, 1);
    setting.it_value.tv_sec = at / 1'000'000'000;
    setting.it_value.tv_nsec = at % 1'000'000'000;
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &setting, nullptr);
}

void CTraceReplayer::Disarm()
{
    m_fallbackTimer.stop();
    if (m_timerFd >= 0) {
        const itimerspec off{};
        ::timerfd_settime(m_timerFd, 0, &off, nullptr);
    }
}

void CTraceReplayer::End()
{
    Disarm();
    m_schedule.reset();
    emit Progress();
    emit Finished();
}
