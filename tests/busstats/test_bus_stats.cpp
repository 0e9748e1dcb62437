#include "busstats/BusStats.h"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = BusStats::Clock;

// On a bucket boundary, as a steady clock reads some time after boot.
const Clock::time_point kStart = Clock::time_point(1h);

CanFrame Frame(bool extended, bool remote, uint8_t dlc, uint32_t id)
{
    CanFrame frame;
    frame.extended = extended ? 1 : 0;
    frame.remote = remote ? 1 : 0;
    frame.dlc = dlc;
    frame.id = id;
    return frame;
}

// One second of a known mix from kStart: every 10 ms an 8-byte 11-bit frame,
// every 20 ms an 8-byte 29-bit frame, every 100 ms an 11-bit remote request.
void FeedOneSecondOfMix(BusStats& stats)
{
    for (int ms = 0; ms < 1000; ms += 10) {
        const Clock::time_point at = kStart + std::chrono::milliseconds(ms);
        stats.AddFrame(Frame(false, false, 8, 0x100), 8, at);
        if (ms % 20 == 0) {
            stats.AddFrame(Frame(true, false, 8, 0x18FEF100), 8, at);
        }
        if (ms % 100 == 0) {
            stats.AddFrame(Frame(false, true, 0, 0x7DF), 0, at);
        }
    }
}

TEST(BusStats, RatesAndLoadsOfAKnownMix)
{
    BusStats stats;
    stats.SetBitRate(500000);
    stats.SetLineSpeed(115200);
    FeedOneSecondOfMix(stats);

    const BusSnapshot s = stats.Sample(kStart + 1000ms);
    EXPECT_DOUBLE_EQ(s.framesPerSecond, 160);
    EXPECT_DOUBLE_EQ(s.standardPerSecond, 110);
    EXPECT_DOUBLE_EQ(s.extendedPerSecond, 50);
    EXPECT_DOUBLE_EQ(s.remotePerSecond, 10);
    // 100 * 111 + 50 * 131 + 10 * 47 = 18120 bits; at worst
    // 100 * 135 + 50 * 160 + 10 * 55 = 22050.
    EXPECT_DOUBLE_EQ(s.busLoadPercent, 3.624);
    EXPECT_DOUBLE_EQ(s.busLoadWorstPercent, 4.41);
    // 100 * 27 + 50 * 31 + 10 * 11 = 4360 characters of 11520 a second.
    EXPECT_DOUBLE_EQ(s.lineBytesPerSecond, 4360);
    EXPECT_NEAR(s.lineLoadPercent, 37.847222, 1e-6);
    EXPECT_FALSE(s.lineNearlyFull);
    EXPECT_EQ(s.totalFrames, 160u);

    // The same traffic is more than a 9600 bit/s line carries; without a bit
    // rate there is no bus load to give.
    stats.SetLineSpeed(9600);
    stats.SetBitRate(0);
    const BusSnapshot slow = stats.Sample(kStart + 1000ms);
    EXPECT_NEAR(slow.lineLoadPercent, 454.166667, 1e-6);
    EXPECT_TRUE(slow.lineNearlyFull);
    EXPECT_EQ(slow.busLoadPercent, 0);
}

TEST(BusStats, TheWindowIsTheLastTenWholeBuckets)
{
    BusStats stats;
    stats.SetBitRate(500000);
    FeedOneSecondOfMix(stats);
    // sample time, frames a second counted
    const struct {
        std::chrono::milliseconds at;
        double frames;
    } samples[] = {
        {950ms, 144},                  // the bucket from 900 ms is still filling: 9 of 10
        {1000ms, 160},                 // all ten
        {1099ms, 160}, {1100ms, 144},  // the first 100 ms have left the window
        {1550ms, 80},  {2000ms, 0},   {60000ms, 0},  // long silence: nothing stale comes back
    };
    for (const auto& sample : samples) {
        EXPECT_DOUBLE_EQ(stats.Sample(kStart + sample.at).framesPerSecond, sample.frames)
            << sample.at.count();
    }
    // Traffic resumes after the silence and counts from an empty window.
    stats.AddFrame(Frame(false, false, 0, 0x1), 0, kStart + 60010ms);
    EXPECT_DOUBLE_EQ(stats.Sample(kStart + 60100ms).framesPerSecond, 1);
    EXPECT_DOUBLE_EQ(stats.Sample(kStart + 60100ms).busLoadPercent, 100.0 * 47 / 500000);
}

TEST(BusStats, LineFlagAboveNinetyPercent)
{
    // 4800 bit/s carries 480 characters a second; 16 frames of 27 are 90 %.
    for (const int frames : {16, 17}) {
        BusStats stats;
        stats.SetLineSpeed(4800);
        for (int i = 0; i < frames; ++i) {
            stats.AddFrame(Frame(false, false, 8, 0x100), 8, kStart + i * 10ms);
        }
        EXPECT_EQ(stats.Sample(kStart + 1s).lineNearlyFull, frames == 17) << frames;
    }
}

TEST(BusStats, ErrorReportsByKindWithTheLastTimeAndClear)
{
    BusStats stats;
    stats.SetLineSpeed(9600);
    stats.AddErrorReport(0x09, kStart + 10ms);  // Bus-Off and receive Warning
    stats.AddErrorReport(0x06, kStart + 20ms);  // both Error-Passive: one report
    stats.AddErrorReport(0x10, kStart + 30ms);  // transmit Warning
    stats.AddErrorReport(0x20, kStart + 40ms);  // a bit the converter does not name
    stats.AddErrorReport(0x00, kStart + 50ms);  // names nothing
    stats.AddError(BusErrorKind::kOther, kStart + 60ms);

    const BusSnapshot s = stats.Sample(kStart + 1s);
    // Bus-Off, Error-Passive, Warning, other: count and the last one's time.
    const std::pair<uint64_t, Clock::time_point> expected[kBusErrorKindCount] = {
        {1, kStart + 10ms}, {1, kStart + 20ms}, {2, kStart + 30ms}, {2, kStart + 60ms}};
    for (size_t kind = 0; kind < kBusErrorKindCount; ++kind) {
        EXPECT_EQ(s.errors[kind].count, expected[kind].first) << kind;
        EXPECT_EQ(s.errors[kind].last, expected[kind].second) << kind;
    }
    // Five reports of 7 characters on the line; no frames.
    EXPECT_DOUBLE_EQ(s.lineBytesPerSecond, 35);
    EXPECT_EQ(s.totalFrames, 0u);

    stats.AddFrame(Frame(false, false, 8, 0x100), 8, kStart + 70ms);
    stats.Clear();
    EXPECT_EQ(stats.Identifiers().RowCount(), 0u);
    const BusSnapshot cleared = stats.Sample(kStart + 1s);
    EXPECT_EQ(cleared.errors[0].count + cleared.errors[3].count, 0u);
    EXPECT_EQ(cleared.lineBytesPerSecond, 0);
    EXPECT_EQ(cleared.totalFrames + cleared.framesPerSecond, 0);
}

TEST(BusStats, LoadShareByIdentifier)
{
    BusStats stats;
    for (int i = 0; i < 3; ++i) {
        stats.AddFrame(Frame(false, false, 8, 0x100), 8, kStart + i * 10ms);  // 111 bits
    }
    stats.AddFrame(Frame(true, true, 2, 0x200), 0, kStart + 40ms);  // 67 bits
    const std::vector<const IdStatsTable::Row*> rows = stats.Identifiers().SortedRows();
    ASSERT_EQ(rows.size(), 2u);
    // 333 and 67 of 400 bits.
    EXPECT_DOUBLE_EQ(stats.LoadSharePercent(*rows[0]), 83.25);
    EXPECT_DOUBLE_EQ(stats.LoadSharePercent(*rows[1]), 16.75);
}

}  // namespace
