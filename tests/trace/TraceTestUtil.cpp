#include "TraceTestUtil.h"

#include "trace/CandumpLog.h"
#include "trace/VectorAsc.h"

Trace ParsedByteByByte(std::string_view text, TraceFormat format)
{
    Trace trace;
    CandumpLogParser log(trace);
    Trace ascTrace;
    VectorAscParser asc(ascTrace);
    TraceLineParser& parser =
        format == TraceFormat::kCandumpLog ? static_cast<TraceLineParser&>(log) : asc;
    for (size_t i = 0; i < text.size(); ++i) {
        parser.Feed(text.substr(i, 1));
    }
    parser.Finish();
    return format == TraceFormat::kCandumpLog ? trace : ascTrace;
}
