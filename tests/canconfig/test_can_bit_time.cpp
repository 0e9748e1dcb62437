#include <string>

#include <gtest/gtest.h>

#include "canconfig/CanBitTime.h"

namespace {

TEST(CanBitTime, EveryPresetIsValidFormattedAndFound)
{
    const char* texts[kBitTimePresetCount] = {
        "CAN: 1.00M BPS",   "CAN: 500.00K BPS", "CAN: 250.00K BPS", "CAN: 200.00K BPS",
        "CAN: 125.00K BPS", "CAN: 100.00K BPS", "CAN: 50.00K BPS",  "CAN: 40.00K BPS",
        "CAN: 25.00K BPS",  "CAN: 20.00K BPS",
    };
    const char* labels[kBitTimePresetCount] = {"1M",   "500K", "250K", "200K", "125K",
                                               "100K", "50K",  "40K",  "25K",  "20K"};
    for (int i = 0; i < kBitTimePresetCount; ++i) {
        const BitTimePreset& preset = BitTimePresets[static_cast<size_t>(i)];
        EXPECT_EQ(preset.label, labels[i]);
        EXPECT_TRUE(IsValidBitTime(preset.value)) << preset.label;
        EXPECT_EQ(FormatCanBitRate(preset.value), texts[i]);
        EXPECT_EQ(FindBitTimePreset(preset.value), i);
    }
    EXPECT_EQ(DefaultBitTime, 16909573u);
    EXPECT_EQ(BitTimePresets[kDefaultBitTimePreset].value, DefaultBitTime);
}

struct BitTimeCase {
    CanBitTime value;
    int clocks;
    bool valid;
    const char* text;
    int preset;
};

TEST(CanBitTime, RatesValidityAndText)
{
    const BitTimeCase cases[] = {
        {0x00000001, 10, false, "CAN: 1.60M BPS", -1},    // too fast
        {0x00000505, 28, true, "CAN: 571.43K BPS", -1},   // 0 + 5 + 1 >= 5
        {0x00000500, 18, false, "CAN: 888.89K BPS", -1},  // PHSEG2 0
        {0x3F000003, 896, false, "CAN: 17.86K BPS", -1},  // 0 + 0 + 1 < 3
        {0x3F070707, 3200, true, "CAN: 5.00K BPS", -1},   // slowest
        {0x41020505, 64, true, "CAN: 250.00K BPS", -1},   // stray bit 30
        {0x02000001, 30, true, "CAN: 533.33K BPS", -1},
        {0x00000203, 18, true, "CAN: 888.89K BPS", -1},  // next below 1M
        {0x00000103, 16, false, "CAN: 1.00M BPS", -1},   // 0 + 1 + 1 < 3
        {0x00000202, 16, true, "CAN: 1.00M BPS", 0},     // exactly 1M
        {0xFFFFFFFF, 3200, true, "CAN: 5.00K BPS", -1},  // ignored bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BitTimeClocks(c.value), c.clocks) << std::hex << c.value;
        EXPECT_EQ(IsValidBitTime(c.value), c.valid) << std::hex << c.value;
        EXPECT_EQ(FormatCanBitRate(c.value), c.text) << std::hex << c.value;
        EXPECT_EQ(FindBitTimePreset(c.value), c.preset) << std::hex << c.value;
    }
}

TEST(CanBitTime, SplitAndMakeAreInverseOnFieldBits)
{
    const BitTimeFields fields = SplitBitTime(0xC1FAFDFE);
    EXPECT_EQ(fields.brp, 1);
    EXPECT_EQ(fields.prseg, 2);
    EXPECT_EQ(fields.phseg1, 5);
    EXPECT_EQ(fields.phseg2, 6);
    EXPECT_EQ(MakeBitTime(fields), 0x01020506u);
    EXPECT_EQ(MakeBitTime(BitTimeFields{}), 0x00000001u);
}

}  // namespace
