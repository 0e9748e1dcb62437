#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "common/TextFormat.h"

namespace {

TEST(TextFormat, CaptionLinePadsToTwentyEightCp949BytesAndNeverCuts)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", "                             : x"},
        {"[환경설정 읽기 명령]", "[환경설정 읽기 명령]         : x"},
        {"[CAN 데이터 수신 여부 명령]", "[CAN 데이터 수신 여부 명령]  : x"},
        {"[가나다라마바사아자차카타하]", "[가나다라마바사아자차카타하] : x"},
        {"[0123456789012345678901234567890]", "[0123456789012345678901234567890] : x"},
    };
    for (const auto& [caption, line] : rows) {
        EXPECT_EQ(CaptionLine(caption, "x"), line);
    }
    EXPECT_FALSE(IsHexText("0x12"));
    EXPECT_TRUE(IsHexText("09AFaf"));
}

TEST(TextFormat, TimeStampedLineLayout)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(TimeStampedLine("abc", 1228485787), "2008.12.05 14:03:07  abc\n");
    EXPECT_EQ(TimeStampedLine("", 1228485787), "2008.12.05 14:03:07  \n");
}

}  // namespace
