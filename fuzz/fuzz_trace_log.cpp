#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "trace/CandumpLog.h"
#include "trace/TextScan.h"

// Arbitrary bytes as a candump log. The reader must not crash and must read
// the same trace whether the text comes whole or in pieces of any size; every
// record must be one a CAN bus can carry; and what it read must be written
// back by the writer so that it reads to the same records.
namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool SameTrace(const Trace& a, const Trace& b)
{
    return a.records == b.records && a.channels == b.channels && a.lines == b.lines &&
           a.unparsedLines == b.unparsedLines && a.firstUnparsedLine == b.firstUnparsedLine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Trace whole;
    ParseTrace(text, TraceFormat::kCandumpLog, whole);

    Trace pieces;
    CandumpLogParser parser(pieces);
    const size_t step = size > 0 ? data[0] % 61 + 1 : 1;
    for (size_t at = 0; at < size; at += step) {
        parser.Feed(text.substr(at, step));
    }
    parser.Finish();
    Check(SameTrace(whole, pieces));

    Check(whole.unparsedLines + whole.records.size() <= whole.lines);
    Check((whole.unparsedLines == 0) == (whole.firstUnparsedLine == 0));
    Check(whole.channels.size() <= TraceLineParser::kMaxChannels);
    std::string written;
    for (const TraceRecord& record : whole.records) {
        Check(record.dlc <= 8 && record.channel < whole.channels.size());
        Check(record.timeUs >= 0 && record.timeUs <= text_scan::kMaxTimeUs);
        const uint32_t mask = (record.flags & (trace_flags::kExtended | trace_flags::kError))
                                  ? kExtendedIdMask
                                  : kStandardIdMask;
        Check((record.id & ~mask) == 0);
        AppendCandumpLine(written, record, "can0");
    }

    Trace again;
    ParseTrace(written, TraceFormat::kCandumpLog, again);
    Check(again.unparsedLines == 0 && again.records.size() == whole.records.size());
    for (size_t i = 0; i < whole.records.size(); ++i) {
        TraceRecord expected = whole.records[i];
        expected.channel = 0;
        expected.flags &= static_cast<uint8_t>(~trace_flags::kTx);
        if (IsError(expected)) {
            expected.dlc = 8;  // an error frame is written with its 8 bytes
        }
        Check(again.records[i] == expected);
    }
    return 0;
}
