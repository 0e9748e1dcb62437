// talvox-sim: the converter on a pseudo-terminal. The core (SimConverter)
// answers commands and makes traffic; this file owns the terminal, the pacing
// of the output at the UART speed, the options and the signals.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "sim/LinePacer.h"
#include "sim/SimConverter.h"
#include "sim/SimOptions.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::nanoseconds;

constexpr int kExitUsage = 2;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "talvox-sim: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(EXIT_FAILURE);
}

struct Terminal {
    int master = -1;
    // Held open for the whole run: while one slave descriptor stays open the
    // master sees no hang-up when the analyzer closes and reopens the port.
    int slave = -1;
    std::string path;
};

Terminal OpenTerminal()
{
    Terminal terminal;
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal.master < 0) {
        Fail("posix_openpt");
    }
    if (grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0) {
        Fail("unlocking the pseudo-terminal");
    }
    char name[256];
    if (ptsname_r(terminal.master, name, sizeof name) != 0) {
        Fail("ptsname");
    }
    terminal.path = name;
    terminal.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal.slave < 0) {
        Fail("opening " + terminal.path);
    }
    // Raw from the start, so that a reader that sets nothing sees the frames
    // as they are (no echo, no CR translation).
    termios settings{};
    if (tcgetattr(terminal.slave, &settings) != 0) {
        Fail("tcgetattr");
    }
    cfmakeraw(&settings);
    cfsetspeed(&settings, B115200);
    if (tcsetattr(terminal.slave, TCSANOW, &settings) != 0) {
        Fail("tcsetattr");
    }
    const int flags = fcntl(terminal.master, F_GETFL);
    if (flags < 0 || fcntl(terminal.master, F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail("fcntl");
    }
    return terminal;
}

// A link is replaced only when it is a symbolic link (a stale one from an
// earlier run); anything else at the path is left alone and refused.
void MakeLink(const std::string& linkPath, const std::string& target)
{
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            errno = EEXIST;
            Fail("--link " + linkPath + " exists and is not a symbolic link");
        }
        if (unlink(linkPath.c_str()) != 0) {
            Fail("removing the old link " + linkPath);
        }
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        Fail("making the link " + linkPath);
    }
}

// Removes the link only while it still points at this run's terminal.
void RemoveLink(const std::string& linkPath, const std::string& target)
{
    char current[256];
    const ssize_t length = readlink(linkPath.c_str(), current, sizeof current);
    if (length > 0 && target == std::string(current, static_cast<size_t>(length))) {
        unlink(linkPath.c_str());
    }
}

// Follows the bytes written to the terminal frame by frame and counts the
// received frames ('U') and error reports ('I') whose last byte has gone out.
// With a send log, records each with two CLOCK_MONOTONIC times: that of the
// write that completed it, and that at which its last byte leaves the
// modelled line. A terminal has no line, and one write carries up to a few
// milliseconds of line time, so only the second spaces the frames as a UART
// would.
class SentFrames {
public:
    explicit SentFrames(FILE* log) : m_log(log) {}

    // bytes were written; the first of them starts on the line at lineStart
    // (CLOCK_MONOTONIC ns), each taking byteNs.
    void Written(std::string_view bytes, long long lineStart, long long byteNs)
    {
        timespec at{};
        clock_gettime(CLOCK_MONOTONIC, &at);
        const long long ns = at.tv_sec * 1'000'000'000LL + at.tv_nsec;
        long long lineEnd = lineStart;
        for (const char c : bytes) {
            lineEnd += byteNs;
            if (c == ':') {
                m_afterColon = true;
                m_letter = 0;
            } else if (m_afterColon) {
                m_afterColon = false;
                m_letter = c;
            } else if (c == '\r' && (m_letter == 'U' || m_letter == 'I')) {
                ++(m_letter == 'U' ? m_frames : m_errorReports);
                if (m_log != nullptr) {
                    std::fprintf(m_log, "%c %lld %lld\n", m_letter, ns, lineEnd);
                }
                m_letter = 0;
            }
        }
    }

    unsigned long long Frames() const { return m_frames; }
    unsigned long long ErrorReports() const { return m_errorReports; }

private:
    FILE* m_log;
    bool m_afterColon = false;
    char m_letter = 0;
    unsigned long long m_frames = 0;
    unsigned long long m_errorReports = 0;
};

int OpenSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Closing the terminal window the simulator was started from ends it as
    // cleanly as Ctrl+C, link removed.
    sigaddset(&signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        Fail("sigprocmask");
    }
    const int fd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) {
        Fail("signalfd");
    }
    signal(SIGPIPE, SIG_IGN);
    return fd;
}

int Run(const SimOptions& options)
{
    const int signals = OpenSignals();
    // The send log first: a run that cannot start leaves no link behind.
    FILE* sendLog = nullptr;
    if (!options.sendLogPath.empty()) {
        sendLog = std::fopen(options.sendLogPath.c_str(), "we");
        if (sendLog == nullptr) {
            Fail("opening the send log " + options.sendLogPath);
        }
    }
    const Terminal terminal = OpenTerminal();
    if (!options.linkPath.empty()) {
        MakeLink(options.linkPath, terminal.path);
    }
    SentFrames sent(sendLog);
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);

    const Clock::time_point start = Clock::now();
    // The steady clock is CLOCK_MONOTONIC, the send log's clock.
    const nanoseconds startNs = duration_cast<nanoseconds>(start.time_since_epoch());
    auto now = [start] {
        return duration_cast<nanoseconds>(Clock::now() - start);
    };

    SimConverter converter(options.settings);
    if (options.verbose) {
        converter.SetObserver([&now](char direction, std::string_view frame) {
            const double seconds = static_cast<double>(now().count()) * 1e-9;
            std::fprintf(stderr, "%10.3f %c %.*s\n", seconds, direction,
                         static_cast<int>(frame.size()), frame.data());
        });
    }
    LinePacer pacer(options.baud);
    std::string pending;
    // Frame by frame: when the first waiting frame's last byte leaves the line.
    const bool frameByFrame = options.frameByFrame && options.pace;
    bool headPlaced = false;
    nanoseconds headDue{};
    bool stop = false;
    while (!stop) {
        converter.Advance(duration_cast<SimTime>(now()), pending.size());
        pending += converter.TakeOutput();

        bool waitWritable = false;
        if (!pending.empty()) {
            const nanoseconds writeTime = now();
            size_t allowed = options.pace ? std::min(pending.size(), pacer.Allowance(writeTime))
                                          : pending.size();
            // The line as a UART's receiver sees it: the first waiting frame
            // is placed on the line once and goes out when its last byte has.
            size_t headBytes = 0;
            if (frameByFrame) {
                const size_t end = pending.find('\r');
                headBytes = end == std::string::npos ? pending.size() : end + 1;
                if (!headPlaced) {
                    pacer.Sent(headBytes, writeTime);
                    headDue = pacer.FreeAt();
                    headPlaced = true;
                }
                allowed = writeTime >= headDue ? headBytes : 0;
            }
            if (allowed > 0) {
                const ssize_t written = write(terminal.master, pending.data(), allowed);
                if (written > 0) {
                    const nanoseconds lineStart =
                        frameByFrame ? headDue - static_cast<int64_t>(headBytes) * pacer.ByteTime()
                                     : std::max(pacer.FreeAt(), writeTime);
                    sent.Written(std::string_view(pending).substr(0, static_cast<size_t>(written)),
                                 (startNs + lineStart).count(), pacer.ByteTime().count());
                    pending.erase(0, static_cast<size_t>(written));
                    if (!frameByFrame) {
                        pacer.Sent(static_cast<size_t>(written), writeTime);
                    } else if (static_cast<size_t>(written) == headBytes) {
                        headPlaced = false;
                    }
                } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    waitWritable = true;
                } else if (errno != EINTR) {
                    Fail("writing to the terminal");
                }
            }
        }

        // Sleep until the next traffic event, the next paced batch, room in the
        // terminal, a command or a signal.
        const nanoseconds current = now();
        nanoseconds wake = nanoseconds::max();
        const SimTime next = converter.NextEvent(pending.size());
        if (next != SimTime::max()) {
            wake = duration_cast<nanoseconds>(next);
        }
        if (!pending.empty() && !waitWritable) {
            wake = std::min(wake, frameByFrame && headPlaced ? headDue
                                  : options.pace             ? pacer.NextBatch(current)
                                                             : current);
        }
        timespec timeout{};
        if (wake != nanoseconds::max()) {
            auto ahead = std::min<nanoseconds>(std::max(nanoseconds::zero(), wake - current),
                                               std::chrono::seconds(1));
            if (!frameByFrame) {
                // Whole milliseconds, rounded up, so that the wake-up never
                // comes before the event and batches stay a few ms long.
                ahead = std::chrono::ceil<std::chrono::milliseconds>(ahead);
            }
            timeout = {static_cast<time_t>(ahead.count() / 1'000'000'000),
                       static_cast<long>(ahead.count() % 1'000'000'000)};
        }
        pollfd fds[2] = {
            {terminal.master, static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
            {signals, POLLIN, 0},
        };
        if (ppoll(fds, 2, wake != nanoseconds::max() ? &timeout : nullptr, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("poll");
        }
        if ((fds[1].revents & POLLIN) != 0) {
            stop = true;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            uint8_t buffer[4096];
            for (;;) {
                const ssize_t got = read(terminal.master, buffer, sizeof buffer);
                if (got > 0) {
                    converter.Receive(buffer, static_cast<size_t>(got),
                                      duration_cast<SimTime>(now()));
                    continue;
                }
                if (got == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                    break;
                }
                Fail("reading from the terminal");
            }
        }
    }

    if (!options.linkPath.empty()) {
        RemoveLink(options.linkPath, terminal.path);
    }
    close(terminal.slave);
    close(terminal.master);
    close(signals);
    if (sendLog != nullptr && std::fclose(sendLog) != 0) {
        Fail("writing the send log " + options.sendLogPath);
    }
    std::fprintf(stderr, "talvox-sim: sent %llu received frames and %llu error reports\n",
                 sent.Frames(), sent.ErrorReports());
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "talvox-sim: %s\nTry 'talvox-sim --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return EXIT_SUCCESS;
    }
    if (!options.seedGiven) {
        options.settings.seed = std::random_device{}();
    }
    return Run(options);
}
