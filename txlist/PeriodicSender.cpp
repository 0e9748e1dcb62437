#include "txlist/PeriodicSender.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSettings>
#include <QSocketNotifier>

#include "common/TextFormat.h"

PeriodicSender::PeriodicSender(LineCheck lineOpen, SendFunction send, QObject* parent)
    : QObject(parent),
      m_lineOpen(std::move(lineOpen)),
      m_send(std::move(send)),
      m_now([] { return Clock::now(); }),
      m_timerFd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_timerFd >= 0) {
        m_timerNotifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_timerNotifier.get(), &QSocketNotifier::activated, this,
                &PeriodicSender::OnTimerExpired);
    }
    m_fallbackTimer.setSingleShot(true);
    m_fallbackTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_fallbackTimer, &QTimer::timeout, this, &PeriodicSender::Tick);
}

PeriodicSender::~PeriodicSender()
{
    m_timerNotifier.reset();
    if (m_timerFd >= 0) {
        ::close(m_timerFd);
    }
}

void PeriodicSender::SetClock(std::function<Clock::time_point()> now)
{
    m_now = std::move(now);
}

std::vector<PeriodicSender::Job>::iterator PeriodicSender::Find(const TDataEntry* entry)
{
    return std::find_if(m_jobs.begin(), m_jobs.end(),
                        [entry](const Job& job) { return job.entry == entry; });
}

std::vector<PeriodicSender::Job>::const_iterator PeriodicSender::Find(const TDataEntry* entry) const
{
    return std::find_if(m_jobs.begin(), m_jobs.end(),
                        [entry](const Job& job) { return job.entry == entry; });
}

bool PeriodicSender::Start(const TDataEntry* entry, int periodMs)
{
    if (entry == nullptr || periodMs < kMinPeriodMs || periodMs > kMaxPeriodMs) {
        return false;
    }
    const Clock::time_point now = m_now();
    if (auto job = Find(entry); job != m_jobs.end()) {
        job->periodMs = periodMs;
        job->due = now;
    } else {
        m_jobs.push_back({entry, periodMs, now, {}});
    }
    emit RunningChanged();
    Tick();
    return true;
}

void PeriodicSender::Stop(const TDataEntry* entry)
{
    const auto job = Find(entry);
    if (job == m_jobs.end()) {
        return;
    }
    const Job stopped = *job;
    m_jobs.erase(job);
    if (m_jobs.empty()) {
        Disarm();
    }
    emit Stopped(stopped.entry, stopped.counts);
    emit RunningChanged();
}

void PeriodicSender::StopAll()
{
    Disarm();
    if (m_jobs.empty()) {
        return;
    }
    StopJobs();
    emit RunningChanged();
}

void PeriodicSender::StopJobs()
{
    std::vector<Job> stopped;
    stopped.swap(m_jobs);
    for (const Job& job : stopped) {
        emit Stopped(job.entry, job.counts);
    }
}

PeriodicSender::Counts PeriodicSender::CountsOf(const TDataEntry* entry) const
{
    const auto job = Find(entry);
    return job != m_jobs.end() ? job->counts : Counts{};
}

bool PeriodicSender::ClaimConfirmation(const CanFrame& frame)
{
    for (Job& job : m_jobs) {
        if (job.counts.confirmed < job.counts.sent && IsConfirmationOf(*job.entry, frame)) {
            ++job.counts.confirmed;
            return true;
        }
    }
    return false;
}

bool PeriodicSender::IsRunning(const TDataEntry* entry) const
{
    return Find(entry) != m_jobs.end();
}

int PeriodicSender::PeriodOf(const TDataEntry* entry) const
{
    const auto job = Find(entry);
    return job != m_jobs.end() ? job->periodMs : 0;
}

void PeriodicSender::Tick()
{
    if (m_jobs.empty()) {
        return;
    }
    if (!m_lineOpen()) {
        StopAll();
        return;
    }
    const Clock::time_point now = m_now();
    for (Job& job : m_jobs) {
        if (job.due > now) {
            continue;
        }
        switch (m_send(*job.entry)) {
        case SendOutcome::kSent:
            ++m_sent;
            ++job.counts.sent;
            break;
        case SendOutcome::kBusy:
            ++m_busy;
            ++job.counts.skipped;
            break;
        case SendOutcome::kLineGone:
            StopAll();
            return;
        }
        // The first grid point after now: one step when on time, more when
        // whole periods were missed.
        const Clock::duration period = std::chrono::milliseconds(job.periodMs);
        const auto steps = (now - job.due) / period + 1;
        m_missed += static_cast<uint64_t>(steps - 1);
        job.due += steps * period;
    }
    Arm();
}

void PeriodicSender::Arm()
{
    const Clock::time_point now = m_now();
    Clock::time_point next = now + std::chrono::milliseconds(kLineCheckMs);
    for (const Job& job : m_jobs) {
        next = std::min(next, job.due);
    }
    if (m_timerFd < 0) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now);
        m_fallbackTimer.start(
            static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
        return;
    }
    // An all-zero time would disarm the timer instead of making it fire at once.
    const auto at =
        std::max(std::chrono::duration_cast<std::chrono::nanoseconds>(next.time_since_epoch()),
                 std::chrono::nanoseconds(1));
    itimerspec setting{};
    setting.it_value.tv_sec = static_cast<time_t>(at.count() / 1'000'000'000);
    setting.it_value.tv_nsec = static_cast<long>(at.count() % 1'000'000'000);
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &setting, nullptr);
}

void PeriodicSender::Disarm()
{
    m_fallbackTimer.stop();
    if (m_timerFd >= 0) {
        const itimerspec off{};
        ::timerfd_settime(m_timerFd, 0, &off, nullptr);
    }
}

void PeriodicSender::OnTimerExpired()
{
    uint64_t expirations = 0;
    // Reading clears the ready state; the count itself does not matter.
    [[maybe_unused]] const ssize_t cleared = ::read(m_timerFd, &expirations, sizeof expirations);
    Tick();
}

std::string PeriodValueName(const TDataEntry& entry)
{
    char name[40];
    std::snprintf(name, sizeof name, "%c %08X %c %u %08X%08X", entry.standard != 0 ? 'A' : 'B',
                  entry.id, entry.dataFrame != 0 ? 'D' : 'R', unsigned{entry.dlc}, entry.dataHigh,
                  entry.dataLow);
    return name;
}

std::string PeriodicStopLine(const TDataEntry& entry, const PeriodicSender::Counts& counts)
{
    const CanFrame frame = SentFrameOf(entry);
    char detail[160];
    std::snprintf(detail, sizeof detail,
                  frame.extended != 0 ? "CAN2.0B  ID:%08X  송신 %llu번, 송신 응답 %llu번, 건너뜀 "
                                        "%llu번으로 주기 송신을 마쳤읍니다"
                                      : "CAN2.0A  ID:%03X  송신 %llu번, 송신 응답 %llu번, 건너뜀 "
                                        "%llu번으로 주기 송신을 마쳤읍니다",
                  frame.id, static_cast<unsigned long long>(counts.sent),
                  static_cast<unsigned long long>(counts.confirmed),
                  static_cast<unsigned long long>(counts.skipped));
    return CaptionLine(kPeriodicCaption, detail);
}

namespace {

QString PeriodKey(const TDataEntry& entry)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kPeriodicSection),
                                       QString::fromStdString(PeriodValueName(entry)));
}

}  // namespace

int StoredPeriodMs(const QSettings& profile, const TDataEntry& entry)
{
    bool ok = false;
    const int stored = profile.value(PeriodKey(entry)).toString().toInt(&ok);
    return ok && stored >= PeriodicSender::kMinPeriodMs && stored <= PeriodicSender::kMaxPeriodMs
               ? stored
               : PeriodicSender::kDefaultPeriodMs;
}

void StorePeriodMs(QSettings& profile, const TDataEntry& entry, int periodMs)
{
    profile.setValue(PeriodKey(entry), periodMs);
}

void ForgetPeriodsExcept(QSettings& profile, const CTDataObject& list)
{
    std::set<QString> kept;
    for (size_t i = 0; i < list.Count(); ++i) {
        kept.insert(QString::fromStdString(PeriodValueName(*list.At(i))));
    }
    profile.beginGroup(QLatin1String(kPeriodicSection));
    const QStringList names = profile.childKeys();
    for (const QString& name : names) {
        if (kept.count(name) == 0) {
            profile.remove(name);
        }
    }
    profile.endGroup();
}
