// The simulator's traffic read through its own DBC file, sim/talvox-sim.dbc:
// the file loads without warnings, describes every fixed identifier at the
// rate and length the simulator sends it, and the engine message's signals
// stay in their ranges and move over simulated time.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "dbc/DbcParser.h"
#include "dbc/SignalCodec.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "sim/EngineData.h"
#include "sim/SimConverter.h"

namespace {

using std::chrono::seconds;

struct TimedFrame {
    SimTime at;
    CanFrame frame;
};

// Collects the 'U' frames of the simulator's output.
class TrafficSink : public FrameSink {
public:
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        CanFrame frame;
        if (decoder.Letter() == 'U' &&
            ParseCanFrameFields(decoder.bytes, decoder.byteCount, frame)) {
            frames.push_back({now, frame});
        }
    }
    SimTime now{};
    std::vector<TimedFrame> frames;
};

// The bench mix as the simulator sends it from reception on at 0 until `until`.
std::vector<TimedFrame> RunTraffic(SimTime until, uint32_t seed)
{
    SimSettings settings;
    settings.seed = seed;
    SimConverter converter(settings);
    const std::string on = BuildFrame(":G11");
    converter.Receive(reinterpret_cast<const uint8_t*>(on.data()), on.size(), SimTime::zero());
    TrafficSink sink;
    FrameDecoder decoder(&sink);
    converter.TakeOutput();
    for (SimTime now = converter.NextEvent(0); now <= until; now = converter.NextEvent(0)) {
        converter.Advance(now, 0);
        const std::string output = converter.TakeOutput();
        sink.now = now;
        decoder.Feed(reinterpret_cast<const uint8_t*>(output.data()), output.size());
    }
    return std::move(sink.frames);
}

const DbcFile& SimDbc()
{
    static const DbcParseResult parsed = ReadDbcFile(TALVOX_SIM_DBC);
    return parsed.file;
}

const DbcMessage* FindMessage(bool extended, uint32_t id)
{
    for (const DbcMessage& message : SimDbc().messages) {
        if (message.extended == extended && message.id == id) {
            return &message;
        }
    }
    return nullptr;
}

}  // namespace

TEST(SimDbc, LoadsWithoutWarningsAndNamesTheEngineSignals)
{
    const DbcParseResult parsed = ReadDbcFile(TALVOX_SIM_DBC);
    ASSERT_TRUE(parsed.ok()) << parsed.error->line << ": " << parsed.error->expected;
    EXPECT_TRUE(parsed.file.warnings.empty()) << parsed.file.warnings.front().text;
    const DbcMessage* engine = FindMessage(false, kEngineDataId);
    ASSERT_NE(engine, nullptr);
    std::vector<std::string> names;
    for (const DbcSignal& signal : engine->signals) {
        names.push_back(signal.name);
        EXPECT_TRUE(signal.fitsMessage) << signal.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Counter", "EngineSpeed", "CoolantTemp", "Throttle",
                                               "Gear"}));
    EXPECT_EQ(engine->signals[4].valueNames.size(), 4u);
}

// Bytes 1 to 5 at chosen times, as the header's layout puts them; the high
// nibble of byte 5 and the other bytes stay.
TEST(SimDbc, EngineBytesFollowTheirLayout)
{
    struct Row {
        seconds at;
        uint8_t bytes[5];
    };
    // 10 s: 3000 rpm = 0x2EE0, 90 - 70 e^(-1/6) = 30.75 degC, gear step 2 = N.
    // 14 s: 800 + 2200 * (1 - cos(1.4 pi)) / 2 - 7.6 ripple = 2232.3 rpm; throttle
    // clamped at 0; gear step 3 = D.
    static constexpr Row kRows[] = {
        {seconds(0), {0x80, 0x0C, 0x3C, 0x18, 0xA0}},
        {seconds(10), {0xE0, 0x2E, 0x47, 0x18, 0xA2}},
        {seconds(14), {0xE1, 0x22, 0x4B, 0x00, 0xA3}},
    };
    for (const Row& row : kRows) {
        uint8_t data[8] = {0x11, 0, 0, 0, 0, 0xA0, 0x22, 0x33};
        WriteEngineData(EngineAt(row.at), data);
        const std::vector<uint8_t> got(data + 1, data + 6);
        EXPECT_EQ(got, std::vector<uint8_t>(row.bytes, row.bytes + 5)) << row.at.count() << " s";
        EXPECT_EQ(data[0], 0x11);
        EXPECT_EQ(data[6], 0x22);
    }
}

// Every fixed identifier of the mix is in the file with the simulator's length
// and cycle time, and the file describes nothing the simulator does not send.
TEST(SimDbc, DescribesEachFixedIdentifierAtItsRateAndLength)
{
    const SimTime until = seconds(20);
    std::map<std::pair<bool, uint32_t>, int> counts;
    for (const TimedFrame& timed : RunTraffic(until, 3)) {
        const CanFrame& frame = timed.frame;
        const DbcMessage* message = FindMessage(frame.extended != 0, frame.id);
        if (message == nullptr) {
            continue;
        }
        ++counts[{message->extended, message->id}];
        if (message->id != 0x3E8) {  // its length changes from frame to frame
            EXPECT_EQ(frame.dlc, message->length) << message->name;
        }
    }
    EXPECT_EQ(counts.size(), SimDbc().messages.size());
    for (const DbcMessage& message : SimDbc().messages) {
        ASSERT_GT(message.cycleTimeMs, 0) << message.name;
        const int expected = static_cast<int>(20'000 / message.cycleTimeMs);
        const int got = counts[{message.extended, message.id}];
        EXPECT_GE(got, expected - 1) << message.name;
        EXPECT_LE(got, expected + 1) << message.name;
    }
}

// Half an hour of traffic: each EngineData frame comes from the engine (its
// counter one up from the last, all signals in range), so a scanned frame on
// 0x100 never breaks the signals; within the first 20 s every signal moves.
TEST(SimDbc, EngineSignalsStayInRangeAndMoveOverTime)
{
    const DbcMessage* engine = FindMessage(false, kEngineDataId);
    ASSERT_NE(engine, nullptr);
    std::vector<DbcSignalValue> values;
    std::map<std::string, std::pair<double, double>> firstWindow;  // name -> min, max
    std::set<std::string> gears;
    int frames = 0;
    int lastCounter = -1;
    for (const TimedFrame& timed : RunTraffic(seconds(1800), 5)) {
        const CanFrame& frame = timed.frame;
        if (frame.extended != 0 || frame.id != kEngineDataId) {
            continue;
        }
        ++frames;
        ASSERT_EQ(frame.dlc, 8) << "at " << timed.at.count() << " us";
        if (lastCounter >= 0) {
            ASSERT_EQ(frame.data[0], (lastCounter + 1) & 0xFF)
                << "at " << timed.at.count() << " us";
        }
        lastCounter = frame.data[0];
        DecodeMessage(*engine, frame.data, frame.dlc, values);
        ASSERT_EQ(values.size(), 5u);
        for (const DbcSignalValue& value : values) {
            ASSERT_TRUE(value.available);
            ASSERT_FALSE(value.outsideRange) << value.signal->name << " = " << value.physical;
            if (timed.at > seconds(20)) {
                continue;
            }
            auto [it, added] =
                firstWindow.try_emplace(value.signal->name, value.physical, value.physical);
            it->second.first = std::min(it->second.first, value.physical);
            it->second.second = std::max(it->second.second, value.physical);
            if (value.signal->name == "Gear") {
                gears.insert(std::string(value.valueText));
            }
        }
        const double speed = values[1].physical;
        ASSERT_GE(speed, 780.0);
        ASSERT_LE(speed, 3020.0);
    }
    EXPECT_GT(frames, 179'000);
    EXPECT_LT(firstWindow["EngineSpeed"].first, 850.0);
    EXPECT_GT(firstWindow["EngineSpeed"].second, 2950.0);
    EXPECT_LE(firstWindow["CoolantTemp"].first, 21.0);
    EXPECT_GE(firstWindow["CoolantTemp"].second, 38.0);
    EXPECT_EQ(firstWindow["Throttle"].first, 0.0);
    EXPECT_GT(firstWindow["Throttle"].second, 80.0);
    EXPECT_EQ(gears, (std::set<std::string>{"P", "R", "N", "D"}));
}
