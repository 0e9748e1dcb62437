#include "trace/TraceRecord.h"

#include <algorithm>

TraceRecord RecordOfFrame(const CanFrame& frame, int64_t timeUs)
{
    TraceRecord record;
    record.timeUs = timeUs;
    record.id = frame.id & (frame.extended ? kExtendedIdMask : kStandardIdMask);
    record.dlc = std::min<uint8_t>(frame.dlc, 8);
    record.flags =
        (frame.extended ? trace_flags::kExtended : 0) | (frame.remote ? trace_flags::kRemote : 0);
    std::copy_n(frame.data, record.dlc, record.data);
    return record;
}

CanFrame FrameOfRecord(const TraceRecord& record)
{
    CanFrame frame;
    frame.extended = (record.flags & trace_flags::kExtended) ? 1 : 0;
    frame.remote = (record.flags & trace_flags::kRemote) ? 1 : 0;
    frame.dlc = std::min<uint8_t>(record.dlc, 8);
    frame.id = record.id;
    std::copy_n(record.data, 8, frame.data);
    return frame;
}

namespace {

TraceRecord ErrorRecord(int64_t timeUs)
{
    TraceRecord record;
    record.timeUs = timeUs;
    record.flags = trace_flags::kError;
    record.dlc = can_error::kLength;
    return record;
}

}  // namespace

std::optional<TraceRecord> RecordOfErrorReport(uint8_t code, int64_t timeUs)
{
    code &= 0x1F;
    if (code == 0) {
        return std::nullopt;
    }
    TraceRecord record = ErrorRecord(timeUs);
    if (code & converter_error::kBusOff) {
        record.id |= can_error::kBusOff;
    }
    uint8_t controller = 0;
    controller |= (code & converter_error::kRxPassive) ? can_error::kRxPassive : 0;
    controller |= (code & converter_error::kTxPassive) ? can_error::kTxPassive : 0;
    controller |= (code & converter_error::kRxWarning) ? can_error::kRxWarning : 0;
    controller |= (code & converter_error::kTxWarning) ? can_error::kTxWarning : 0;
    if (controller != 0) {
        record.id |= can_error::kController;
        record.data[1] = controller;
    }
    return record;
}

std::optional<TraceRecord> RecordOfResetReport(uint8_t reason, int64_t timeUs)
{
    if (reason != 1 && reason != 2) {
        return std::nullopt;
    }
    TraceRecord record = ErrorRecord(timeUs);
    record.id = can_error::kRestarted;
    return record;
}

uint8_t ConverterErrorBits(const TraceRecord& record)
{
    if (!IsError(record)) {
        return 0;
    }
    uint8_t bits = 0;
    bits |= (record.id & can_error::kBusOff) ? converter_error::kBusOff : 0;
    bits |= (record.id & can_error::kRestarted) ? converter_error::kRestarted : 0;
    if (record.id & can_error::kController) {
        const uint8_t controller = record.data[1];
        bits |= (controller & can_error::kRxPassive) ? converter_error::kRxPassive : 0;
        bits |= (controller & can_error::kTxPassive) ? converter_error::kTxPassive : 0;
        bits |= (controller & can_error::kRxWarning) ? converter_error::kRxWarning : 0;
        bits |= (controller & can_error::kTxWarning) ? converter_error::kTxWarning : 0;
    }
    return bits;
}
