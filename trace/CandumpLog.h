#pragma once

#include <string>
#include <string_view>

#include "trace/Trace.h"

// The can-utils log line ("candump -L"), one record a line:
//
//   (1700000000.123456) can0 123#DEADBEEF           11-bit data frame
//   (1700000000.123456) can0 18FEF100#0102          29-bit: 8 hex digits
//   (1700000000.123456) can0 7FF#                   no data
//   (1700000000.123456) can0 123#R                  remote frame, length 0
//   (1700000000.123456) can0 123#R4                 remote frame, length 4
//   (1700000000.123456) can0 20000040#0000000000000000
//                                                   error frame: CAN_ERR_FLAG
//                                                   and its classes, 8 bytes
//
// The time is seconds since the epoch with six decimals, the seconds at least
// ten digits; hex is upper case.
//
// Reading also takes what python-can and asc2log write: a trailing " R" or
// " T" (received, transmitted), lower-case hex, "." between data bytes, any
// interface name, times with 1 to 9 decimals. CAN FD lines ("123##1...") and
// anything else malformed are counted unparsed.

// Appends one line, "\n" included, naming the interface `interfaceName`.
// Negative times are written as 0.
void AppendCandumpLine(std::string& out, const TraceRecord& record, std::string_view interfaceName);

class CandumpLogParser : public TraceLineParser {
public:
    explicit CandumpLogParser(Trace& into);

protected:
    Line ParseLine(std::string_view line) override;
};
