#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AcceptanceRule.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "sim/LinePacer.h"
#include "sim/SimConverter.h"
#include "sim/SimOptions.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Frames decoded from the converter's output with the analyzer's own decoder.
struct Decoded {
    char letter;
    std::vector<uint8_t> bytes;  // bytes[0] letter .. bytes[byteCount]
};

class Collector : public FrameSink {
public:
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        frames.push_back(
            {static_cast<char>(decoder.Letter()),
             std::vector<uint8_t>(decoder.bytes, decoder.bytes + decoder.byteCount + 1)});
    }
    void Feed(const std::string& text)
    {
        m_decoder.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    std::vector<Decoded> frames;

private:
    FrameDecoder m_decoder{this};
};

std::string Send(SimConverter& converter, const std::string& text, SimTime now = SimTime::zero())
{
    converter.Receive(reinterpret_cast<const uint8_t*>(text.data()), text.size(), now);
    return converter.TakeOutput();
}

CanFrame Frame(bool extended, uint32_t id)
{
    CanFrame frame;
    frame.extended = extended ? 1 : 0;
    frame.id = id;
    return frame;
}

SimSettings Quiet()
{
    SimSettings settings;
    settings.traffic = false;
    return settings;
}

struct CommandCase {
    const char* name;
    const char* input;
    const char* answer;  // empty: ignored
    bool receptionAfter;
};

// From the default state (0x1C, 250 kbit/s, ID 0, mask 0, reception off); the
// reception column is the state after the command.
const CommandCase kCommands[] = {
    {"ReadConfig29Bit", ":Y59\r", ":Y1C0102050500000000000000005A\r", false},
    {"ReadVersion", ":V56\r", ":V10B7\r", false},
    {"ReceptionOn", ":G11A9\r", ":G01A8\r", true},
    {"ReceptionOff", ":G10A8\r", ":G00A7\r", false},
    {"Reset", ":R52\r", ":R00B2\r", false},
    {"Transmit11BitData", ":W020123010242\r", ":W020123010242\r", false},
    {"Transmit29BitRemote", ":W300000012340\r", ":W300000012340\r", false},
    {"TransmitRemoteWithLengthButNoData", ":W180000012346\r", "", false},
    {"Transmit29BitEightBytes", ":W2812345678010203040506070889\r",
     ":W2812345678010203040506070889\r", false},
    {"WriteConfig11Bit", ":Z0C0102050501230000E0\r", ":Z0C0102050501230000E0\r", false},
    {"WriteConfig29Bit", ":Z1C0102050500000000000000005B\r", ":Z1C0102050500000000000000005B\r",
     false},
    {"WriteConfigCuts11BitId", ":Z0C01020505FFFF000032\r", ":Z0C0102050507FF00000D\r", false},
    {"WriteConfigCuts29BitId", ":Z7C01020505FFFFFFFF0000000011\r",
     ":Z7C010205051FFFFFFF00000000FC\r", false},
    {"WriteConfigKeepsBitTimeItCannotRun", ":Z1C0000000100000123000FFFFFC3\r",
     ":Z1C0102050500000123000FFFFFCF\r", false},
    {"WriteConfigMode1Is11BitWhateverBit4", ":Z3001020505012307FF03\r", ":Z3001020505012307FF03\r",
     false},
    {"WriteConfigClearsBit7", ":Z8C0102050501230000E8\r", ":Z0C0102050501230000E0\r", false},
    {"BadChecksum", ":Y58\r", "", false},
    {"LowerCaseDigit", ":G11a9\r", "", false},
    {"TooShort", ":G\r", "", false},
    {"UnknownLetter", ":H48\r", "", false},
    {"ReadConfigWithBody", ":Y00B9\r", "", false},
    {"ReceptionWithoutByte", ":G47\r", "", false},
    {"ReceptionOddDigit", ":G178\r", "", false},
    {"TransmitMissingData", ":W02012301E0\r", "", false},
    {"TransmitExtraData", ":W2812345678010203040506070809F2\r", "", false},
    {"WriteConfigMode2With16BitFields", ":Z40010205050123FFFF29\r", "", false},
    {"WriteConfigMode0With32BitFieldsBit4Clear", ":Z0001020505000000000000000047\r", "", false},
    {"NoiseAndLineFeeds", "xyz\n\r\n", "", false},
};

class SimCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(SimCommandTest, AnswersWithExactBytes)
{
    const CommandCase& c = GetParam();
    SimConverter converter(Quiet());
    EXPECT_EQ(Send(converter, c.input), c.answer);
    EXPECT_EQ(converter.State().receptionOn, c.receptionAfter);
}

INSTANTIATE_TEST_SUITE_P(Commands, SimCommandTest, testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimConverterTest, WrittenConfigurationIsReadBackAndStopsReception)
{
    SimConverter converter(Quiet());
    EXPECT_EQ(Send(converter, ":G11A9\r"), ":G01A8\r");
    EXPECT_EQ(Send(converter, ":Z0C0102050501230000E0\r"), ":Z0C0102050501230000E0\r");
    EXPECT_FALSE(converter.State().receptionOn);
    EXPECT_EQ(Send(converter, ":Y59\r"), ":Y0C0102050501230000DF\r");
}

TEST(SimConverterTest, MalformedCommandInTheMiddleDoesNotDisturbTheNext)
{
    SimConverter converter(Quiet());
    // The ':' inside the first frame abandons it and is consumed, so the frame
    // it starts is lost too; the next complete frame is answered.
    EXPECT_EQ(Send(converter, ":G1:V56\r:R52\r"), ":R00B2\r");
    EXPECT_EQ(Send(converter, ":Y5"), "");
    EXPECT_EQ(Send(converter, "9\r"), ":Y1C0102050500000000000000005A\r");
}

TEST(SimConverterTest, TraceHasOneLinePerFrame)
{
    SimConverter converter(Quiet());
    std::vector<std::string> trace;
    converter.SetObserver([&](char direction, std::string_view frame) {
        trace.push_back(direction + std::string(" ") + std::string(frame));
    });
    // Frames the decoder drops are traced as ignored too, from their ":" on,
    // with bytes outside printable ASCII escaped.
    Send(converter, ":Y59\r:H48\r:Y58\r\n:W020123010242\r");
    Send(converter, "xyz:G11a9\r:\x01\r:G1:V56\r\n\r:G11");
    Send(converter, "A9\r");
    const std::vector<std::string> expected = {
        "< :Y59",           "> :Y1C0102050500000000000000005A",
        "! :H48",           "! :Y58",
        "< :W020123010242", "> :W020123010242",
        "! :G11a9",         "! :\\x01",
        "! :G1:V56",        "< :G11A9",
        "> :G01A8",
    };
    EXPECT_EQ(trace, expected);
}

TEST(SimConverterTest, FirmwareVersionComesFromSettings)
{
    SimSettings settings = Quiet();
    settings.version = 0x12;
    SimConverter converter(settings);
    EXPECT_EQ(Send(converter, ":V56\r"), ":V12B9\r");
}

struct FilterCase {
    uint8_t modeByte;
    uint32_t id;
    uint32_t mask;
    bool extended;
    uint32_t frameId;
    bool accepted;
};

TEST(SimAcceptsTest, ReceiveModeAndMaskTable)
{
    const FilterCase cases[] = {
        {0x1C, 0, 0, false, 0x123, true},  // both, no mask
        {0x1C, 0, 0, true, 0x1FFFFFFF, true},
        {0x20, 0, 0, true, 0x100, false},  // 2.0A only drops 29-bit
        {0x20, 0, 0, false, 0x100, true},
        {0x50, 0, 0, false, 0x100, false},  // 2.0B only drops 11-bit
        {0x50, 0, 0, true, 0x100, true},
        {0x70, 0, 0, false, 0x100, false},         // mode 3 reads as 2.0B
        {0x00, 0x100, 0x700, false, 0x1FF, true},  // mask bit 1: must match
        {0x00, 0x100, 0x700, false, 0x200, false},
        {0x00, 0x100, 0x000, false, 0x7FF, true},  // mask 0: don't care
        {0x00, 0x123, 0x7FF, false, 0x123, true},
        {0x00, 0x123, 0x7FF, false, 0x122, false},
        {0x00, 0x123, 0x7FF, true, 0x123 << 18 | 0x3FFFF, true},  // 11-bit filter, base id
        {0x00, 0x123, 0x7FF, true, 0x123, false},
        {0x10, 0x0CF00400, 0x1FFFFFFF, true, 0x0CF00400, true},
        {0x10, 0x0CF00400, 0x1FFFFFFF, true, 0x0CF00401, false},
        {0x10, 0x0CF00400, 0x1FFFFFFF, false, 0x0CF00400 >> 18, true},  // 29-bit filter, base id
        {0x10, 0x0CF00400, 0x1FFFFFFF, false, 0x034, false},
        {0x50, 0x18000000, 0x1F000000, true, 0x18FEF100, true},
        {0x50, 0x18000000, 0x1F000000, true, 0x0CF00400, false},
    };
    for (const FilterCase& c : cases) {
        ConfigReport config;
        config.modeByte = c.modeByte;
        config.id = c.id;
        config.maskId = c.mask;
        const CanFrame frame = Frame(c.extended, c.frameId);
        SCOPED_TRACE(testing::Message() << std::hex << "mode " << int(c.modeByte) << " id " << c.id
                                        << " mask " << c.mask << " frame " << c.frameId);
        EXPECT_EQ(SimAccepts(config, frame), c.accepted);
        EXPECT_EQ(ExpectedAcceptance(c.modeByte, c.id, c.mask, frame), c.accepted);
    }
}

// Runs the converter on simulated time, 1 ms a step, until count 'U' frames
// came out or the simulated deadline passed.
std::vector<CanFrame> CollectTraffic(SimConverter& converter, size_t count, SimTime& now,
                                     SimTime limit = seconds(600))
{
    Collector collector;
    std::vector<CanFrame> frames;
    const SimTime end = now + limit;
    while (frames.size() < count && now < end) {
        now += milliseconds(1);
        converter.Advance(now, 0);
        collector.frames.clear();
        collector.Feed(converter.TakeOutput());
        for (const Decoded& d : collector.frames) {
            EXPECT_EQ(d.letter, 'U');
            CanFrame frame;
            EXPECT_TRUE(
                ParseCanFrameFields(d.bytes.data(), static_cast<int>(d.bytes.size()) - 1, frame));
            frames.push_back(frame);
        }
    }
    return frames;
}

struct TrafficCase {
    const char* configBody;  // a 'Z' command without its checksum
    uint8_t modeByte;
    uint32_t id;
    uint32_t mask;
};

const TrafficCase kTraffic[] = {
    {":Z1C010205050000000000000000", 0x1C, 0, 0},
    {":Z200102050501000700", 0x20, 0x100, 0x700},
    {":Z5001020505180000001F000000", 0x50, 0x18000000, 0x1F000000},
    {":Z10010205050000000000000000", 0x10, 0, 0},
    {":Z000102050500000000", 0x00, 0, 0},
    {":Z10010205050CF004001FFFFFFF", 0x10, 0x0CF00400, 0x1FFFFFFF},
};

class SimTrafficTest : public testing::TestWithParam<TrafficCase> {};

TEST_P(SimTrafficTest, EveryGeneratedFrameHonoursModeAndFilter)
{
    const TrafficCase& c = GetParam();
    for (const bool flood : {false, true}) {
        SimSettings settings;
        settings.seed = 7;
        settings.flood = flood;
        SimConverter converter(settings);
        ASSERT_FALSE(Send(converter, BuildFrame(c.configBody)).empty());
        ASSERT_EQ(converter.State().config.modeByte, c.modeByte);
        Send(converter, ":G11A9\r");
        SimTime now{};
        const std::vector<CanFrame> frames = CollectTraffic(converter, 2000, now);
        ASSERT_GE(frames.size(), 2000u);
        for (const CanFrame& frame : frames) {
            ASSERT_TRUE(ExpectedAcceptance(c.modeByte, c.id, c.mask, frame))
                << std::hex << "id " << frame.id << " extended " << frame.extended;
            ASSERT_LE(frame.dlc, 8);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, SimTrafficTest, testing::ValuesIn(kTraffic));

TEST(SimConverterTest, BenchMixIsVaried)
{
    SimSettings settings;
    settings.seed = 3;
    SimConverter converter(settings);
    Send(converter, ":G11A9\r");
    SimTime now{};
    const std::vector<CanFrame> frames = CollectTraffic(converter, 3000, now);
    std::set<int> lengths;
    std::map<uint32_t, std::set<uint8_t>> firstBytes;
    int extended = 0;
    int remote = 0;
    for (const CanFrame& frame : frames) {
        lengths.insert(frame.dlc);
        extended += frame.extended != 0;
        remote += frame.remote != 0;
        if (frame.dlc > 0) {
            firstBytes[frame.id].insert(frame.data[0]);
        }
    }
    EXPECT_GT(extended, 0);
    EXPECT_LT(extended, static_cast<int>(frames.size()));
    EXPECT_GT(remote, 0);
    EXPECT_EQ(lengths.size(), 9u);
    EXPECT_GT(firstBytes[0x100].size(), 100u);  // data changes frame to frame
}

TEST(SimConverterTest, PeriodsHoldOverSimulatedTime)
{
    SimSettings settings;
    settings.seed = 11;
    SimConverter converter(settings);
    Send(converter, ":G11A9\r");
    SimTime now{};
    const std::vector<CanFrame> frames = CollectTraffic(converter, SIZE_MAX, now, seconds(10));
    std::map<uint32_t, int> counts;
    for (const CanFrame& frame : frames) {
        ++counts[frame.id];
    }
    // Ten seconds at 10, 20, 100, 500 and 1000 ms; the phase may add or drop one.
    EXPECT_NEAR(counts[0x100], 1000, 1);
    EXPECT_NEAR(counts[0x0CF00400], 500, 1);
    EXPECT_NEAR(counts[0x18FEF100], 100, 1);
    EXPECT_NEAR(counts[0x7DF], 20, 1);
    EXPECT_NEAR(counts[0x3E8], 10, 1);
}

TEST(SimConverterTest, NoTrafficWhileReceptionIsOffOrBacklogIsFull)
{
    SimSettings settings;
    SimConverter converter(settings);
    for (int ms = 1; ms <= 2000; ++ms) {
        converter.Advance(milliseconds(ms), 0);
    }
    EXPECT_EQ(converter.TakeOutput(), "");
    EXPECT_EQ(converter.NextEvent(0), SimTime::max());

    Send(converter, ":G11A9\r", milliseconds(2000));
    for (int ms = 2001; ms <= 4000; ++ms) {
        converter.Advance(milliseconds(ms), SimConverter::kMaxBacklog + 1);
    }
    EXPECT_EQ(converter.TakeOutput(), "");
    EXPECT_LE(converter.NextEvent(0), milliseconds(4010));

    Send(converter, ":R52\r", milliseconds(4000));
    for (int ms = 4001; ms <= 6000; ++ms) {
        converter.Advance(milliseconds(ms), 0);
    }
    EXPECT_EQ(converter.TakeOutput(), "");
}

TEST(SimConverterTest, SameSeedSameTraffic)
{
    auto run = [](uint32_t seed) {
        SimSettings settings;
        settings.seed = seed;
        SimConverter converter(settings);
        Send(converter, ":G11A9\r");
        std::string all;
        for (int ms = 1; ms <= 1000; ++ms) {
            converter.Advance(milliseconds(ms), 0);
            all += converter.TakeOutput();
        }
        return all;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
}

struct LoopbackCase {
    const char* name;
    bool loopback;
    const char* before;  // commands sent first
    const char* expected;
};

TEST(SimConverterTest, LoopbackTable)
{
    const LoopbackCase cases[] = {
        {"on", true, ":G11A9\r", ":W020123010242\r:U020123010240\r"},
        {"reception off", true, "", ":W020123010242\r"},
        {"filtered out", true, ":Z2001020505020007FFFE\r:G11A9\r", ":W020123010242\r"},
        {"option off", false, ":G11A9\r", ":W020123010242\r"},
    };
    for (const LoopbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimSettings settings = Quiet();
        settings.loopback = c.loopback;
        SimConverter converter(settings);
        Send(converter, c.before);
        EXPECT_EQ(Send(converter, ":W020123010242\r"), c.expected);
    }
}

struct ErrorCase {
    uint8_t modeByte;
    uint8_t allowedCodes;
};

TEST(SimConverterTest, ErrorReportsFollowTheModeByte)
{
    const ErrorCase cases[] = {
        {0x10, 0x00}, {0x14, 0x01}, {0x1C, 0x01}, {0x12, 0x06},
        {0x11, 0x18}, {0x1F, 0x1F}, {0x17, 0x1F},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode byte " << std::hex << int(c.modeByte));
        SimSettings settings = Quiet();
        settings.errors = true;
        settings.seed = c.modeByte;
        SimConverter converter(settings);
        ConfigReport config;
        config.modeByte = c.modeByte;
        Send(converter, BuildFrame(ConfigFieldsBody('Z', config)));
        ASSERT_EQ(converter.State().config.modeByte, c.modeByte);
        Send(converter, ":G11A9\r");
        Collector collector;
        int reports = 0;
        int busOffs = 0;
        for (int ms = 1; ms <= 200'000; ++ms) {
            const SimTime now = milliseconds(ms);
            converter.Advance(now, 0);
            collector.frames.clear();
            collector.Feed(converter.TakeOutput());
            for (size_t i = 0; i < collector.frames.size(); ++i) {
                const Decoded& d = collector.frames[i];
                ASSERT_EQ(d.letter, 'I');
                const uint8_t code = d.bytes[1];
                ++reports;
                ASSERT_NE(code, 0);
                ASSERT_EQ(code & ~c.allowedCodes, 0);
                if (code & 1) {
                    ++busOffs;
                    ASSERT_FALSE(converter.State().receptionOn);
                    if (c.modeByte & 0x08) {
                        ASSERT_EQ(i + 1, collector.frames.size() - 1);
                        ASSERT_EQ(collector.frames[i + 1].letter, 'R');
                        ASSERT_EQ(collector.frames[i + 1].bytes[1], 1);
                        ++i;
                    }
                }
            }
            if (!converter.State().receptionOn) {
                Send(converter, ":G11A9\r", now);
            }
        }
        if (c.allowedCodes == 0) {
            EXPECT_EQ(reports, 0);
        } else {
            EXPECT_GT(reports, 50);
        }
        EXPECT_EQ(busOffs > 0, (c.allowedCodes & 1) != 0);
    }
}

struct OptionCase {
    std::vector<std::string> args;
    bool ok;
    const char* error;
};

TEST(SimOptionsTest, ParsesAndRejects)
{
    const OptionCase cases[] = {
        {{}, true, ""},
        {{"--link", "/tmp/x", "--baud", "9600", "--no-pace", "--loopback", "--flood", "--errors",
          "--seed", "42", "--verbose", "--firmware", "A3", "--no-traffic"},
         true,
         ""},
        {{"--baud=230400", "--seed=0"}, true, ""},
        {{"--bogus"}, false, "unknown option '--bogus'"},
        {{"extra"}, false, "unknown option 'extra'"},
        {{"--baud"}, false, "option --baud needs a value"},
        {{"--baud", "fast"}, false, "bad --baud 'fast': a speed from 300 to 4000000 bit/s"},
        {{"--baud", "299"}, false, "bad --baud '299': a speed from 300 to 4000000 bit/s"},
        {{"--baud", "4000001"}, false, "bad --baud '4000001': a speed from 300 to 4000000 bit/s"},
        {{"--baud", "-9600"}, false, "bad --baud '-9600': a speed from 300 to 4000000 bit/s"},
        {{"--seed", "4294967296"}, false, "bad --seed '4294967296': a number from 0 to 4294967295"},
        {{"--firmware", "100"},
         false,
         "bad --firmware '100': one byte in hexadecimal, e.g. 12 for 1.2"},
        {{"--firmware", "g1"},
         false,
         "bad --firmware 'g1': one byte in hexadecimal, e.g. 12 for 1.2"},
        {{"--link", ""}, false, "option --link needs a path"},
        {{"--flood=1"}, false, "option --flood takes no value"},
    };
    for (const OptionCase& c : cases) {
        SimOptions options;
        std::string error;
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        EXPECT_EQ(ParseSimOptions(c.args, options, error), c.ok);
        EXPECT_EQ(error, c.error);
    }

    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseSimOptions(cases[1].args, options, error));
    EXPECT_EQ(options.linkPath, "/tmp/x");
    EXPECT_EQ(options.baud, 9600u);
    EXPECT_FALSE(options.pace);
    EXPECT_TRUE(options.settings.loopback);
    EXPECT_TRUE(options.settings.flood);
    EXPECT_TRUE(options.settings.errors);
    EXPECT_FALSE(options.settings.traffic);
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.settings.seed, 42u);
    EXPECT_TRUE(options.verbose);
    EXPECT_EQ(options.settings.version, 0xA3);
}

TEST(LinePacerTest, SustainedRateIsTheLineSpeed)
{
    for (const uint32_t baud : {300u, 9600u, 115200u, 230400u}) {
        SCOPED_TRACE(baud);
        LinePacer pacer(baud);
        LinePacer::Time now{};
        size_t sent = 0;
        // A writer that always has data and wakes exactly when told.
        while (now < seconds(10)) {
            const size_t allowed = pacer.Allowance(now);
            pacer.Sent(allowed, now);
            sent += allowed;
            const LinePacer::Time next = pacer.NextBatch(now);
            ASSERT_GT(next, now - LinePacer::Time(1)) << "never in the past";
            now = next > now ? next : now + std::chrono::microseconds(100);
        }
        const double expected = baud / 10.0 * 10;
        EXPECT_NEAR(static_cast<double>(sent), expected, expected * 0.01 + 5);
    }
}

TEST(LinePacerTest, IdleLineEarnsNoBurst)
{
    LinePacer pacer(9600);
    pacer.Sent(10, LinePacer::Time::zero());
    // 5 ms of room at 960 bytes/s is 4 bytes, however long the line was idle.
    EXPECT_EQ(pacer.Allowance(seconds(100)), 4u);
}

}  // namespace
