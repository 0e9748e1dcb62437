#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "SimProcess.h"
#include "link/Commands.h"

namespace {

using Clock = std::chrono::steady_clock;

// A simulator and the analyzer's end of its terminal, which the simulator sets
// raw; Exchange writes a command and waits until count bytes have come in all.
struct Bench {
    explicit Bench(const std::vector<std::string>& args)
        : sim(args), fd(open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
    }
    ~Bench() { close(fd); }
    bool Read(size_t count, std::chrono::milliseconds time = std::chrono::seconds(20))
    {
        const Clock::time_point end = Clock::now() + time;
        char buffer[4096];
        ssize_t got = 0;
        while (text.size() < count && ReadableBefore(fd, end) &&
               (got = read(fd, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<size_t>(got));
        }
        return text.size() >= count;
    }
    bool Exchange(const std::string& command, size_t count)
    {
        return write(fd, command.data(), command.size()) == ssize_t(command.size()) && Read(count);
    }

    SimProcess sim;
    int fd = -1;
    std::string text;  // everything received
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
        ASSERT_EQ(bench.text, expected) << command;
    }
}

TEST(SimPtyTest, OutputIsPacedAtTheLineSpeedUnlessTurnedOff)
{
    Bench paced({"--flood", "--baud", "9600"});
    ASSERT_TRUE(paced.Exchange(SetReceptionCommand(1).text, 7));
    EXPECT_TRUE(paced.text.starts_with(":G01A8\r"));  // no traffic before reception is on
    const Clock::time_point start = Clock::now();
    paced.Read(SIZE_MAX, std::chrono::milliseconds(2500));
    const double rate =
        double(paced.text.size() - 7) / std::chrono::duration<double>(Clock::now() - start).count();
    // 960 bytes/s on the line; a loaded machine can only make it slower.
    EXPECT_GT(rate, 960 * 0.3);
    EXPECT_LT(rate, 960 * 1.2);

    // 25 KB would take 26 s paced, past the 20 s that Read waits.
    Bench unpaced({"--flood", "--baud", "9600", "--no-pace"});
    ASSERT_TRUE(unpaced.Exchange(SetReceptionCommand(1).text, 7));
    EXPECT_TRUE(unpaced.Read(25000));
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
        EXPECT_TRUE(bench.text.starts_with(expected)) << bench.text.substr(0, 80);
        const int status = bench.sim.Stop(SIGTERM);
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
        EXPECT_GE(lines, size_t(std::count(bench.text.begin(), bench.text.end(), '\r')) - 1);
    }
    std::remove(log.c_str());
}

}  // namespace
