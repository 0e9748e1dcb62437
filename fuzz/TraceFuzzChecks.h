#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "trace/TextScan.h"
#include "trace/Trace.h"

// Checks shared by the trace-format fuzz targets.
namespace trace_fuzz {

inline void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Reads `data` whole and, through a fresh `Parser`, in pieces of a size taken
// from its first byte; both must give the same trace, their origin too when
// `compareOrigin`. The counts of lines must agree with each other. Returns the
// trace read whole.
template <typename Parser>
Trace ReadWholeAndInPieces(const uint8_t* data, size_t size, TraceFormat format, bool compareOrigin)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Trace whole;
    ParseTrace(text, format, whole);

    Trace pieces;
    Parser parser(pieces);
    const size_t step = size > 0 ? data[0] % 61 + 1 : 1;
    for (size_t at = 0; at < size; at += step) {
        parser.Feed(text.substr(at, step));
    }
    parser.Finish();
    Check(whole.records == pieces.records && whole.channels == pieces.channels &&
          (!compareOrigin || whole.originUs == pieces.originUs) && whole.lines == pieces.lines &&
          whole.unparsedLines == pieces.unparsedLines &&
          whole.firstUnparsedLine == pieces.firstUnparsedLine);

    Check(whole.unparsedLines + whole.records.size() <= whole.lines);
    Check((whole.unparsedLines == 0) == (whole.firstUnparsedLine == 0));
    return whole;
}

// A record's length, channel and time are within range.
inline void CheckRecordRange(const Trace& trace, const TraceRecord& record)
{
    Check(record.dlc <= 8 && record.channel < trace.channels.size());
    Check(record.timeUs >= 0 && record.timeUs <= text_scan::kMaxTimeUs);
}

// `written` reads in `format` without a bad line to the records of `whole`,
// each as `expect` makes it from the original on channel 0.
template <typename Expect>
void CheckReadsBack(std::string_view written, TraceFormat format, const Trace& whole, Expect expect)
{
    Trace again;
    ParseTrace(written, format, again);
    Check(again.unparsedLines == 0 && again.records.size() == whole.records.size());
    for (size_t i = 0; i < whole.records.size(); ++i) {
        TraceRecord expected = whole.records[i];
        expected.channel = 0;
        expect(expected);
        Check(again.records[i] == expected);
    }
}

}  // namespace trace_fuzz
