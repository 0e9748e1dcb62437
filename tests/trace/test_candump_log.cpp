#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TraceTestUtil.h"
#include "trace/CandumpLog.h"

namespace {

using namespace trace_flags;

constexpr int64_t kT = 1'700'000'000'123'456;

TEST(CandumpLog, WritesLinesAsCandumpDoes)
{
    struct Row {
        TraceRecord record;
        const char* line;
    };
    const Row rows[] = {
        {Frame(kT, 0x123, 0, 4, {0xDE, 0xAD, 0xBE, 0xEF}),
         "(1700000000.123456) can0 123#DEADBEEF\n"},
        {Frame(kT, 0x18FEF100, kExtended, 2, {1, 2}), "(1700000000.123456) can0 18FEF100#0102\n"},
        {Frame(kT, 0x100, kExtended, 0), "(1700000000.123456) can0 00000100#\n"},
        {Frame(kT, 0x7FF, 0, 0), "(1700000000.123456) can0 7FF#\n"},
        {Frame(kT, 0x123, kRemote, 0), "(1700000000.123456) can0 123#R\n"},
        {Frame(kT, 0x123, kRemote, 4, {9, 9}), "(1700000000.123456) can0 123#R4\n"},
        {Frame(kT, 0x1FFFFFFF, kExtended | kRemote, 8), "(1700000000.123456) can0 1FFFFFFF#R8\n"},
        {Frame(kT, 0x005, kTx, 12, {1, 2, 3, 4, 5, 6, 7, 8}),
         "(1700000000.123456) can0 005#0102030405060708\n"},
        {Frame(5, 0x1, 0, 1, {0xA0}), "(0000000000.000005) can0 001#A0\n"},
        {Frame(-5, 0x1, 0, 0), "(0000000000.000000) can0 001#\n"},
        {*RecordOfErrorReport(0x01, kT), "(1700000000.123456) can0 20000040#0000000000000000\n"},
        {*RecordOfErrorReport(0x02, kT), "(1700000000.123456) can0 20000004#0010000000000000\n"},
        {*RecordOfErrorReport(0x04, kT), "(1700000000.123456) can0 20000004#0020000000000000\n"},
        {*RecordOfErrorReport(0x18, kT), "(1700000000.123456) can0 20000004#000C000000000000\n"},
        {*RecordOfErrorReport(0x09, kT), "(1700000000.123456) can0 20000044#0004000000000000\n"},
        {*RecordOfResetReport(1, kT), "(1700000000.123456) can0 20000100#0000000000000000\n"},
        {*RecordOfResetReport(2, kT), "(1700000000.123456) can0 20000100#0000000000000000\n"},
    };
    for (const Row& row : rows) {
        std::string line;
        AppendCandumpLine(line, row.record, "can0");
        EXPECT_EQ(line, row.line);
    }
}

TEST(CandumpLog, ConverterReportsMapBothWays)
{
    for (uint8_t code = 1; code < 0x20; ++code) {
        EXPECT_EQ(ConverterErrorBits(*RecordOfErrorReport(code | 0xE0, 0)), code);
    }
    EXPECT_FALSE(RecordOfErrorReport(0x00, 0));
    EXPECT_FALSE(RecordOfErrorReport(0x20, 0));
    EXPECT_FALSE(RecordOfResetReport(0, 0));
    EXPECT_FALSE(RecordOfResetReport(3, 0));
    EXPECT_EQ(ConverterErrorBits(*RecordOfResetReport(2, 0)), converter_error::kRestarted);
    EXPECT_EQ(ConverterErrorBits(Frame(0, can_error::kBusOff, 0, 0)), 0);

    CanFrame frame;
    frame.extended = 0;
    frame.remote = 1;
    frame.dlc = 12;
    frame.id = 0xF123;
    const TraceRecord record = RecordOfFrame(frame, 7);
    EXPECT_EQ(record, Frame(7, 0x123, kRemote, 8));
    const CanFrame back = FrameOfRecord(record);
    EXPECT_EQ(back.id, 0x123u);
    EXPECT_EQ(back.remote, 1u);
    EXPECT_EQ(back.dlc, 8);
}

TEST(CandumpLog, ReadsWhatCanUtilsAndPythonCanWrite)
{
    struct Row {
        const char* line;
        TraceRecord record;
    };
    const Row rows[] = {
        {"(1700000000.123456) can0 123#DEADBEEF", Frame(kT, 0x123, 0, 4, {0xDE, 0xAD, 0xBE, 0xEF})},
        {"(0.0) vcan0 001#8d00100100820100",
         Frame(0, 0x001, 0, 8, {0x8D, 0, 0x10, 1, 0, 0x82, 1, 0})},
        {"(1700000000.123456) any 12345678#0102 T",
         Frame(kT, 0x12345678, kExtended | kTx, 2, {1, 2})},
        {"(1.5) can0 123#de.ad.be.ef R", Frame(1'500'000, 0x123, 0, 4, {0xDE, 0xAD, 0xBE, 0xEF})},
        {"  (1.0000019)\tcan0   7ff#  ", Frame(1'000'001, 0x7FF, 0, 0)},
        {"(1.000001) can0 123#R", Frame(1'000'001, 0x123, kRemote, 0)},
        {"(1.000001) can0 123#R4 R", Frame(1'000'001, 0x123, kRemote, 4)},
        {"(1.000001) can0 1FFFFFFF#r8", Frame(1'000'001, 0x1FFFFFFF, kExtended | kRemote, 8)},
        {"(1.1) can0 20000080#", Frame(1'100'000, can_error::kBusError, kError, 0)},
        {"(1.1) can0 20000044#0004000000000000",
         Frame(1'100'000, can_error::kBusOff | can_error::kController, kError, 8, {0, 4})},
        {"(1.1) can0 20000100#0000000000000000 R\r",
         Frame(1'100'000, can_error::kRestarted, kError, 8)},
    };
    for (const Row& row : rows) {
        const Trace trace = Parsed(row.line, TraceFormat::kCandumpLog);
        ASSERT_EQ(trace.records.size(), 1u) << row.line;
        TraceRecord expected = row.record;
        expected.channel = 0;
        EXPECT_EQ(trace.records[0], expected) << row.line;
        EXPECT_EQ(trace.unparsedLines, 0u) << row.line;
    }
}

TEST(CandumpLog, CountsEveryOtherLineUnparsed)
{
    const char* lines[] = {
        "(1.0) can0 123##1DEADBEEF",          // CAN FD
        "(1.0) can0 800#00",                  // more than 11 bits in 3 digits
        "(1.0) can0 1234#00",                 // neither 3 nor 8 digits
        "(1.0) can0 123#DEA",                 // half a byte
        "(1.0) can0 123#001122334455667788",  // 9 bytes
        "(1.0) can0 123#R9",
        "(1.0) can0 40000000#",  // the remote flag in the identifier
        "(1.0) can0 123#.00",
        "1.0 can0 123#00",
        "(1.0) can0 123#00 X",
        "(1.0) can0 123#00 R extra",
        "(abc) can0 123#00",
        "(1) can0 123#00",
        "(1234567890123.0) can0 123#",
        "(-1.0) can0 123#",
        "(1.0) can0 123",
        "(1.0) a-name-far-longer-than-any-interface-name-can-be 123#",
    };
    for (const char* line : lines) {
        const Trace trace = Parsed(line, TraceFormat::kCandumpLog);
        EXPECT_TRUE(trace.records.empty()) << line;
        EXPECT_EQ(trace.unparsedLines, 1u) << line;
        EXPECT_EQ(trace.firstUnparsedLine, 1u) << line;
    }
}

TEST(CandumpLog, KeepsReadingPastBadLinesAndNamesChannels)
{
    const std::string text =
        "\xEF\xBB\xBF(1.000000) can0 100#01\r\n"
        "\n"
        "   \n"
        "(1.000001) can0 100##0\n"
        "(1.000002) vcan0 200#02\n"
        "garbage\n"
        "(1.000003) can0 300#03";
    for (const Trace& trace : {Parsed(text, TraceFormat::kCandumpLog),
                               ParsedByteByByte(text, TraceFormat::kCandumpLog)}) {
        ASSERT_EQ(trace.records.size(), 3u);
        EXPECT_EQ(trace.records[0].id, 0x100u);
        EXPECT_EQ(trace.records[1].channel, 1);
        EXPECT_EQ(trace.records[2].channel, 0);
        EXPECT_EQ(trace.records[2].timeUs, 1'000'003);
        EXPECT_EQ(trace.channels, (std::vector<std::string>{"can0", "vcan0"}));
        EXPECT_EQ(trace.lines, 7u);
        EXPECT_EQ(trace.unparsedLines, 2u);
        EXPECT_EQ(trace.firstUnparsedLine, 4u);
        EXPECT_EQ(trace.originUs, 0);
    }
}

TEST(CandumpLog, AnOverlongLineIsOneBadLineWhereverTheChunksAreCut)
{
    const std::string longLine(3 * TraceLineParser::kMaxLineLength, 'A');
    const std::string text = "(1.0) can0 100#01\n" + longLine + "\n(2.0) can0 200#02\n" + longLine;
    Trace chunked;
    CandumpLogParser parser(chunked);
    for (size_t at = 0; at < text.size(); at += 1000) {
        parser.Feed(std::string_view(text).substr(at, 1000));
    }
    parser.Finish();
    for (const Trace& trace : {Parsed(text, TraceFormat::kCandumpLog), chunked}) {
        ASSERT_EQ(trace.records.size(), 2u);
        EXPECT_EQ(trace.records[1].timeUs, 2'000'000);
        EXPECT_EQ(trace.lines, 4u);
        EXPECT_EQ(trace.unparsedLines, 2u);
        EXPECT_EQ(trace.firstUnparsedLine, 2u);
    }
    // The longest line still read: the limit, plus the "\r" of a "\r\n" end.
    const std::string padded =
        "(1.0) can0 100#01" + std::string(TraceLineParser::kMaxLineLength - 17, ' ') + "\r\n";
    EXPECT_EQ(Parsed(padded, TraceFormat::kCandumpLog).records.size(), 1u);
    EXPECT_EQ(Parsed(" " + padded, TraceFormat::kCandumpLog).unparsedLines, 1u);
}

}  // namespace
