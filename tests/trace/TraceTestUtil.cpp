#include "TraceTestUtil.h"

#include <cstdlib>
#include <ctime>

#include "trace/CandumpLog.h"
#include "trace/VectorAsc.h"

TraceRecord Frame(int64_t timeUs, uint32_t id, uint8_t flags, uint8_t dlc,
                  std::initializer_list<uint8_t> data)
{
    TraceRecord record;
    record.timeUs = timeUs;
    record.id = id;
    record.flags = flags;
    record.dlc = dlc;
    std::copy(data.begin(), data.end(), record.data);
    return record;
}

Trace Parsed(std::string_view text, TraceFormat format)
{
    Trace trace;
    ParseTrace(text, format, trace);
    return trace;
}

namespace {

template <class Parser>
Trace FedByteByByte(std::string_view text)
{
    Trace trace;
    Parser parser(trace);
    for (size_t i = 0; i < text.size(); ++i) {
        parser.Feed(text.substr(i, 1));
    }
    parser.Finish();
    return trace;
}

}  // namespace

Trace ParsedByteByByte(std::string_view text, TraceFormat format)
{
    return format == TraceFormat::kCandumpLog ? FedByteByByte<CandumpLogParser>(text)
                                              : FedByteByByte<VectorAscParser>(text);
}

void UseKoreanTime()
{
    setenv("TZ", "KST-9", 1);
    tzset();
}
