#include "dbc/SignalCodec.h"

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "dbc/DbcParser.h"

namespace {

// One message of `length` bytes holding the given SG_ lines (and any further
// statements after them).
DbcMessage Message(const std::string& signals, int length = 8, const std::string& more = "")
{
    const DbcParseResult result =
        ParseDbcText("BO_ 1 M: " + std::to_string(length) + " X\n" + signals + more);
    EXPECT_TRUE(result.ok()) << result.error->line << ": " << result.error->expected;
    return result.ok() ? result.file.messages[0] : DbcMessage{};
}

DbcSignal Signal(const std::string& layout, const std::string& more = "")
{
    const DbcMessage message = Message(" SG_ S : " + layout + " \"\" X\n", 8, more);
    return message.signals.empty() ? DbcSignal{} : message.signals[0];
}

TEST(SignalCodec, DecodesEveryLayout)
{
    const uint8_t data[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    struct Row {
        const char* layout;
        uint64_t raw;
        double physical;
    };
    const Row rows[] = {
        {"0|8@1+ (1,0) [0|0]", 0x12, 18},
        {"12|8@1- (0.5,-3) [0|0]", 0x63, 46.5},  // crosses bytes 1-2
        {"4|8@1- (1,0) [0|0]", 0x41, 65},
        {"60|4@1- (1,0) [0|0]", 0xF, -1},                     // sign-extended
        {"7|12@0+ (1,0) [0|0]", 0x123, 291},                  // byte 0, high nibble of byte 1
        {"3|12@0+ (1,0) [0|0]", 0x234, 564},                  // low nibble of byte 0, byte 1
        {"11|16@0- (1,0) [0|0]", 0x4567, 0x4567},             // three bytes
        {"39|32@0- (1,0) [0|0]", 0x9ABCDEF0, -1698898192.0},  // bytes 4-7, negative
        {"7|64@0+ (1,0) [0|0]", 0x123456789ABCDEF0, 1311768467463790320.0},
        {"0|64@1+ (1,0) [0|0]", 0xF0DEBC9A78563412, 17356517385562371090.0},
        {"0|64@1- (1,0) [0|0]", 0xF0DEBC9A78563412, -1090226688147180526.0},
        {"56|1@0+ (1,0) [0|0]", 0, 0},  // bit 0 of byte 7
        {"63|1@1+ (2,1) [0|0]", 1, 3},  // bit 7 of byte 7
        {"0|1@1+ (-1,0) [0|0]", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layout);
        const DbcSignal signal = Signal(row.layout);
        const DbcSignalValue value = DecodeSignal(signal, data, 8);
        ASSERT_TRUE(value.available);
        EXPECT_EQ(value.raw, row.raw);
        EXPECT_DOUBLE_EQ(value.physical, row.physical);
    }
}

TEST(SignalCodec, LeavesOutWhatTheFrameDoesNotCarry)
{
    const DbcMessage message = Message(
        " SG_ A : 0|8@1+ (1,0) [0|0] \"\" X\n"
        " SG_ B : 16|16@1+ (1,0) [0|0] \"\" X\n"
        " SG_ C : 60|8@1+ (1,0) [0|0] \"\" X\n");  // runs past byte 7
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<DbcSignalValue> values;
    for (const int dlc : {8, 3, 0, 15}) {
        SCOPED_TRACE(dlc);
        DecodeMessage(message, data, dlc, values);
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[0].available, dlc >= 1);
        EXPECT_EQ(values[1].available, dlc >= 4);
        EXPECT_FALSE(values[2].available);
        EXPECT_EQ(values[1].raw, dlc >= 4 ? 0x0403u : 0u);
    }
}

TEST(SignalCodec, ShowsOnlyTheSelectedMultiplexedSignals)
{
    const DbcMessage message = Message(
        " SG_ Page M : 0|8@1+ (1,0) [0|0] \"\" X\n"
        " SG_ Temp m0 : 8|8@1- (1,0) [0|0] \"\" X\n"
        " SG_ Level m1 : 8|8@1+ (1,0) [0|0] \"\" X\n"
        " SG_ Plain : 16|8@1+ (1,0) [0|0] \"\" X\n"
        " SG_ Far m1 : 56|8@1+ (1,0) [0|0] \"\" X\n");
    std::vector<DbcSignalValue> values;
    auto names = [&values] {
        std::string text;
        for (const auto& value : values) {
            text += value.signal->name + (value.available ? " " : "? ");
        }
        return text;
    };
    const uint8_t page0[8] = {0, 0xFE, 7};
    DecodeMessage(message, page0, 3, values);
    EXPECT_EQ(names(), "Page Temp Plain ");
    EXPECT_EQ(values[1].rawSigned, -2);
    const uint8_t page1[8] = {1, 0xFE, 7};
    DecodeMessage(message, page1, 3, values);
    EXPECT_EQ(names(), "Page Level Plain Far? ");
    const uint8_t page9[8] = {9, 0xFE, 7};
    DecodeMessage(message, page9, 8, values);
    EXPECT_EQ(names(), "Page Plain ");
    DecodeMessage(message, page9, 0, values);
    EXPECT_EQ(names(), "Page? Plain? ");
}

TEST(SignalCodec, NamesValuesAndFlagsThoseOutsideTheRange)
{
    const DbcMessage message = Message(
        " SG_ Gear : 0|4@1+ (1,0) [0|3] \"\" X\n"
        " SG_ Delta : 4|4@1- (10,0) [-20|20] \"\" X\n"
        " SG_ Free : 8|8@1+ (1,0) [0|0] \"\" X\n",
        8, "VAL_ 1 Gear 0 \"P\" 2 \"D\" ;\nVAL_ 1 Delta -1 \"down\" 15 \"never\" ;\n");
    struct Row {
        uint8_t byte0;
        const char* gearText;
        bool gearOutside;
        const char* deltaText;
        bool deltaOutside;
    };
    const Row rows[] = {
        {0x00, "P", false, "", false},    {0x02, "D", false, "", false},
        {0x0F, "", true, "", false},       // gear 15 > 3
        {0xF1, "", false, "down", false},  // delta -1
        {0x31, "", false, "", true},       // delta 3 * 10 > 20
        {0xE1, "", false, "", false},      // delta -2 * 10: the minimum itself
    };
    std::vector<DbcSignalValue> values;
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.byte0));
        const uint8_t data[8] = {row.byte0, 0xFF};
        DecodeMessage(message, data, 2, values);
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[0].valueText, row.gearText);
        EXPECT_EQ(values[0].outsideRange, row.gearOutside);
        EXPECT_EQ(values[1].valueText, row.deltaText);
        EXPECT_EQ(values[1].outsideRange, row.deltaOutside);
        EXPECT_FALSE(values[2].outsideRange);  // no range: 255 is fine
    }
}

TEST(SignalCodec, EncodesToTheNearestRawAndChecksRanges)
{
    struct Row {
        const char* layout;
        double physical;
        DbcEncodeStatus status;
        uint64_t raw;
    };
    using S = DbcEncodeStatus;
    const Row rows[] = {
        {"0|8@1+ (1,0) [0|0]", 2.6, S::kOk, 3},
        {"0|8@1+ (1,0) [0|0]", 2.4, S::kOk, 2},
        {"0|8@1+ (1,0) [0|0]", 255.4, S::kOk, 255},
        {"0|8@1+ (1,0) [0|0]", 255.5, S::kOutOfRawRange, 0},
        {"0|8@1+ (1,0) [0|0]", -0.6, S::kOutOfRawRange, 0},
        {"0|8@1- (1,0) [0|0]", -128, S::kOk, 0x80},
        {"0|8@1- (1,0) [0|0]", -129, S::kOutOfRawRange, 0},
        {"0|8@1- (1,0) [0|0]", 127.4, S::kOk, 0x7F},
        {"7|16@0+ (0.25,0) [0|16000]", 2500, S::kOk, 10000},
        {"7|16@0+ (0.25,0) [0|16000]", 16000.25, S::kOutsideRange, 0},
        {"12|12@1- (0.5,-100) [-500|500]", -123.3, S::kOk, 0xFD1},  // -23.3 / 0.5 = -46.6 -> -47
        {"0|64@1+ (1,0) [0|0]", 18446744073709549568.0, S::kOk, 18446744073709549568u},
        {"0|64@1+ (1,0) [0|0]", 18446744073709551616.0, S::kOutOfRawRange, 0},
        {"0|64@1- (1,0) [0|0]", -9223372036854775808.0, S::kOk, 0x8000000000000000u},
        {"0|64@1- (1,0) [0|0]", 9223372036854775808.0, S::kOutOfRawRange, 0},
        {"0|8@1+ (0,5) [0|0]", 5, S::kOutOfRawRange, 0},  // a factor of 0 has no inverse
        {"0|8@1+ (1,0) [0|0]", NAN, S::kOutOfRawRange, 0},
        {"60|8@1+ (1,0) [0|0]", 1, S::kNotInFrame, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.layout) + " " + std::to_string(row.physical));
        const DbcSignal signal = Signal(row.layout);
        uint8_t data[8];
        std::memset(data, 0xA5, sizeof data);
        uint8_t before[8];
        std::memcpy(before, data, sizeof data);
        EXPECT_EQ(EncodeSignal(signal, row.physical, data), row.status);
        if (row.status != S::kOk) {
            EXPECT_EQ(std::memcmp(data, before, 8), 0);
            continue;
        }
        EXPECT_EQ(DecodeSignal(signal, data, 8).raw, row.raw);
        // The bits around the signal are as they were.
        uint8_t cleared[8];
        std::memcpy(cleared, data, 8);
        WriteSignalRaw(signal, 0, cleared);
        uint8_t expected[8];
        std::memcpy(expected, before, 8);
        WriteSignalRaw(signal, 0, expected);
        EXPECT_EQ(std::memcmp(cleared, expected, 8), 0);
    }
}

// Float signals take the quotient as it is; only what the type cannot hold
// is refused.
TEST(SignalCodec, RefusesFloatsTheTypeCannotHold)
{
    uint8_t data[8] = {};
    const DbcSignal single = Signal("32|32@1- (1,0) [0|0]", "SIG_VALTYPE_ 1 S : 1;\n");
    EXPECT_EQ(EncodeSignal(single, 3e38, data), DbcEncodeStatus::kOk);
    EXPECT_EQ(EncodeSignal(single, 1e39, data), DbcEncodeStatus::kOutOfRawRange);
    const DbcSignal twice = Signal("7|64@0- (1,0) [0|0]", "SIG_VALTYPE_ 1 S : 2;\n");
    EXPECT_EQ(EncodeSignal(twice, -1e300, data), DbcEncodeStatus::kOk);
    EXPECT_EQ(EncodeSignal(twice, INFINITY, data), DbcEncodeStatus::kOutOfRawRange);
}

}  // namespace
