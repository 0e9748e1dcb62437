// Replays a trace through talvox-sim --loopback as "트레이스 재생" does and
// reports how closely the sends keep the trace's gaps: the time of each write
// against the recorded gap times the speed, mean and maximum of the error,
// with the frames confirmed and those the line could not take.
//
// Usage: bench_replay [frames]   (default 500 frames, 10 ms apart)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "link/ConverterLink.h"
#include "link/LinkEvents.h"
#include "tests/sim/SimProcess.h"
#include "trace/ReplayPlan.h"
#include "trace/ui/TraceReplayer.h"

namespace {

using Clock = std::chrono::steady_clock;

class ConfirmationCounter : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == WM_LINK_ACTIVITY) {
            if (static_cast<LinkActivityEvent*>(event)->Activity() == kActivityTransmitConfirmed) {
                ++count;
            }
            return true;
        }
        return QObject::event(event);
    }
    size_t count = 0;
};

bool WaitFor(const std::function<bool()>& condition, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition() && Clock::now() < end) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

void Run(uint32_t baud, int gapUs, double speed, int frames)
{
    SimProcess sim({"--loopback", "--no-traffic", "--baud", std::to_string(baud)});
    ConfirmationCounter confirmations;
    CConverterLink link;
    link.Create(&confirmations);
    if (sim.Path().empty() || !link.Open(sim.Path(), baud)) {
        std::fprintf(stderr, "cannot start or open the simulator\n");
        std::exit(1);
    }
    Trace trace;
    for (int i = 0; i < frames; ++i) {
        TraceRecord record;
        record.timeUs = 1'700'000'000'000'000 + int64_t{i} * gapUs;
        record.id = 0x100 + static_cast<uint32_t>(i % 16);
        record.dlc = 8;
        for (int b = 0; b < 8; ++b) {
            record.data[b] = static_cast<uint8_t>(i + b);
        }
        trace.records.push_back(record);
    }
    std::vector<Clock::time_point> sends;
    sends.reserve(static_cast<size_t>(frames));
    CTraceReplayer replayer([&] { return link.IsOpen(); },
                            [&](const CanFrame& frame) {
                                if (link.OutputQueued() > 62) {
                                    return false;
                                }
                                sends.push_back(Clock::now());
                                link.SendCanFrame(frame.extended, frame.remote, frame.dlc, frame.id,
                                                  frame.data);
                                return true;
                            });
    replayer.Start(PlanReplay(trace, speed));
    WaitFor([&] { return !replayer.IsRunning(); }, 120);
    WaitFor([&] { return confirmations.count >= sends.size(); }, 10);

    const double expectedMs = gapUs / 1000.0 / speed;
    std::vector<double> errors;
    for (size_t i = 1; i < sends.size(); ++i) {
        const double gapMs =
            std::chrono::duration<double, std::milli>(sends[i] - sends[i - 1]).count();
        errors.push_back(std::abs(gapMs - expectedMs));
    }
    double mean = 0;
    for (const double error : errors) {
        mean += error;
    }
    mean /= std::max<size_t>(1, errors.size());
    std::sort(errors.begin(), errors.end());
    const double p99 =
        errors.empty() ? 0 : errors[std::min(errors.size() - 1, errors.size() * 99 / 100)];
    std::printf("| %u | %.3f | %.1f | %d | %zu | %zu | %zu | %.4f | %.3f | %.3f |\n", baud,
                gapUs / 1000.0, speed, frames, replayer.Sent(), replayer.Busy(),
                confirmations.count, mean, p99, errors.empty() ? 0.0 : errors.back());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 500;
    std::printf("gap errors in ms: |write gap - recorded gap / speed|\n\n");
    std::printf(
        "| bit/s | recorded gap ms | speed | frames | sent | not carried | confirmed | "
        "mean error | p99 | max |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    Run(230400, 10'000, 1.0, frames);
    Run(115200, 10'000, 1.0, frames);
    Run(230400, 10'000, 4.0, frames);
    Run(115200, 1'000, 1.0, frames);
    return 0;
}
