#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "TraceTestUtil.h"
#include "trace/VectorAsc.h"

namespace {

using namespace trace_flags;

class VectorAsc : public ::testing::Test {
protected:
    void SetUp() override { UseKoreanTime(); }

    // Microseconds since the epoch of a Korean local time.
    static int64_t Kst(int year, int month, int day, int hour, int minute, int second,
                       int micros = 0)
    {
        std::tm utc{};
        utc.tm_year = year - 1900;
        utc.tm_mon = month - 1;
        utc.tm_mday = day;
        utc.tm_hour = hour;
        utc.tm_min = minute;
        utc.tm_sec = second;
        return (static_cast<int64_t>(timegm(&utc)) - 9 * 3600) * 1'000'000 + micros;
    }
};

TEST_F(VectorAsc, WritesDatesAsVectorToolsDo)
{
    struct Row {
        int64_t us;
        const char* text;
    };
    const Row rows[] = {
        {Kst(2023, 11, 15, 7, 13, 20, 123'456), "Wed Nov 15 07:13:20.123 am 2023"},
        {Kst(2026, 12, 7, 0, 5, 9), "Mon Dec 07 12:05:09.000 am 2026"},
        {Kst(2026, 12, 7, 12, 0, 0, 999'999), "Mon Dec 07 12:00:00.999 pm 2026"},
        {Kst(2024, 2, 29, 23, 59, 59), "Thu Feb 29 11:59:59.000 pm 2024"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AscDateText(row.us), row.text);
    }
}

TEST_F(VectorAsc, ReadsDatesOfEveryWriter)
{
    struct Row {
        const char* text;
        int64_t us;
    };
    const Row rows[] = {
        {"Mon Dec 07 03:10:00.000 am 2026", Kst(2026, 12, 7, 3, 10, 0)},
        {"Mon Dec 07 12:10:00.250 AM 2026", Kst(2026, 12, 7, 0, 10, 0, 250'000)},
        {"Mon Dec 7 12:10:00.5 pm 2026", Kst(2026, 12, 7, 12, 10, 0, 500'000)},
        {"Tue Nov 14 22:13:20 2023", Kst(2023, 11, 14, 22, 13, 20)},
        {"Sam Sep 30 15:06:13.191 2017", Kst(2017, 9, 30, 15, 6, 13, 191'000)},
        {"Mo Dez 07 03:10:00.000 2026", Kst(2026, 12, 7, 3, 10, 0)},
        {"Fr M\xC3\xA4r 01 10:00:00 2024", Kst(2024, 3, 1, 10, 0, 0)},
        {"  Mon  Dec  07  03:10:00.123456  pm  2026 ", Kst(2026, 12, 7, 15, 10, 0, 123'456)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseAscDate(row.text), row.us) << row.text;
    }
    const char* bad[] = {
        "Mon Foo 07 03:10:00.000 am 2026", "Mon Dec 07 13:00:00 pm 2026",
        "Mon Dec 07 00:00:00 am 2026",     "Mon Dec 07 03:10 2026",
        "Mon Dec 07 03:10:00.000 am",      "Mon Dec 07 03:10:00 2026 extra",
        "Mon Dec 00 03:10:00 2026",        "Mon Dec 07 03:10:00.1234567 2026",
        "Mon Dec 07 24:00:00 2026",        "",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseAscDate(text)) << text;
    }
}

TEST_F(VectorAsc, WritesHeaderAndLinesAsLog2ascLaysThemOut)
{
    const int64_t start = Kst(2026, 12, 7, 3, 10, 0);
    std::string text;
    AppendAscHeader(text, start);
    EXPECT_EQ(text,
              "date Mon Dec 07 03:10:00.000 am 2026\n"
              "base hex  timestamps absolute\n"
              "internal events logged\n"
              "Begin Triggerblock Mon Dec 07 03:10:00.000 am 2026\n"
              "   0.000000 Start of measurement\n");
    struct Row {
        TraceRecord record;
        const char* line;
    };
    const Row rows[] = {
        {Frame(start + 123'456, 0x123, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8}),
         "   0.123456 1  123             Rx   d 8 01 02 03 04 05 06 07 08\n"},
        {Frame(start + 223'456, 0x18FEF100, kExtended, 2, {1, 2}),
         "   0.223456 1  18FEF100x       Rx   d 2 01 02\n"},
        {Frame(start + 1, 0x100, kExtended | kTx, 0), "   0.000001 1  100x            Tx   d 0\n"},
        {Frame(start + 1, 0x5, kRemote, 4, {9}), "   0.000001 1  5               Rx   r 4\n"},
        {Frame(start + 1, 0x5, kRemote, 0), "   0.000001 1  5               Rx   r 0\n"},
        {Frame(start + 12345'000'001, 0x7FF, 0, 12, {1, 2, 3, 4, 5, 6, 7, 8}),
         "12345.000001 1  7FF             Rx   d 8 01 02 03 04 05 06 07 08\n"},
        {Frame(start - 5, 0x1, 0, 0), "   0.000000 1  1               Rx   d 0\n"},
        {*RecordOfErrorReport(0x01, start + 423'456), "   0.423456 1  ErrorFrame\n"},
    };
    for (const Row& row : rows) {
        std::string line;
        AppendAscLine(line, row.record, start, 1);
        EXPECT_EQ(line, row.line);
    }
}

TEST_F(VectorAsc, ReadsEventLinesOfEveryWriter)
{
    struct Row {
        const char* line;
        TraceRecord record;
    };
    const Row rows[] = {
        {"   0.123456 1  123             Rx   d 8 01 02 03 04 05 06 07 08",
         Frame(123'456, 0x123, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8})},
        {" 0.223456 1  18fef100x       Tx   d 2 01 0a",
         Frame(223'456, 0x18FEF100, kExtended | kTx, 2, {1, 10})},
        {"1.5 1 100 Rx d 2 01 02  Length = 228000 BitCount = 117 ID = 256",
         Frame(1'500'000, 0x100, 0, 2, {1, 2})},
        {"1.5 1 100 Rx d 0", Frame(1'500'000, 0x100, 0, 0)},
        {"1.5 1 100 Rx d F 01 02 03 04 05 06 07 08",
         Frame(1'500'000, 0x100, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8})},
        {"1.5 1 100 Rx r", Frame(1'500'000, 0x100, kRemote, 0)},
        {"1.5 1 100 Rx r 8  Length = 0 BitCount = 0", Frame(1'500'000, 0x100, kRemote, 8)},
        {"1.5 1 100x Rx R 3", Frame(1'500'000, 0x100, kExtended | kRemote, 3)},
        {"   0.423456 1  ErrorFrame", Frame(423'456, 0, kError, 8)},
        {"0.4 1 ErrorFrame ECC: 10100010", Frame(400'000, 0, kError, 8)},
    };
    for (const Row& row : rows) {
        const Trace trace = Parsed(row.line, TraceFormat::kVectorAsc);
        ASSERT_EQ(trace.records.size(), 1u) << row.line;
        EXPECT_EQ(trace.records[0], row.record) << row.line;
        EXPECT_EQ(trace.unparsedLines, 0u) << row.line;
    }
    const char* bad[] = {
        "   0.700000 CANFD   1 Rx        123                                   1 0 4  4 DE AD BE "
        "EF   130000  130     3000 0 0 0 0 0",
        "1.0 1 Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%",
        "1.0 1 800 Rx d 1 00",
        "1.0 1 123 Rx d 2 01",
        "1.0 1 123 Xx d 0",
        "1.0 1 123 Rx q 0",
        "1.0 1 123 Rx d G",
        "1.0 256 123 Rx d 0",
        "1.0 Start of something",
        "1 1 123 Rx d 0",
        "begin triggerblock Mon Foo 07 03:10:00 2026",
        "base oct",
        "base hex timestamps sometimes",
    };
    for (const char* line : bad) {
        const Trace trace = Parsed(line, TraceFormat::kVectorAsc);
        EXPECT_TRUE(trace.records.empty()) << line;
        EXPECT_EQ(trace.unparsedLines, 1u) << line;
    }
}

TEST_F(VectorAsc, ReadsWholeFilesWithTheirBaseTimesAndChannels)
{
    // As python-can writes it: the trigger block's date is the start.
    const std::string python =
        "date Mon Dec 07 03:10:00.000 AM 2026\n"
        "base hex  timestamps absolute\n"
        "internal events logged\n"
        "// version 9.0.0\n"
        "Begin Triggerblock Mon Dec 07 03:10:01.500 AM 2026\n"
        " 0.000000 Start of measurement\n"
        " 0.000100 1  123             Rx   d 1 01\n"
        " 0.000200 2  124             Tx   d 1 02\r\n"
        " 0.000300 CANFD   1 Rx 123 1 0 1 1 01 0 0 1000 0 0 0 0 0\n"
        " 0.000400 1  125             Rx   d 1 03\n"
        "End TriggerBlock\n";
    for (const Trace& trace : {Parsed(python, TraceFormat::kVectorAsc),
                               ParsedByteByByte(python, TraceFormat::kVectorAsc)}) {
        ASSERT_EQ(trace.records.size(), 3u);
        EXPECT_EQ(trace.originUs, Kst(2026, 12, 7, 3, 10, 1, 500'000));
        TraceRecord second = Frame(200, 0x124, kTx, 1, {2});
        second.channel = 1;
        EXPECT_EQ(trace.records[1], second);
        EXPECT_EQ(trace.records[2].timeUs, 400);
        EXPECT_EQ(trace.channels, (std::vector<std::string>{"1", "2"}));
        EXPECT_EQ(trace.lines, 11u);
        EXPECT_EQ(trace.unparsedLines, 1u);
        EXPECT_EQ(trace.firstUnparsedLine, 9u);
    }

    // Decimal identifiers and bytes, each time counted from the event before.
    const Trace relative = Parsed(
        "date Tue Nov 14 22:13:20 2023\n"
        "base dec  timestamps relative\n"
        "no internal events logged\n"
        "   1.000000 1  291             Rx   d 2 1 255\n"
        "   0.500000 1  Statistic: whatever\n"
        "   0.250000 1  419361024x      Rx   d 10 1 2 3 4 5 6 7 8\n"
        "   0.000001 1  2047            Rx   r 12\n",
        TraceFormat::kVectorAsc);
    ASSERT_EQ(relative.records.size(), 3u);
    EXPECT_EQ(relative.originUs, Kst(2023, 11, 14, 22, 13, 20));
    EXPECT_EQ(relative.records[0], Frame(1'000'000, 0x123, 0, 2, {1, 255}));
    EXPECT_EQ(relative.records[1],
              Frame(1'750'000, 0x18FEF100, kExtended, 8, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(relative.records[2], Frame(1'750'001, 0x7FF, kRemote, 8));
    EXPECT_EQ(relative.unparsedLines, 1u);

    EXPECT_FALSE(Parsed("   0.1 1  1 Rx d 0\n", TraceFormat::kVectorAsc).originUs);
}

}  // namespace
