#include "canconfig/BitTiming.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "canconfig/CanBitTime.h"

namespace {

TEST(CanBitTime, EveryPresetIsValidFormattedFoundAndSearchedFor)
{
    // Label, text, rate; quanta 1 + (PRSEG+1) + (PHSEG1+1) + (PHSEG2+1) and
    // the sample point after the first three segments, worked by hand.
    const std::tuple<const char*, const char*, double, int, double> golden[kBitTimePresetCount] = {
        {"1M", "CAN: 1.00M BPS", 1000000, 8, 62.5},      // 0 2 2: 1+1+3+3, sampled after 5
        {"500K", "CAN: 500.00K BPS", 500000, 16, 62.5},  // 2 5 5: 1+3+6+6, after 10
        {"250K", "CAN: 250.00K BPS", 250000, 16, 62.5},  // 2 5 5
        {"200K", "CAN: 200.00K BPS", 200000, 10, 60.0},  // 0 3 3: 1+1+4+4, after 6
        {"125K", "CAN: 125.00K BPS", 125000, 16, 62.5},  // 2 5 5
        {"100K", "CAN: 100.00K BPS", 100000, 20, 60.0},  // 2 7 7: 1+3+8+8, after 12
        {"50K", "CAN: 50.00K BPS", 50000, 20, 60.0},     // 2 7 7
        {"40K", "CAN: 40.00K BPS", 40000, 25, 68.0},     // 7 7 7: 1+8+8+8, after 17
        {"25K", "CAN: 25.00K BPS", 25000, 20, 60.0},     // 2 7 7
        {"20K", "CAN: 20.00K BPS", 20000, 25, 68.0},     // 7 7 7
    };
    for (int i = 0; i < kBitTimePresetCount; ++i) {
        const BitTimePreset& preset = BitTimePresets[static_cast<size_t>(i)];
        const auto& [label, text, rate, quanta, samplePoint] = golden[i];
        SCOPED_TRACE(label);
        EXPECT_EQ(preset.label, label);
        EXPECT_TRUE(IsValidBitTime(preset.value));
        EXPECT_EQ(FormatCanBitRate(preset.value), text);
        EXPECT_EQ(FindBitTimePreset(preset.value), i);
        EXPECT_EQ(BitQuanta(preset.value), quanta);
        EXPECT_DOUBLE_EQ(SamplePointPercent(preset.value), samplePoint);
        // A quantum is (BRP+1)*2 clock periods, so the quanta also divide the
        // rate formula's clock count.
        const int brp = static_cast<int>(preset.value >> 24);
        EXPECT_EQ(BitTimeClocks(preset.value), quanta * (brp + 1) * 2);
        // The search finds the preset, exactly, at its own sample point.
        const std::vector<BitTimeCandidate> found = FindBitTimes(rate, samplePoint);
        const auto at = std::find_if(found.begin(), found.end(), [&](const BitTimeCandidate& c) {
            return c.value == preset.value;
        });
        ASSERT_NE(at, found.end());
        EXPECT_EQ(at->samplePointErrorPercent, 0);
        EXPECT_EQ(at->rateErrorPercent, 0);
    }
    EXPECT_EQ(BitTimePresets[kDefaultBitTimePreset].value, 0x01020505u);
}

TEST(CanBitTime, ClocksValidityTextAndFields)
{
    constexpr BitTimeFault kValid = BitTimeFault::kNone;
    constexpr BitTimeFault kRate = BitTimeFault::kRateAboveOneMega;
    constexpr BitTimeFault kPhseg2 = BitTimeFault::kPhseg2BelowOne;
    constexpr BitTimeFault kSegments = BitTimeFault::kSegmentsShorterThanPhseg2;
    // Bit time, clock periods, first rule broken, text, preset index.
    const std::tuple<CanBitTime, int, BitTimeFault, const char*, int> cases[] = {
        {0x00000001, 10, kRate, "CAN: 1.60M BPS", -1},        // too fast
        {0x00000000, 8, kRate, "CAN: 2.00M BPS", -1},         // too fast before PHSEG2 0
        {0x00000505, 28, kValid, "CAN: 571.43K BPS", -1},     // 0 + 5 + 1 >= 5
        {0x00000500, 18, kPhseg2, "CAN: 888.89K BPS", -1},    // PHSEG2 0
        {0x3F000003, 896, kSegments, "CAN: 17.86K BPS", -1},  // 0 + 0 + 1 < 3
        {0x3F070707, 3200, kValid, "CAN: 5.00K BPS", -1},     // slowest
        {0x41020505, 64, kValid, "CAN: 250.00K BPS", -1},     // stray bit 30: no preset
        {0x02000001, 30, kValid, "CAN: 533.33K BPS", -1},
        {0x00000203, 18, kValid, "CAN: 888.89K BPS", -1},   // next below 1M
        {0x00000103, 16, kSegments, "CAN: 1.00M BPS", -1},  // 0 + 1 + 1 < 3
        {0x00000202, 16, kValid, "CAN: 1.00M BPS", 0},      // exactly 1M
        {0xFFFFFFFF, 3200, kValid, "CAN: 5.00K BPS", -1},   // ignored bits
    };
    for (const auto& [value, clocks, fault, text, preset] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << value);
        EXPECT_EQ(BitTimeClocks(value), clocks);
        EXPECT_EQ(FindBitTimeFault(value), fault);
        EXPECT_EQ(IsValidBitTime(value), fault == kValid);
        EXPECT_EQ(FormatCanBitRate(value), text);
        EXPECT_EQ(FindBitTimePreset(value), preset);
        EXPECT_EQ(MakeBitTime(SplitBitTime(value)), value & 0x3F070707u);
    }
    EXPECT_EQ(MakeBitTime({1, 2, 5, 6}), 0x01020506u);  // brp, prseg, phseg1, phseg2
}

TEST(BitTiming, QuantaAndSamplePointOfCustomValues)
{
    const std::tuple<CanBitTime, int, double> cases[] = {
        {0x00000001, 5, 60.0},               // all minimal: 1+1+1+2, after 3
        {0x00070701, 19, 89.4736842105263},  // 1+8+8+2, after 17
        {0x00060501, 16, 87.5},              // 1+7+6+2, after 14
        {0x00000707, 18, 55.5555555555556},  // 1+1+8+8, after 10
        {0xC0000001, 5, 60.0},               // bits outside the fields are ignored
    };
    for (const auto& [value, quanta, samplePoint] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << value);
        EXPECT_EQ(BitQuanta(value), quanta);
        EXPECT_NEAR(SamplePointPercent(value), samplePoint, 1e-9);
    }
}

TEST(BitTiming, SearchProposesOnlyValidBitTimesNearTheRateInOrder)
{
    const double wanted[] = {1000000, 666667, 800000, 500000, 250000, 125000,
                             100000,  83333,  50000,  33333,  10000,  5000};
    for (const double rate : wanted) {
        SCOPED_TRACE(rate);
        const std::vector<BitTimeCandidate> found = FindBitTimes(rate);
        ASSERT_FALSE(found.empty());
        for (const BitTimeCandidate& c : found) {
            EXPECT_TRUE(IsValidBitTime(c.value)) << std::hex << c.value;
            EXPECT_LE(std::fabs(CanBitRate(c.value) - rate), rate * 0.005) << std::hex << c.value;
        }
        const auto order = [](const BitTimeCandidate& c) {
            return std::make_tuple(std::fabs(c.samplePointErrorPercent),
                                   std::fabs(c.rateErrorPercent), -c.quanta, c.value);
        };
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end(), [&](const auto& a, const auto& b) {
            return order(a) < order(b);
        }));
        // Nothing valid within reach is left out: count the hits afresh over
        // every value the fields can make.
        size_t hits = 0;
        for (uint32_t brp = 0; brp <= 63; ++brp) {
            for (uint32_t segments = 0; segments < 0x800; ++segments) {
                const CanBitTime value = brp << 24 | (segments >> 8 & 7) << 16 |
                                         (segments >> 4 & 7) << 8 | (segments & 7);
                if ((segments & 0x88) == 0 && IsValidBitTime(value) &&
                    std::fabs(CanBitRate(value) - rate) <= rate * 0.005) {
                    ++hits;
                }
            }
        }
        EXPECT_EQ(found.size(), hits);
    }
    EXPECT_TRUE(FindBitTimes(0).empty());
    EXPECT_TRUE(FindBitTimes(-500000).empty());
    EXPECT_TRUE(FindBitTimes(2000000).empty());
}

TEST(BitTiming, SearchPutsTheBestSamplePointFirst)
{
    // 500 kbit/s at 87.5 %: 16 quanta of one BRP step, sampled after 14:
    // PRSEG + PHSEG1 = 11 with PHSEG2 1, four ways, lowest value first.
    const std::vector<BitTimeCandidate> found = FindBitTimes(500000);
    ASSERT_GE(found.size(), 4u);
    EXPECT_EQ(found[0].value, 0x00040701u);
    EXPECT_EQ(found[3].value, 0x00070401u);
    EXPECT_EQ(found[0].quanta, 16);
    EXPECT_DOUBLE_EQ(found[0].samplePointPercent, 87.5);
    // 250 kbit/s at 75 %: 16 quanta (BRP 1) or 8 (BRP 3) both sample exactly
    // there; the finer division comes first.
    const std::vector<BitTimeCandidate> quarter = FindBitTimes(250000, 75.0);
    ASSERT_FALSE(quarter.empty());
    EXPECT_EQ(quarter.front().quanta, 16);
    const auto coarse = std::find_if(quarter.begin(), quarter.end(), [](const BitTimeCandidate& c) {
        return c.quanta == 8 && c.samplePointPercent == 75.0;
    });
    ASSERT_NE(coarse, quarter.end());
    EXPECT_EQ(coarse->value, 0x03000301u);  // PRSEG 0 + PHSEG1 3, PHSEG2 1
}

}  // namespace
