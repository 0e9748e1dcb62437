#include <ctime>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "common/TextFormat.h"

namespace {

TEST(TextFormat, IsHexText)
{
    EXPECT_TRUE(IsHexText(""));
    EXPECT_TRUE(IsHexText("0123456789ABCDEFabcdef"));
    EXPECT_FALSE(IsHexText("12G4"));
    EXPECT_FALSE(IsHexText(" 1"));
    EXPECT_FALSE(IsHexText("0x12"));
    EXPECT_FALSE(IsHexText("가"));
}

TEST(TextFormat, WidthCountsHangulAsTwoBytes)
{
    EXPECT_EQ(Cp949Width(""), 0);
    EXPECT_EQ(Cp949Width("ID:123"), 6);
    EXPECT_EQ(Cp949Width("길이:2"), 6);
    EXPECT_EQ(Cp949Width("[환경설정 읽기 명령]"), 20);
}

TEST(TextFormat, CaptionLinePadsToTwentyEightBytes)
{
    const struct {
        const char* caption;
        const char* line;
    } cases[] = {
        {"[환경설정 읽기 명령]", "[환경설정 읽기 명령]         : x"},
        {"", "                             : x"},
        {"[CAN 데이터 수신 여부 명령]", "[CAN 데이터 수신 여부 명령]  : x"},  // 27 bytes
        {"[수신데이터 로그파일 에러]", "[수신데이터 로그파일 에러]   : x"},   // 26 bytes
        // 28 bytes and more: neither padded nor cut.
        {"[가나다라마바사아자차카타하]", "[가나다라마바사아자차카타하] : x"},
        {"[0123456789012345678901234567890]", "[0123456789012345678901234567890] : x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CaptionLine(c.caption, "x"), c.line) << c.caption;
    }
}

TEST(TextFormat, PadRightNeverCuts)
{
    EXPECT_EQ(PadRight("Data Frame", 12), "Data Frame  ");
    EXPECT_EQ(PadRight("Remote Frame", 12), "Remote Frame");
    EXPECT_EQ(PadRight("길이:8", 6), "길이:8");
    EXPECT_EQ(PadRight("ID:123", 11), "ID:123     ");
    EXPECT_EQ(PadRight("ID:1ABCDEF00", 11), "ID:1ABCDEF00");
}

TEST(TextFormat, TimeStampedLineLayout)
{
    std::tm local{};
    local.tm_year = 2008 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    EXPECT_EQ(TimeStamp(when), "2008.12.05 14:03:07");
    EXPECT_EQ(TimeStampedLine("abc", when), "2008.12.05 14:03:07  abc\n");
    EXPECT_EQ(TimeStampedLine("", when), "2008.12.05 14:03:07  \n");
    EXPECT_TRUE(std::regex_match(TimeStamp(), std::regex(R"(\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d)")));
}

}  // namespace
