#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "AcceptanceRule.h"
#include "SimProcess.h"
#include "link/Commands.h"
#include "link/FrameLayout.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A simulator and the analyzer's end of its terminal.
struct Bench {
    explicit Bench(const std::vector<std::string>& args) : sim(args)
    {
        opened = !sim.Path().empty() && peer.Open(sim.Path());
    }
    // Sends a command and waits until count frames in all have arrived.
    bool Exchange(const CommandFrame& command, size_t count)
    {
        return peer.Write(command.text) &&
               peer.ReadUntil([&] { return peer.frames.size() >= count; });
    }
    SimProcess sim;
    PtyPeer peer;
    bool opened = false;
};

ConfigReport ParseConfig(const SimFrame& frame)
{
    ConfigReport report;
    report.modeByte = 0xFF;
    EXPECT_TRUE(ParseConfigFields(frame.bytes.data(), frame.byteCount(), report));
    return report;
}

uint8_t ParseByte(const SimFrame& frame)
{
    uint8_t value = 0xEE;
    EXPECT_TRUE(ParseByteField(frame.bytes.data(), frame.byteCount(), value));
    EXPECT_EQ(frame.byteCount(), 2);
    return value;
}

CanFrame ParseCan(const SimFrame& frame)
{
    CanFrame can;
    EXPECT_TRUE(ParseCanFrameFields(frame.bytes.data(), frame.byteCount(), can));
    return can;
}

void ExpectConfig(const ConfigReport& got, uint8_t modeByte, uint32_t bitTime, uint32_t id,
                  uint32_t maskId)
{
    EXPECT_EQ(got.modeByte, modeByte);
    EXPECT_EQ(got.bitTime, bitTime);
    EXPECT_EQ(got.id, id);
    EXPECT_EQ(got.maskId, maskId);
}

TEST(SimPtyTest, AnswersEachCommandInItsLayout)
{
    Bench bench({"--no-traffic", "--no-pace", "--firmware", "23"});
    ASSERT_TRUE(bench.opened);
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};

    struct Step {
        CommandFrame command;
        char letter;
        int byteCount;  // fields and checksum: the width of the layout
        std::function<void(const SimFrame&)> check;
    };
    const Step steps[] = {
        {ReadConfigCommand(), 'Y', 14,
         [](const SimFrame& f) {
             ExpectConfig(ParseConfig(f), 0x1C, 0x01020505, 0, 0);
         }},
        {ReadVersionCommand(), 'V', 2,
         [](const SimFrame& f) {
             EXPECT_EQ(ParseByte(f), 0x23);
         }},
        {WriteConfigCommand(0, 0, 1, 1, 0, 0, 0x03020505, 0x123, 0x7F0), 'Z', 10,
         [](const SimFrame& f) {
             ExpectConfig(ParseConfig(f), 0x0C, 0x03020505, 0x123, 0x7F0);
         }},
        {ReadConfigCommand(), 'Y', 10,
         [](const SimFrame& f) {
             ExpectConfig(ParseConfig(f), 0x0C, 0x03020505, 0x123, 0x7F0);
         }},
        {SetReceptionCommand(1), 'G', 2,
         [](const SimFrame& f) {
             EXPECT_EQ(ParseByte(f), 1);
         }},
        {SendCanFrameCommand(0, 0, 2, 0x123, data), 'W', 6,
         [](const SimFrame& f) {
             const CanFrame can = ParseCan(f);
             EXPECT_EQ(can.extended, 0u);
             EXPECT_EQ(can.id, 0x123u);
             EXPECT_EQ(can.dlc, 2);
             EXPECT_EQ(can.data[1], 2);
         }},
        {SendCanFrameCommand(1, 0, 8, 0x12345678, data), 'W', 14,
         [](const SimFrame& f) {
             const CanFrame can = ParseCan(f);
             EXPECT_EQ(can.extended, 1u);
             EXPECT_EQ(can.id, 0x12345678u);
             EXPECT_EQ(can.dlc, 8);
             EXPECT_EQ(can.data[7], 8);
         }},
        {SendCanFrameCommand(1, 1, 8, 0x123, data), 'W', 6,
         [](const SimFrame& f) {
             const CanFrame can = ParseCan(f);
             EXPECT_EQ(can.remote, 1u);
             EXPECT_EQ(can.dlc, 0);
         }},
        {SetReceptionCommand(0), 'G', 2,
         [](const SimFrame& f) {
             EXPECT_EQ(ParseByte(f), 0);
         }},
        {WriteConfigCommand(2, 1, 0, 1, 1, 1, 0x00020505, 0x18FEF100, 0x1FFFFFFF), 'Z', 14,
         [](const SimFrame& f) {
             ExpectConfig(ParseConfig(f), 0x57, 0x00020505, 0x18FEF100, 0x1FFFFFFF);
         }},
        {ResetCanCommand(), 'R', 2,
         [](const SimFrame& f) {
             EXPECT_EQ(ParseByte(f), 0);
         }},
    };
    size_t count = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command.text);
        ASSERT_TRUE(bench.Exchange(step.command, ++count));
        ASSERT_EQ(bench.peer.frames.size(), count);
        const SimFrame& frame = bench.peer.frames.back();
        EXPECT_EQ(frame.letter, step.letter);
        EXPECT_EQ(frame.byteCount(), step.byteCount);
        step.check(frame);
    }
}

TEST(SimPtyTest, MalformedCommandsGetNoAnswer)
{
    Bench bench({"--no-traffic", "--no-pace"});
    ASSERT_TRUE(bench.opened);
    std::string badChecksum = ReadConfigCommand().text;
    badChecksum[badChecksum.size() - 2] ^= 1;
    std::string lowerCase = SetReceptionCommand(1).text;
    lowerCase[4] = 'a';
    const std::string truncatedConfig =
        BuildFrame(":Z1C01020505000000000000");  // 29-bit mode, 11-bit fields
    const std::string missingData = BuildFrame(":W0201230A");
    const std::string malformed[] = {
        badChecksum,
        lowerCase,
        truncatedConfig,
        missingData,
        BuildFrame(":H"),
        BuildFrame(":G"),
        BuildFrame(":V00"),
        "\n\r:\r",
        // A ":" in mid-frame is lost with the frame it interrupts.
        ":G1" + ReadConfigCommand().text,
    };
    for (const std::string& text : malformed) {
        ASSERT_TRUE(bench.peer.Write(text));
    }
    // Commands are answered in order, so an answer to any of the above would
    // arrive before these two.
    ASSERT_TRUE(bench.Exchange(ReadVersionCommand(), 1));
    ASSERT_TRUE(bench.Exchange(ResetCanCommand(), 2));
    ASSERT_EQ(bench.peer.frames.size(), 2u);
    EXPECT_EQ(bench.peer.frames[0].letter, 'V');
    EXPECT_EQ(bench.peer.frames[1].letter, 'R');
}

struct FilterCase {
    uint32_t mode;
    uint32_t extended;
    uint32_t id;
    uint32_t mask;
};

class SimPtyFilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(SimPtyFilterTest, TwoThousandFramesHonourModeAndFilter)
{
    const FilterCase& c = GetParam();
    Bench bench({"--flood", "--no-pace", "--seed", "9"});
    ASSERT_TRUE(bench.opened);
    const CommandFrame config =
        WriteConfigCommand(c.mode, c.extended, 0, 0, 0, 0, 0x00000202, c.id, c.mask);
    ASSERT_TRUE(bench.Exchange(config, 1));
    const ConfigReport report = ParseConfig(bench.peer.frames[0]);
    ASSERT_TRUE(bench.Exchange(SetReceptionCommand(1), 2));
    ASSERT_TRUE(bench.peer.ReadUntil([&] { return bench.peer.frames.size() >= 2002; }));

    int widths[2] = {0, 0};
    for (size_t i = 2; i < bench.peer.frames.size(); ++i) {
        const SimFrame& frame = bench.peer.frames[i];
        ASSERT_EQ(frame.letter, 'U');
        const CanFrame can = ParseCan(frame);
        ASSERT_TRUE(ExpectedAcceptance(report.modeByte, report.id, report.maskId, can))
            << std::hex << "frame " << can.id << " extended " << can.extended;
        ++widths[can.extended != 0];
    }
    // Mode 0 with an open filter lets both widths through.
    if (c.mode == 0 && c.mask == 0) {
        EXPECT_GT(widths[0], 0);
        EXPECT_GT(widths[1], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, SimPtyFilterTest,
                         testing::Values(FilterCase{0, 0, 0, 0}, FilterCase{0, 1, 0, 0},
                                         FilterCase{1, 0, 0x100, 0x700},
                                         FilterCase{2, 1, 0x18000000, 0x1F000000},
                                         FilterCase{0, 1, 0x0CF00400, 0x1FFFFFFF}));

TEST(SimPtyTest, LoopbackReturnsTheTransmittedFrame)
{
    Bench bench({"--loopback", "--no-traffic", "--no-pace"});
    ASSERT_TRUE(bench.opened);
    const uint8_t data[8] = {0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0};
    // Reception off: confirmation only.
    ASSERT_TRUE(bench.Exchange(SendCanFrameCommand(1, 0, 4, 0x1ABCDEF0, data), 1));
    ASSERT_TRUE(bench.Exchange(SetReceptionCommand(1), 2));
    ASSERT_TRUE(bench.Exchange(SendCanFrameCommand(1, 0, 4, 0x1ABCDEF0, data), 4));
    ASSERT_TRUE(bench.Exchange(ReadVersionCommand(), 5));
    const std::vector<SimFrame>& frames = bench.peer.frames;
    const char letters[] = {'W', 'G', 'W', 'U', 'V'};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(frames[i].letter, letters[i]) << i;
    }
    const CanFrame sent = ParseCan(frames[2]);
    const CanFrame back = ParseCan(frames[3]);
    EXPECT_EQ(back.extended, 1u);
    EXPECT_EQ(back.id, 0x1ABCDEF0u);
    EXPECT_EQ(back.dlc, 4);
    EXPECT_EQ(std::vector<uint8_t>(back.data, back.data + 4),
              std::vector<uint8_t>(sent.data, sent.data + 4));
}

TEST(SimPtyTest, OutputIsPacedAtTheLineSpeed)
{
    Bench bench({"--flood", "--baud", "9600", "--seed", "2"});
    ASSERT_TRUE(bench.opened);
    ASSERT_TRUE(bench.Exchange(SetReceptionCommand(1), 2));  // the answer and a first frame
    const size_t before = bench.peer.bytesRead;
    const Clock::time_point start = Clock::now();
    bench.peer.ReadFor(milliseconds(2500));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double rate = static_cast<double>(bench.peer.bytesRead - before) / seconds;
    // 960 bytes/s on the line. A loaded machine can only make it slower; the
    // band is wide on that side.
    EXPECT_GT(rate, 960 * 0.3);
    EXPECT_LT(rate, 960 * 1.2);
}

TEST(SimPtyTest, UnpacedOutputIsFarFasterThanTheLine)
{
    Bench bench({"--flood", "--baud", "9600", "--no-pace"});
    ASSERT_TRUE(bench.opened);
    ASSERT_TRUE(bench.Exchange(SetReceptionCommand(1), 1));
    // 20 KB would take over 20 s at 9600 bit/s.
    ASSERT_TRUE(bench.peer.ReadUntil([&] { return bench.peer.bytesRead > 20000; }));
}

TEST(SimPtyTest, SurvivesTheAnalyzerClosingAndReopeningThePort)
{
    Bench bench({"--no-traffic", "--no-pace"});
    ASSERT_TRUE(bench.opened);
    ASSERT_TRUE(bench.Exchange(ReadVersionCommand(), 1));
    for (int round = 0; round < 3; ++round) {
        bench.peer.Close();
        ASSERT_TRUE(bench.peer.Open(bench.sim.Path()));
        ASSERT_TRUE(bench.Exchange(ReadVersionCommand(), 2 + round));
    }
}

class SimExitTest : public testing::TestWithParam<int> {};

TEST_P(SimExitTest, SignalEndsCleanlyAndRemovesTheLink)
{
    const fs::path dir =
        fs::temp_directory_path() /
        ("talvox-sim-test-" + std::to_string(getpid()) + "-" + std::to_string(GetParam()));
    fs::create_directories(dir);
    const fs::path link = dir / "ttyTALVOX";
    // A stale link from an earlier run is replaced.
    fs::create_symlink("/nonexistent/pts", link);
    {
        SimProcess sim({"--link", link.string(), "--no-traffic"});
        ASSERT_FALSE(sim.Path().empty());
        EXPECT_EQ(fs::read_symlink(link), fs::path(sim.Path()));
        PtyPeer peer;
        ASSERT_TRUE(peer.Open(link.string()));
        ASSERT_TRUE(peer.Write(ReadVersionCommand().text));
        ASSERT_TRUE(peer.ReadUntil([&] { return peer.frames.size() == 1; }));
        const int status = sim.Stop(GetParam());
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Signals, SimExitTest, testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(SimPtyTest, RefusesToReplaceAFileWithTheLink)
{
    const fs::path dir =
        fs::temp_directory_path() / ("talvox-sim-file-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "keep.txt";
    std::ofstream(file) << "data";
    const SimRun run = RunSimToEnd({"--link", file.string()});
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_NE(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("is not a symbolic link"), std::string::npos) << run.err;
    EXPECT_EQ(fs::file_size(file), 4u);
    fs::remove_all(dir);
}

TEST(SimPtyTest, OptionsHelpAndErrors)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* outStart;
        const char* err;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: talvox-sim [options]\n", ""},
        {{"--bogus"}, 2, "", "talvox-sim: unknown option '--bogus'\nTry 'talvox-sim --help'.\n"},
        {{"--baud", "0"},
         2,
         "",
         "talvox-sim: bad --baud '0': a speed from 300 to 4000000 bit/s\n"
         "Try 'talvox-sim --help'.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const SimRun run = RunSimToEnd(c.args);
        ASSERT_TRUE(WIFEXITED(run.status));
        EXPECT_EQ(WEXITSTATUS(run.status), c.exitCode);
        EXPECT_EQ(run.out.substr(0, std::string(c.outStart).size()), c.outStart);
        EXPECT_EQ(run.err, c.err);
    }
}

}  // namespace
