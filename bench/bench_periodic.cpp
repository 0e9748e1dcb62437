// Periodic transmit against talvox-sim --loopback with reception on, output
// paced at 115200 and 230400 bit/s: the period achieved at the write (a time
// stamp right after each frame went to the port) and between the converter's
// transmit confirmations (WM_LINK_ACTIVITY 1 as it reaches the UI thread), at
// 100, 10 and 1 ms. The frame is the longest one, a 29-bit data frame with 8
// data bytes (31 characters, answered by a 'W' and a looped-back 'U' frame of
// 31 characters each).
//
// Per run: intervals' mean, standard deviation, 99th percentile and maximum of
// |interval - period|, cycles skipped because the port's output queue was full
// ("busy") or because the UI thread woke a period or more late ("missed"), and
// the confirmations still owed when the run ended.
//
// Then the same sender against a pseudo-terminal whose far end is never read:
// how long one send call takes once the line is full.
//
//   bench_periodic [seconds per run]      (default 10)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "link/ConverterLink.h"
#include "link/LinkEvents.h"
#include "tests/sim/SimProcess.h"
#include "txlist/EntrySend.h"
#include "txlist/PeriodicSender.h"

namespace {

using Clock = std::chrono::steady_clock;

// The link's owner: time stamps every transmit confirmation.
class ConfirmationClock : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == WM_LINK_ACTIVITY) {
            if (static_cast<LinkActivityEvent*>(event)->Activity() == kActivityTransmitConfirmed) {
                stamps.push_back(Clock::now());
            }
            return true;
        }
        return QObject::event(event);
    }
    std::vector<Clock::time_point> stamps;
};

struct Stats {
    size_t count = 0;
    double mean = 0;
    double sd = 0;
    double p99 = 0;
    double max = 0;
};

// Intervals between successive stamps, in ms, against the period.
Stats Intervals(const std::vector<Clock::time_point>& stamps, double periodMs)
{
    Stats stats;
    if (stamps.size() < 2) {
        return stats;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < stamps.size(); ++i) {
        intervals.push_back(
            std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
    }
    stats.count = intervals.size();
    for (const double interval : intervals) {
        stats.mean += interval;
    }
    stats.mean /= static_cast<double>(intervals.size());
    std::vector<double> deviations;
    for (const double interval : intervals) {
        stats.sd += (interval - stats.mean) * (interval - stats.mean);
        deviations.push_back(std::abs(interval - periodMs));
    }
    stats.sd = std::sqrt(stats.sd / static_cast<double>(intervals.size()));
    std::sort(deviations.begin(), deviations.end());
    stats.p99 = deviations[std::min(deviations.size() - 1, deviations.size() * 99 / 100)];
    stats.max = deviations.back();
    return stats;
}

void RunFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

bool WaitFor(const std::function<bool()>& condition, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition() && Clock::now() < end) {
        RunFor(0.01);
    }
    return condition();
}

void Run(uint32_t baud, int periodMs, double seconds)
{
    SimProcess sim({"--loopback", "--no-traffic", "--baud", std::to_string(baud)});
    ConfirmationClock confirmations;
    CConverterLink link;
    link.Create(&confirmations);
    if (sim.Path().empty() || !link.Open(sim.Path(), baud)) {
        std::fprintf(stderr, "cannot start or open the simulator\n");
        std::exit(1);
    }
    link.SetReception(1);
    if (!WaitFor([&] { return link.receptionOn() != 0; }, 10)) {
        std::fprintf(stderr, "reception did not start\n");
        std::exit(1);
    }

    const TDataEntry entry{nullptr, 0, 1, 1, 8, 0x12345678, 0x01020304, 0x05060708};
    std::vector<Clock::time_point> sends;
    sends.reserve(static_cast<size_t>(seconds * 1000.0 / periodMs) + 16);
    confirmations.stamps.reserve(sends.capacity());
    PeriodicSender sender([&] { return link.IsOpen(); },
                          [&](const TDataEntry& frame) {
                              const SendOutcome outcome = SendEntryUnlessBusy(link, frame);
                              if (outcome == SendOutcome::kSent) {
                                  sends.push_back(Clock::now());
                              }
                              return outcome;
                          });
    confirmations.stamps.clear();
    sender.Start(&entry, periodMs);
    RunFor(seconds);
    sender.StopAll();
    const size_t confirmedInRun = confirmations.stamps.size();

    const Stats sent = Intervals(sends, periodMs);
    const Stats confirmed = Intervals(confirmations.stamps, periodMs);
    std::printf(
        "| %u | %d | %zu | %.3f | %.3f | %.3f | %.3f | %llu | %llu | %zu | %.3f | %.3f | %.3f | "
        "%.3f | %zu |\n",
        baud, periodMs, sends.size(), sent.mean, sent.sd, sent.p99, sent.max,
        static_cast<unsigned long long>(sender.BusyCount()),
        static_cast<unsigned long long>(sender.MissedCount()), confirmedInRun, confirmed.mean,
        confirmed.sd, confirmed.p99, confirmed.max, sends.size() - confirmedInRun);
    std::fflush(stdout);
}

// The far end of a pseudo-terminal that is never read: the line fills, and
// every send call must come back at once, busy, instead of waiting for room.
// Prints the sends, the cycles skipped as busy and as missed, and the longest
// and 99th-percentile time one send call took.
void RunFullLine(int periodMs, double seconds)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "cannot make a pseudo-terminal\n");
        std::exit(1);
    }
    CConverterLink link;
    if (!link.Open(::ptsname(master), 115200)) {
        std::fprintf(stderr, "cannot open the pseudo-terminal\n");
        std::exit(1);
    }
    const TDataEntry entry{nullptr, 0, 1, 1, 8, 0x12345678, 0x01020304, 0x05060708};
    std::vector<double> callUs;
    callUs.reserve(static_cast<size_t>(seconds * 1000.0 / periodMs) + 16);
    PeriodicSender sender(
        [&] { return link.IsOpen(); },
        [&](const TDataEntry& frame) {
            const auto start = Clock::now();
            const SendOutcome outcome = SendEntryUnlessBusy(link, frame);
            callUs.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            return outcome;
        });
    sender.Start(&entry, periodMs);
    RunFor(seconds);
    sender.StopAll();
    std::sort(callUs.begin(), callUs.end());
    std::printf(
        "| %d | %llu | %llu | %llu | %.1f | %.1f |\n", periodMs,
        static_cast<unsigned long long>(sender.SentCount()),
        static_cast<unsigned long long>(sender.BusyCount()),
        static_cast<unsigned long long>(sender.MissedCount()),
        callUs.empty() ? 0.0 : callUs[std::min(callUs.size() - 1, callUs.size() * 99 / 100)],
        callUs.empty() ? 0.0 : callUs.back());
    std::fflush(stdout);
    link.Close(0);
    ::close(master);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    std::printf(
        "%.0f s per run; intervals in ms (mean, sd, p99 and max of |interval - period|)\n\n",
        seconds);
    std::printf(
        "| bit/s | period | sends | mean | sd | p99 | max | busy | missed | confirmations | "
        "mean | sd | p99 | max | owed at end |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const uint32_t baud : {115200u, 230400u}) {
        for (const int periodMs : {100, 10, 1}) {
            Run(baud, periodMs, seconds);
        }
    }
    std::printf("\nA pseudo-terminal whose far end is never read (send call times in us)\n\n");
    std::printf("| period | sends | busy | missed | p99 call | max call |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const int periodMs : {10, 1}) {
        RunFullLine(periodMs, seconds);
    }
    return 0;
}
