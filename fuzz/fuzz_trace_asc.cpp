#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/TraceFuzzChecks.h"
#include "trace/VectorAsc.h"

// Arbitrary bytes as a Vector ASC file. The reader must not crash and must read
// the same trace whether the text comes whole or in pieces of any size; every
// record must be one a CAN bus can carry, its time within range; and what it
// read must be written back by the writer so that it reads to the same records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using trace_fuzz::Check;
    const Trace whole = trace_fuzz::ReadWholeAndInPieces<VectorAscParser>(
        data, size, TraceFormat::kVectorAsc, true);
    std::string written;
    AppendAscHeader(written, 0);
    for (const TraceRecord& record : whole.records) {
        trace_fuzz::CheckRecordRange(whole, record);
        Check(!IsError(record) || (record.id == 0 && record.dlc == 8));
        Check((record.id & ~((record.flags & trace_flags::kExtended) ? kExtendedIdMask
                                                                     : kStandardIdMask)) == 0);
        AppendAscLine(written, record, 0, 1);
    }
    written.append(kAscFooter);
    trace_fuzz::CheckReadsBack(written, TraceFormat::kVectorAsc, whole, [](TraceRecord&) {});
    return 0;
}
