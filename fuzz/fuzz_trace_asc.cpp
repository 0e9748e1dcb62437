#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "trace/TextScan.h"
#include "trace/VectorAsc.h"

// Arbitrary bytes as a Vector ASC file. The reader must not crash and must read
// the same trace whether the text comes whole or in pieces of any size; every
// record must be one a CAN bus can carry, its time within range; and what it
// read must be written back by the writer so that it reads to the same records.
namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool SameTrace(const Trace& a, const Trace& b)
{
    return a.records == b.records && a.channels == b.channels && a.originUs == b.originUs &&
           a.lines == b.lines && a.unparsedLines == b.unparsedLines &&
           a.firstUnparsedLine == b.firstUnparsedLine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Trace whole;
    ParseTrace(text, TraceFormat::kVectorAsc, whole);

    Trace pieces;
    VectorAscParser parser(pieces);
    const size_t step = size > 0 ? data[0] % 61 + 1 : 1;
    for (size_t at = 0; at < size; at += step) {
        parser.Feed(text.substr(at, step));
    }
    parser.Finish();
    Check(SameTrace(whole, pieces));

    Check(whole.unparsedLines + whole.records.size() <= whole.lines);
    Check((whole.unparsedLines == 0) == (whole.firstUnparsedLine == 0));
    std::string written;
    AppendAscHeader(written, 0);
    for (const TraceRecord& record : whole.records) {
        Check(record.dlc <= 8 && record.channel < whole.channels.size());
        Check(record.timeUs >= 0 && record.timeUs <= text_scan::kMaxTimeUs);
        Check(!IsError(record) || (record.id == 0 && record.dlc == 8));
        Check((record.id & ~((record.flags & trace_flags::kExtended) ? kExtendedIdMask
                                                                     : kStandardIdMask)) == 0);
        AppendAscLine(written, record, 0, 1);
    }
    written.append(kAscFooter);

    Trace again;
    ParseTrace(written, TraceFormat::kVectorAsc, again);
    Check(again.unparsedLines == 0 && again.records.size() == whole.records.size());
    for (size_t i = 0; i < whole.records.size(); ++i) {
        TraceRecord expected = whole.records[i];
        expected.channel = 0;
        Check(again.records[i] == expected);
    }
    return 0;
}
