// The simulator as the analyzer and a user meet it: its answers and pacing
// through its pseudo-terminal, its floods and send log, and its command line
// (option errors, --link and --errors).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "SimProcess.h"
#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace {

using Clock = std::chrono::steady_clock;

// A path in the test's temporary folder, unique to this process; nothing is
// left there afterwards.
struct TempPath {
    explicit TempPath(const std::string& name)
        : path(testing::TempDir() + "talvox-" + name + "-" + std::to_string(getpid()))
    {
        unlink(path.c_str());
    }
    ~TempPath() { unlink(path.c_str()); }
    std::string path;
};

bool Exists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string LinkTarget(const std::string& path)
{
    char target[256];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : "";
}

// The analyzer's end of a terminal (or of a link to one), which the simulator
// sets raw; everything read is kept in received.
class Port {
public:
    explicit Port(const std::string& path) : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
    }
    ~Port() { close(m_fd); }
    bool IsOpen() const { return m_fd >= 0; }
    bool Write(const std::string& text)
    {
        return write(m_fd, text.data(), text.size()) == ssize_t(text.size());
    }
    // Reads until received holds count bytes; false when time ran out first.
    bool ReadUntil(size_t count, std::chrono::milliseconds time = std::chrono::seconds(20))
    {
        return ReadWhile([&] { return received.size() < count; }, time);
    }
    bool ReadUntilHolds(const std::string& text)
    {
        return ReadWhile([&] { return received.find(text) == std::string::npos; });
    }
    // Writes a command and reads until count bytes have come in all.
    bool Exchange(const std::string& command, size_t count)
    {
        return Write(command) && ReadUntil(count);
    }

    std::string received;

private:
    bool ReadWhile(const std::function<bool()>& more,
                   std::chrono::milliseconds time = std::chrono::seconds(20))
    {
        const Clock::time_point end = Clock::now() + time;
        char buffer[4096];
        ssize_t got = 0;
        while (more() && ReadableBefore(m_fd, end) &&
               (got = read(m_fd, buffer, sizeof buffer)) > 0) {
            received.append(buffer, static_cast<size_t>(got));
        }
        return !more();
    }

    int m_fd;
};

// A simulator and a port on its terminal.
struct Bench : SimProcess, Port {
    explicit Bench(const std::vector<std::string>& args) : SimProcess(args), Port(Path()) {}
};

TEST(SimPtyTest, AnswersEachCommandInItsLayout)
{
    Bench bench({"--no-traffic", "--no-pace", "--loopback", "--firmware", "23"});
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    // In order from the default state, with the answers.
    const std::pair<std::string, std::string> steps[] = {
        {ReadConfigCommand().text, ":Y1C0102050500000000000000005A\r"},
        {ReadVersionCommand().text, ":V23BB\r"},
        {WriteConfigCommand(0, 0, 1, 1, 0, 0, 0x03020505, 0x123, 0x7F0).text,
         ":Z0C03020505012307F0FF\r"},
        {ReadConfigCommand().text, ":Y0C03020505012307F0FE\r"},
        {SendCanFrameCommand(0, 0, 2, 0x12F, data).text, ":W02012F010255\r"},  // reception off
        {SetReceptionCommand(1).text, ":G01A8\r"},
        {SendCanFrameCommand(0, 0, 2, 0x12F, data).text, ":W02012F010255\r:U02012F010253\r"},
        // Loopback is filtered as traffic: neither base identifier passes the mask.
        {SendCanFrameCommand(1, 0, 8, 0x12345678, data).text, ":W2812345678010203040506070889\r"},
        {SendCanFrameCommand(1, 1, 8, 0x123, data).text, ":W300000012340\r"},
        {SetReceptionCommand(0).text, ":G00A7\r"},
        {":Z7C01020505FFFFFFFF0000000011\r", ":Z7C010205051FFFFFFF00000000FC\r"},  // cut to width
        // A bit time the controller cannot run is kept at the one in force.
        {":Z1C0000000100000123000FFFFFC3\r", ":Z1C0102050500000123000FFFFFCF\r"},
        {":Z3001020505012307FF03\r", ":Z3001020505012307FF03\r"},  // mode 1 is 11-bit
        {WriteConfigCommand(2, 1, 0, 1, 1, 1, 0x00020505, 0x18FEF100, 0x1FFFFFFF).text,
         ":Z570002050518FEF1001FFFFFFF38\r"},
        {ResetCanCommand().text, ":R00B2\r"},
    };
    std::string expected;
    for (const auto& [command, answer] : steps) {
        expected += answer;
        bench.Exchange(command, expected.size());
        ASSERT_EQ(bench.received, expected) << command;
    }
}

TEST(SimPtyTest, OutputIsPacedAtTheLineSpeedUnlessTurnedOff)
{
    Bench paced({"--flood", "--baud", "9600"});
    ASSERT_TRUE(paced.Exchange(SetReceptionCommand(1).text, 7));
    EXPECT_TRUE(paced.received.starts_with(":G01A8\r"));  // no traffic before reception is on
    const Clock::time_point start = Clock::now();
    paced.ReadUntil(SIZE_MAX, std::chrono::milliseconds(2500));
    const double rate = double(paced.received.size() - 7) /
                        std::chrono::duration<double>(Clock::now() - start).count();
    // 960 bytes/s on the line; a loaded machine can only make it slower.
    EXPECT_GT(rate, 960 * 0.3);
    EXPECT_LT(rate, 960 * 1.2);

    // 25 KB would take 26 s paced, past the 20 s that Read waits.
    Bench unpaced({"--flood", "--baud", "9600", "--no-pace"});
    ASSERT_TRUE(unpaced.Exchange(SetReceptionCommand(1).text, 7));
    EXPECT_TRUE(unpaced.ReadUntil(25000));
}

// The benchmark's floods, and its record of what was sent and when: each
// frame with the time of its write and the time its last byte leaves the
// line. A write carries several frames, but on the line they follow one
// another at least a frame's line time apart; frame by frame, each is
// written only once its last byte has left the line.
TEST(SimPtyTest, FloodsOfEmptyFramesOrErrorReportsGoToTheSendLog)
{
    const std::string log = testing::TempDir() + "talvox-sent-" + std::to_string(getpid());
    // 10 bits a byte at 115200 bit/s.
    constexpr long long kByteNs = 1'000'000'000LL * 10 / 115200;
    const std::tuple<std::string, std::string, char, long long, bool> cases[] = {
        {"--flood-empty", ":U00000075\r:U00000176\r:U00000277\r", 'U', 11, false},
        {"--flood-errors", ":I02AB\r:I04AD\r:I08B1\r:I10AA\r:I02AB\r", 'I', 7, false},
        {"--flood-empty", ":U00000075\r:U00000176\r:U00000277\r", 'U', 11, true},
    };
    for (const auto& [option, first, letter, frameBytes, frameByFrame] : cases) {
        std::vector<std::string> args = {option, "--baud", "115200", "--send-log", log};
        if (frameByFrame) {
            args.push_back("--frame-by-frame");
        }
        Bench bench(args);
        const std::string expected = ":G01A8\r" + first;
        ASSERT_TRUE(bench.Exchange(SetReceptionCommand(1).text, expected.size()));
        EXPECT_TRUE(bench.received.starts_with(expected)) << bench.received.substr(0, 80);
        const int status = bench.Stop(SIGTERM);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << option;
        std::ifstream sent(log);
        char kind = 0;
        long long written = 0;
        long long onLine = 0;
        long long previous = 0;
        size_t lines = 0;
        size_t closeTogether = 0;
        size_t early = 0;
        while (sent >> kind >> written >> onLine) {
            early += frameByFrame && written < onLine ? 1 : 0;
            lines += kind == letter && written > 0 ? 1 : 0;
            if (previous != 0 && onLine - previous < frameBytes * kByteNs) {
                ++closeTogether;
            }
            previous = onLine;
        }
        EXPECT_TRUE(sent.eof()) << option << ": a line without both times";
        EXPECT_EQ(closeTogether, 0u) << option;
        EXPECT_EQ(early, 0u) << option << " frame by frame";
        EXPECT_GE(lines,
                  size_t(std::count(bench.received.begin(), bench.received.end(), '\r')) - 1);
    }
    std::remove(log.c_str());
}

std::string Usage(const std::string& message)
{
    return "talvox-sim: " + message + "\nTry 'talvox-sim --help'.\n";
}

TEST(SimCommandLine, BadOptionsEndWithAMessageAndNoTerminal)
{
    TempPath file("plain-file");
    std::ofstream(file.path) << "not a link\n";
    TempPath link("link");
    const std::string badBaud = "a speed from 300 to 4000000 bit/s";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    } cases[] = {
        {{"--bogus"}, 2, Usage("unknown option '--bogus'")},
        {{"--no-pace", "extra"}, 2, Usage("unknown option 'extra'")},
        {{"--baud"}, 2, Usage("option --baud needs a value")},
        {{"--baud", "299"}, 2, Usage("bad --baud '299': " + badBaud)},
        {{"--baud=4000001"}, 2, Usage("bad --baud '4000001': " + badBaud)},
        {{"--baud", "96OO"}, 2, Usage("bad --baud '96OO': " + badBaud)},
        {{"--baud", "-9600"}, 2, Usage("bad --baud '-9600': " + badBaud)},
        {{"--seed", "4294967296"},
         2,
         Usage("bad --seed '4294967296': a number from 0 to 4294967295")},
        {{"--firmware", "123"},
         2,
         Usage("bad --firmware '123': one byte in hexadecimal, e.g. 12 for 1.2")},
        {{"--link="}, 2, Usage("option --link needs a path")},
        {{"--send-log"}, 2, Usage("option --send-log needs a value")},
        {{"--loopback=1"}, 2, Usage("option --loopback takes no value")},
        // Refused when it starts: never replaces what is not a link, and a
        // start that fails leaves no link behind.
        {{"--link", file.path},
         1,
         "talvox-sim: --link " + file.path + " exists and is not a symbolic link: File exists\n"},
        {{"--link", link.path, "--send-log", "/nonexistent/sent"},
         1,
         "talvox-sim: opening the send log /nonexistent/sent: No such file or directory\n"},
    };
    for (const auto& [args, exitCode, err] : cases) {
        const SimRun run = RunSimToEnd(args);
        ASSERT_TRUE(WIFEXITED(run.status)) << args[0];
        EXPECT_EQ(WEXITSTATUS(run.status), exitCode) << args[0];
        EXPECT_EQ(run.err, err);
        EXPECT_EQ(run.out, "") << args[0];
    }
    EXPECT_FALSE(Exists(link.path));
    std::ifstream kept(file.path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a link\n");
}

TEST(SimCommandLine, HelpShowsHowToStartTheAnalyzerAgainstIt)
{
    const SimRun run = RunSimToEnd({"--help"});
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("\n  talvox-sim --link /tmp/ttyTALVOX &\n"
                           "  TALVOX_PORTS=/tmp/ttyTALVOX talvox-analyzer\n"),
              std::string::npos)
        << run.out;
}

// --link points at the terminal while the simulator runs, replacing a stale
// link of an earlier run, and goes with it on each signal that ends it; a link
// that someone has pointed elsewhere meanwhile is not the simulator's to remove.
TEST(SimCommandLine, LinkLeadsToTheTerminalAndGoesAtTheEnd)
{
    const struct {
        int signal;
        bool staleBefore;
        bool repointed;
    } cases[] = {
        {SIGTERM, false, false},
        {SIGINT, true, false},
        {SIGHUP, false, false},
        {SIGTERM, false, true},
    };
    for (const auto& [signal, staleBefore, repointed] : cases) {
        SCOPED_TRACE(testing::Message() << "signal " << signal << (staleBefore ? " stale" : "")
                                        << (repointed ? " repointed" : ""));
        TempPath link("link");
        if (staleBefore) {
            ASSERT_EQ(symlink("/dev/pts/nonexistent", link.path.c_str()), 0);
        }
        SimProcess sim({"--no-traffic", "--no-pace", "--link", link.path});
        ASSERT_NE(sim.Path(), "");
        EXPECT_EQ(LinkTarget(link.path), sim.Path());
        {
            Port port(link.path);
            ASSERT_TRUE(port.IsOpen());
            ASSERT_TRUE(port.Write(ReadVersionCommand().text));
            ASSERT_TRUE(port.ReadUntil(7));
            EXPECT_EQ(port.received, BuildFrame(":V10"));
        }
        if (repointed) {
            ASSERT_EQ(unlink(link.path.c_str()), 0);
            ASSERT_EQ(symlink("/dev/null", link.path.c_str()), 0);
        }
        const int status = sim.Stop(signal);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(LinkTarget(link.path), repointed ? "/dev/null" : "");
        EXPECT_EQ(Exists(link.path), repointed);
    }
}

// With --errors the converter reports the error conditions the mode byte
// enables. Bus-Off takes it off the bus: with automatic reset it says so with
// R01; reception is off afterwards either way, so a frame sent back in
// loopback is no longer received. Warning and Error-Passive leave reception on.
TEST(SimCommandLine, ErrorReportsFollowTheModeByte)
{
    const uint8_t data[1] = {0x5A};
    const std::string send = SendCanFrameCommand(0, 0, 1, 0x123, data).text;
    const std::string sent = BuildFrame(":W0101235A");
    const std::string looped = BuildFrame(":U0101235A");
    const std::string receptionOn = BuildFrame(":G01");
    const struct {
        const char* name;
        CommandFrame config;  // mode, width, auto reset, Bus-Off, Error-Passive, Warning
        std::string reports;  // expected exactly; "" for any Warning or Error-Passive
    } cases[] = {
        {"bus-off, auto reset", WriteConfigCommand(0, 0, 1, 1, 0, 0, 0x01020505, 0, 0),
         BuildFrame(":I01") + BuildFrame(":R01")},
        {"bus-off, no reset", WriteConfigCommand(0, 0, 0, 1, 0, 0, 0x01020505, 0, 0),
         BuildFrame(":I01")},
        {"passive and warning", WriteConfigCommand(0, 0, 1, 0, 1, 1, 0x01020505, 0, 0), ""},
    };
    for (const auto& [name, config, reports] : cases) {
        SCOPED_TRACE(name);
        Bench sim({"--no-traffic", "--no-pace", "--loopback", "--errors", "--seed", "7"});
        ASSERT_TRUE(sim.IsOpen());
        ASSERT_TRUE(sim.Write(config.text) && sim.Write(SetReceptionCommand(1).text));
        ASSERT_TRUE(sim.ReadUntilHolds(receptionOn));
        sim.received.clear();
        if (!reports.empty()) {
            ASSERT_TRUE(sim.ReadUntil(reports.size()));
            ASSERT_TRUE(sim.Write(send));
            ASSERT_TRUE(sim.ReadUntil(reports.size() + sent.size()));
            EXPECT_EQ(sim.received, reports + sent);
            continue;
        }
        // Two reports in a row, each of Warning (0x08, 0x10) and Error-Passive
        // (0x02, 0x04) bits only, then a frame still comes back.
        ASSERT_TRUE(sim.ReadUntil(14));
        for (size_t at : {0, 7}) {
            const std::string frame = sim.received.substr(at, 7);
            ASSERT_EQ(frame.substr(0, 2), ":I") << frame;
            const int code = std::stoi(frame.substr(2, 2), nullptr, 16);
            EXPECT_TRUE(code != 0 && (code & ~0x1E) == 0) << frame;
            EXPECT_EQ(frame, BuildFrame(frame.substr(0, 4)));
        }
        sim.received.clear();
        ASSERT_TRUE(sim.Write(send));
        ASSERT_TRUE(sim.ReadUntil(sent.size() + looped.size()));
        // A report may come between the answer and the frame received back.
        EXPECT_TRUE(sim.received.starts_with(sent) &&
                    sim.received.find(looped) != std::string::npos)
            << sim.received;
    }
}

}  // namespace
