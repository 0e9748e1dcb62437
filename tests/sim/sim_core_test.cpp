#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "canconfig/MainSetting.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "sim/SimConverter.h"

namespace {

using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

std::string Send(SimConverter& converter, const std::string& text, int ms = 0)
{
    converter.Receive(reinterpret_cast<const uint8_t*>(text.data()), text.size(), milliseconds(ms));
    return converter.TakeOutput();
}

// The output from fromMs to toMs of simulated time, 1 ms a step.
std::string Output(SimConverter& converter, int fromMs, int toMs, size_t pending = 0)
{
    std::string all;
    for (int t = fromMs; t <= toMs; ++t) {
        converter.Advance(milliseconds(t), pending);
        all += converter.TakeOutput();
    }
    return all;
}

// The frames in text as the analyzer's decoder takes them: letter .. checksum.
std::vector<Bytes> Decode(const std::string& text)
{
    struct Collector : FrameSink {
        void DispatchFrame(const FrameDecoder& d) override
        {
            frames.emplace_back(d.bytes, d.bytes + d.byteCount + 1);
        }
        std::vector<Bytes> frames;
    } collector;
    FrameDecoder decoder(&collector);
    decoder.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return collector.frames;
}

// The frames over ms of simulated time after the commands in setup and
// reception on.
std::vector<Bytes> Traffic(const SimSettings& settings, const std::string& setup, int ms)
{
    SimConverter converter(settings);
    Send(converter, setup + ":G11A9\r");
    return Decode(Output(converter, 1, ms));
}

// The receive mode and acceptance rule: a mask bit of 1 makes the identifier
// bit equal the receive ID's; filter and frame of different widths compare the
// 11-bit base identifier.
bool Passes(const ConfigReport& c, const CanFrame& f)
{
    const int receiveMode = (c.modeByte >> 5) & 3;
    const bool wide = IsExtendedIdMode(c.modeByte);
    const int frameShift = f.extended && !wide ? 18 : 0;
    const int filterShift = wide && !f.extended ? 18 : 0;
    return (receiveMode == 0 || (receiveMode == 1) != (f.extended != 0)) &&
           (((f.id >> frameShift) ^ (c.id >> filterShift)) & (c.maskId >> filterShift)) == 0;
}

TEST(SimConverterTest, GeneratedFramesHonourModeFilterAndSeed)
{
    const ConfigReport configs[] = {
        {0x1C, 0x202, 0, 0},
        {0x10, 0x202, 0x18000000, 0x1F000000},  // 11-bit frames compare the base
        {0x00, 0x202, 0x100, 0x700},            // 29-bit frames compare the base
        {0x20, 0x202, 0x100, 0x700},            // 2.0A only
        {0x50, 0x202, 0x0CF00400, 0x1FFFFFFF},  // 2.0B only
    };
    for (const ConfigReport& config : configs) {
        for (const bool flood : {false, true}) {
            const std::vector<Bytes> frames =
                Traffic({.flood = flood, .seed = 7}, BuildFrame(ConfigFieldsBody('Z', config)),
                        flood ? 300 : 60'000);
            size_t widths[2] = {0, 0};
            for (const Bytes& bytes : frames) {
                CanFrame frame;
                ASSERT_TRUE(bytes[0] == 'U' &&
                            ParseCanFrameFields(bytes.data(), int(bytes.size()) - 1, frame));
                ASSERT_TRUE(Passes(config, frame)) << std::hex << frame.id;
                ++widths[frame.extended];
            }
            EXPECT_GT(frames.size(), 500u);
            EXPECT_EQ(widths[0] * widths[1] > 0, (config.modeByte & 0x60) == 0);
        }
    }
    EXPECT_EQ(Traffic({.seed = 5}, "", 1000), Traffic({.seed = 5}, "", 1000));  // --seed
    EXPECT_NE(Traffic({.seed = 5}, "", 1000), Traffic({.seed = 6}, "", 1000));
}

TEST(SimConverterTest, NoTrafficWhileReceptionIsOffOrBacklogIsFull)
{
    SimConverter converter({});
    EXPECT_EQ(Output(converter, 1, 2000), "");
    EXPECT_EQ(converter.NextEvent(0), SimTime::max());
    Send(converter, ":G11A9\r", 2000);
    EXPECT_EQ(Output(converter, 2001, 4000, SimConverter::kMaxBacklog + 1), "");
    Send(converter, ":Z1C0102050500000000000000005B\r", 4000);  // a new configuration
    EXPECT_EQ(Output(converter, 4001, 6000), "");
    Send(converter, ":G11A9\r:R52\r", 6000);
    EXPECT_EQ(Output(converter, 6001, 8000), "");
}

TEST(SimConverterTest, ErrorReportsFollowTheModeByte)
{
    // Mode bit 2 enables code 0x01 (Bus-Off), bit 1 0x06, bit 0 0x18; bit 3 resets.
    const std::pair<uint8_t, uint8_t> cases[] = {{0x10, 0x00}, {0x14, 0x01}, {0x1C, 0x01},
                                                 {0x12, 0x06}, {0x11, 0x18}, {0x1F, 0x1F}};
    for (const auto& [modeByte, allowed] : cases) {
        SCOPED_TRACE(int(modeByte));
        SimConverter converter({.traffic = false, .errors = true, .seed = modeByte});
        Send(converter, BuildFrame(ConfigFieldsBody('Z', {modeByte, 0x01020505, 0, 0})));
        int restarts = 0, busOffs = 0;
        std::string output;
        for (int t = 1; t <= 200'000; ++t) {
            if (!converter.State().receptionOn) {
                restarts += Send(converter, ":G11A9\r", t) == ":G01A8\r";
            }
            output += Output(converter, t, t);
        }
        const std::vector<Bytes> frames = Decode(output);
        for (size_t i = 0; i < frames.size(); ++i) {
            const uint8_t code = frames[i][1];
            ASSERT_TRUE(frames[i][0] == 'I' && code != 0 && (code & ~allowed) == 0) << int(code);
            busOffs += code & 1;
            if ((code & 1) && (modeByte & 0x08)) {
                ASSERT_EQ(frames.at(++i), (Bytes{'R', 1, 0xB3}));  // automatic reset
            }
        }
        EXPECT_EQ(busOffs + converter.State().receptionOn, restarts);  // Bus-Off stops reception
        EXPECT_EQ(frames.size() > 50, allowed != 0);
        EXPECT_EQ(busOffs > 0, (allowed & 1) != 0);
    }
}

}  // namespace
