#include <cstdint>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "canconfig/SettingChoices.h"

namespace {

TEST(SettingChoices, ModeByteTakesTheIdTypeOnlyWhenBothFrameTypesAreReceived)
{
    // receive mode, ID type 29-bit, reset, bus-off, passive, warning -> mode byte
    const std::pair<ModeChoices, uint8_t> rows[] = {
        {{0, true, true, true, false, false}, 0x1C},
        {{0, false, false, false, false, true}, 0x01},
        {{1, true, false, false, true, false}, 0x22},
        {{2, false, true, false, false, false}, 0x58},
        {{3, false, false, false, false, false}, 0x50},
    };
    for (const auto& [choices, byte] : rows) {
        EXPECT_EQ(ComposeModeByte(choices), byte) << choices.receiveMode;
    }
}

TEST(SettingChoices, OpeningCorrectionsAndListLookups)
{
    const std::tuple<int32_t, int, int32_t> ports[] = {
        {0, 3, 0}, {2, 3, 2}, {5, 3, 2}, {0, 0, -1}, {-4, 3, -1},
    };
    for (const auto& [stored, count, shown] : ports) {
        EXPECT_EQ(PortListIndex(stored, count), shown) << stored << "/" << count;
    }
    EXPECT_EQ(UartSpeedIndex(76800), 6);
    EXPECT_EQ(UartSpeedIndex(12345), -1);
    EXPECT_EQ(UartSpeedAt(-1), 115200u);
    EXPECT_EQ(UartSpeedAt(8), 230400u);
    EXPECT_EQ(ReceiveModeIndex(0x7F), 2);
    EXPECT_EQ(ReceiveModeIndex(0x3C), 1);
    EXPECT_EQ(CustomBitTime(2, 0, 0, 0), 0x02000001u);
    EXPECT_EQ(CustomBitTime(63, 7, 7, -1), 0x3F070700u);
    EXPECT_EQ(PresetBitTimeAt(6), 0x07020707u);
    EXPECT_EQ(PresetBitTimeAt(-1), 0x01020505u);
}

}  // namespace
