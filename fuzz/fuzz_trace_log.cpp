#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/TraceFuzzChecks.h"
#include "trace/CandumpLog.h"

// Arbitrary bytes as a candump log. The reader must not crash and must read
// the same trace whether the text comes whole or in pieces of any size; every
// record must be one a CAN bus can carry; and what it read must be written
// back by the writer so that it reads to the same records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using trace_fuzz::Check;
    const Trace whole = trace_fuzz::ReadWholeAndInPieces<CandumpLogParser>(
        data, size, TraceFormat::kCandumpLog, false);
    Check(whole.channels.size() <= TraceLineParser::kMaxChannels);
    std::string written;
    for (const TraceRecord& record : whole.records) {
        trace_fuzz::CheckRecordRange(whole, record);
        const uint32_t mask = (record.flags & (trace_flags::kExtended | trace_flags::kError))
                                  ? kExtendedIdMask
                                  : kStandardIdMask;
        Check((record.id & ~mask) == 0);
        AppendCandumpLine(written, record, "can0");
    }
    trace_fuzz::CheckReadsBack(written, TraceFormat::kCandumpLog, whole, [](TraceRecord& expected) {
        expected.flags &= static_cast<uint8_t>(~trace_flags::kTx);
        if (IsError(expected)) {
            expected.dlc = 8;  // an error frame is written with its 8 bytes
        }
    });
    return 0;
}
