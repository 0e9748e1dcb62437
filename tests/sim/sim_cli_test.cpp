// The simulator's command line as a user meets it: option errors, --link and
// --errors, through the program itself and its pseudo-terminal.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
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

// The analyzer's end of a terminal (or of a link to one).
class Port {
public:
    explicit Port(const std::string& path) : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
    }
    ~Port() { close(m_fd); }
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const std::string& text)
    {
        ASSERT_EQ(write(m_fd, text.data(), text.size()), ssize_t(text.size()));
    }
    // Reads until everything received holds count bytes; false after 20 s.
    bool ReadUntil(size_t count)
    {
        return ReadWhile([&] { return received.size() < count; });
    }
    // Reads until everything received holds text; false after 20 s.
    bool ReadUntilHolds(const std::string& text)
    {
        return ReadWhile([&] { return received.find(text) == std::string::npos; });
    }

    std::string received;

private:
    bool ReadWhile(const std::function<bool()>& more)
    {
        const Clock::time_point end = Clock::now() + std::chrono::seconds(20);
        char buffer[256];
        ssize_t got = 0;
        while (more() && ReadableBefore(m_fd, end) &&
               (got = read(m_fd, buffer, sizeof buffer)) > 0) {
            received.append(buffer, static_cast<size_t>(got));
        }
        return !more();
    }

    int m_fd;
};

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
            port.Write(ReadVersionCommand().text);
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
        SimProcess sim({"--no-traffic", "--no-pace", "--loopback", "--errors", "--seed", "7"});
        Port port(sim.Path());
        ASSERT_TRUE(port.IsOpen());
        port.Write(config.text);
        port.Write(SetReceptionCommand(1).text);
        ASSERT_TRUE(port.ReadUntilHolds(receptionOn));
        port.received.clear();
        if (!reports.empty()) {
            ASSERT_TRUE(port.ReadUntil(reports.size()));
            port.Write(send);
            ASSERT_TRUE(port.ReadUntil(reports.size() + sent.size()));
            EXPECT_EQ(port.received, reports + sent);
            continue;
        }
        // Two reports in a row, each of Warning (0x08, 0x10) and Error-Passive
        // (0x02, 0x04) bits only, then a frame still comes back.
        ASSERT_TRUE(port.ReadUntil(14));
        for (size_t at : {0, 7}) {
            const std::string frame = port.received.substr(at, 7);
            ASSERT_EQ(frame.substr(0, 2), ":I") << frame;
            const int code = std::stoi(frame.substr(2, 2), nullptr, 16);
            EXPECT_TRUE(code != 0 && (code & ~0x1E) == 0) << frame;
            EXPECT_EQ(frame, BuildFrame(frame.substr(0, 4)));
        }
        port.received.clear();
        port.Write(send);
        ASSERT_TRUE(port.ReadUntil(sent.size() + looped.size()));
        // A report may come between the answer and the frame received back.
        EXPECT_TRUE(port.received.starts_with(sent) &&
                    port.received.find(looped) != std::string::npos)
            << port.received;
    }
}

}  // namespace
