#include "rxlog/EventLine.h"

#include "common/TextFormat.h"
#include "rxlog/LogFiles.h"

namespace {

EventLineSink* g_pEventLogCtrl = nullptr;
ReceivedLineSink* g_pRDataList = nullptr;

}  // namespace

EventLineSink* EventLogSink()
{
    return g_pEventLogCtrl;
}

void SetEventLogSink(EventLineSink* sink)
{
    g_pEventLogCtrl = sink;
}

ReceivedLineSink* ReceivedDataSink()
{
    return g_pRDataList;
}

void SetReceivedDataSink(ReceivedLineSink* sink)
{
    g_pRDataList = sink;
}

void WriteEventLine(std::string_view text, uint32_t colour)
{
    if (g_pEventLogCtrl != nullptr) {
        g_pEventLogCtrl->AddEventLine(text, colour);
    }
    if (IsLogging(kEventLog)) {
        WriteLog(kEventLog, TimeStampedLine(text));
    }
}
