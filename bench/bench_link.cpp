// Pushes received-frame answers through a pseudo-terminal into the converter
// link, with no GUI, and reports frames decoded per second, bytes the ring
// dropped, and CPU seconds of the link (reader and UI thread) per 10,000 frames.
//
// Each workload runs twice: paced at 25 times the fastest wire rate (230400
// bit/s, 10 bits a character), where the consumer must keep up without a
// dropped byte, and unpaced, as fast as the terminal takes the bytes, which
// shows the ceiling and what the ring drops when the producer outruns it.
//
//   bench_link [frames]      (default 200000 per run)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include "link/ConverterLink.h"
#include "link/FrameCodec.h"
#include "rxlog/EventLine.h"

namespace {

class CountingList : public ReceivedLineSink {
public:
    void AddReceivedLine(std::string_view line) override
    {
        ++lines;
        bytes += line.size();
    }
    long lines = 0;
    size_t bytes = 0;
};

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd wait{fd, POLLOUT, 0};
            ::poll(&wait, 1, 1000);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

// rate 0: as fast as the terminal takes them.
void RunWorkload(const char* name, const std::string& frame, long frames, double rate)
{
    int master = -1;
    int slave = -1;
    char path[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, path, &raw, nullptr) != 0) {
        std::perror("openpty");
        std::exit(1);
    }
    ::close(slave);

    auto link = std::make_unique<CConverterLink>();
    CountingList list;
    SetReceivedDataSink(&list);
    if (!link->Open(path, 230400)) {
        std::fprintf(stderr, "cannot open %s\n", path);
        std::exit(1);
    }

    // Batches of frames per write, as a converter's USB adapter delivers them.
    std::string batch;
    constexpr int kFramesPerWrite = 64;
    for (int i = 0; i < kFramesPerWrite; ++i) {
        batch += frame;
    }
    std::atomic<bool> writerDone{false};
    double writerCpu = 0;
    std::chrono::steady_clock::time_point writerEnd;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    std::thread writer([&, rate] {
        const double own = ThreadCpuSeconds();
        const auto begin = std::chrono::steady_clock::now();
        for (long sent = 0; sent < frames; sent += kFramesPerWrite) {
            if (rate > 0) {
                // Sends each batch when it is due at the chosen frame rate.
                std::this_thread::sleep_until(
                    begin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(static_cast<double>(sent) / rate)));
            }
            if (!WriteAll(master, batch)) {
                break;
            }
        }
        writerCpu = ThreadCpuSeconds() - own;
        writerEnd = std::chrono::steady_clock::now();
        writerDone = true;
    });

    const long expected = (frames + kFramesPerWrite - 1) / kFramesPerWrite * kFramesPerWrite;
    QTimer heartbeat;
    heartbeat.start(20);
    auto lastProgress = std::chrono::steady_clock::now();
    long lastCount = 0;
    while (list.lines < expected) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (list.lines != lastCount) {
            lastCount = list.lines;
            lastProgress = std::chrono::steady_clock::now();
        } else if (writerDone &&
                   std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(3)) {
            break;
        }
    }
    // Until the writer finished or the last frame was decoded, whichever is
    // later: the idle wait that ends a run with lost frames does not count.
    writer.join();
    const auto end = std::max(lastProgress, writerEnd);
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double linkCpu = ProcessCpuSeconds() - cpuStart - writerCpu;
    const uint64_t dropped = link->Port().DroppedBytes();
    link.reset();
    SetReceivedDataSink(nullptr);
    ::close(master);

    std::printf(
        "%-22s %-8s frames %ld/%ld  %.0f frames/s  %.0f bytes/s  dropped %llu bytes  "
        "link CPU %.3f s per 10,000 frames\n",
        name, rate > 0 ? "paced" : "unpaced", list.lines, expected,
        static_cast<double>(list.lines) / seconds,
        static_cast<double>(list.lines) * static_cast<double>(frame.size()) / seconds,
        static_cast<unsigned long long>(dropped),
        list.lines > 0 ? linkCpu * 10000.0 / static_cast<double>(list.lines) : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long frames = argc > 1 ? std::atol(argv[1]) : 200000;
    // Characters per second on the fastest line, 10 bits each.
    constexpr double kWireChars = 230400.0 / 10.0;
    constexpr double kPace = 25.0;
    const std::string wide = BuildFrame(":U28123456780102030405060708");
    const std::string narrow = BuildFrame(":U000123");
    const double wideRate = kPace * kWireChars / static_cast<double>(wide.size());
    const double narrowRate = kPace * kWireChars / static_cast<double>(narrow.size());
    std::printf("pace: %.0f and %.0f frames/s (25 x the wire rate)\n", wideRate, narrowRate);
    RunWorkload("29-bit, 8 data bytes", wide, frames, wideRate);
    RunWorkload("11-bit, no data", narrow, frames, narrowRate);
    RunWorkload("29-bit, 8 data bytes", wide, frames, 0);
    RunWorkload("11-bit, no data", narrow, frames, 0);
    return 0;
}
