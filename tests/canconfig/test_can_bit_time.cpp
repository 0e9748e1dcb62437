#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "canconfig/CanBitTime.h"

namespace {

TEST(CanBitTime, EveryPresetIsValidFormattedAndFound)
{
    const char* const golden[kBitTimePresetCount][2] = {
        {"1M", "CAN: 1.00M BPS"},     {"500K", "CAN: 500.00K BPS"}, {"250K", "CAN: 250.00K BPS"},
        {"200K", "CAN: 200.00K BPS"}, {"125K", "CAN: 125.00K BPS"}, {"100K", "CAN: 100.00K BPS"},
        {"50K", "CAN: 50.00K BPS"},   {"40K", "CAN: 40.00K BPS"},   {"25K", "CAN: 25.00K BPS"},
        {"20K", "CAN: 20.00K BPS"},
    };
    for (int i = 0; i < kBitTimePresetCount; ++i) {
        const BitTimePreset& preset = BitTimePresets[static_cast<size_t>(i)];
        EXPECT_EQ(preset.label, golden[i][0]);
        EXPECT_TRUE(IsValidBitTime(preset.value)) << preset.label;
        EXPECT_EQ(FormatCanBitRate(preset.value), golden[i][1]);
        EXPECT_EQ(FindBitTimePreset(preset.value), i);
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

}  // namespace
