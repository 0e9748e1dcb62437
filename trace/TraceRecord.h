#pragma once

#include <cstdint>
#include <optional>

#include "link/CanFrame.h"

// One recorded event of a trace: a CAN frame or an error report, 24 bytes.
//
// A frame keeps its identifier (11 or 29 bits), length 0..8 and data. An error
// report is kept as SocketCAN writes it (linux/can/error.h): `id` holds the
// error classes without CAN_ERR_FLAG, `data` the eight detail bytes, `dlc` 8.
// The converter's reports map onto it as
//   Bus-Off                         id bit 0x040 (CAN_ERR_BUSOFF)
//   receive / transmit Error-Passive id bit 0x004 (CAN_ERR_CRTL), data[1] 0x10 / 0x20
//   receive / transmit Warning      id bit 0x004 (CAN_ERR_CRTL), data[1] 0x04 / 0x08
//   automatic reset                 id bit 0x100 (CAN_ERR_RESTARTED)
// so the report "Bus-Off, 수신 Warning" is the candump line
// "20000044#0004000000000000".
struct TraceRecord {
    // Microseconds: since the epoch when written by this program or read from
    // a candump log; since the trace's origin when read from an ASC file.
    int64_t timeUs = 0;
    uint32_t id = 0;
    uint8_t dlc = 0;
    uint8_t flags = 0;
    // Index into Trace::channels (the interface or ASC channel it came from).
    uint8_t channel = 0;
    uint8_t data[8] = {};

    bool operator==(const TraceRecord&) const = default;
};
static_assert(sizeof(TraceRecord) == 24, "a million records must stay small");

namespace trace_flags {
constexpr uint8_t kExtended = 0x01;
constexpr uint8_t kRemote = 0x02;
constexpr uint8_t kError = 0x04;
// Sent by the recording node ("Tx" in ASC, " T" after a candump frame).
constexpr uint8_t kTx = 0x08;
}  // namespace trace_flags

// SocketCAN's error frame layout (linux/can.h, linux/can/error.h).
namespace can_error {
constexpr uint32_t kFlag = 0x20000000;
constexpr uint32_t kController = 0x004;
constexpr uint32_t kBusOff = 0x040;
constexpr uint32_t kBusError = 0x080;
constexpr uint32_t kRestarted = 0x100;
constexpr uint8_t kRxWarning = 0x04;
constexpr uint8_t kTxWarning = 0x08;
constexpr uint8_t kRxPassive = 0x10;
constexpr uint8_t kTxPassive = 0x20;
constexpr uint8_t kLength = 8;
}  // namespace can_error

// The layout ConverterErrorBits returns: the converter's error-code bits
// (link/CanFrame.h), plus one for an automatic reset.
namespace converter_error {
constexpr uint8_t kRestarted = 0x20;
}  // namespace converter_error

inline bool IsError(const TraceRecord& record)
{
    return (record.flags & trace_flags::kError) != 0;
}

// A received frame at `timeUs`; the length is clamped to 8 and the identifier
// masked to its width.
TraceRecord RecordOfFrame(const CanFrame& frame, int64_t timeUs);
CanFrame FrameOfRecord(const TraceRecord& record);

// The converter's error report (its code byte; bits above 0x1F are ignored).
// Empty for a code without bits, which the converter does not report.
std::optional<TraceRecord> RecordOfErrorReport(uint8_t code, int64_t timeUs);
// The converter's reset report: reasons 1 (after Bus-Off) and 2 (after a
// transmit buffer error) are automatic resets; a reset by command (0) or an
// unknown reason is no error and gives nothing.
std::optional<TraceRecord> RecordOfResetReport(uint8_t reason, int64_t timeUs);
// The converter_error bits an error record carries; 0 for a frame or for an
// error of a kind the converter does not report (a bus error, an ASC error frame).
uint8_t ConverterErrorBits(const TraceRecord& record);
