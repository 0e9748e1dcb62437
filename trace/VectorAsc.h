#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trace/Trace.h"

// The Vector ASCII trace (".asc") as this program writes it:
//
//   date Mon Dec 07 03:10:00.000 am 2026
//   base hex  timestamps absolute
//   internal events logged
//   Begin Triggerblock Mon Dec 07 03:10:00.000 am 2026
//      0.000000 Start of measurement
//      0.123456 1  123             Rx   d 8 01 02 03 04 05 06 07 08
//      0.223456 1  18FEF100x       Rx   d 2 01 02
//      0.323456 1  123             Rx   r 4
//      0.423456 1  ErrorFrame
//   End TriggerBlock
//
// The dates are local time to the millisecond, 12-hour with "am"/"pm" and
// English names as Vector's tools write them; every event time is seconds
// since that date with six decimals. The "x" marks a 29-bit identifier; "r"
// a remote frame with its length. An error frame carries no detail, so an
// error record written here reads back as an error of no known kind.
//
// Reading also takes the files of python-can and can-utils log2asc: 24-hour
// dates with or without milliseconds, German month names, "base dec",
// "timestamps relative" (each time counts from the event before), "Tx", "r"
// without a length, "//" comments, extra fields after the data bytes (such as
// "Length = ..."), several channels. The start date is the "Begin
// Triggerblock" date when it has one, else the "date" line. CAN FD lines,
// statistics and other events are counted unparsed.

// The date as the header writes it, local time: "Mon Dec 07 03:10:00.000 am 2026".
std::string AscDateText(int64_t epochUs);
// The text after "date" or "Begin Triggerblock" as local time, in microseconds
// since the epoch; empty when it is no date.
std::optional<int64_t> ParseAscDate(std::string_view text);

// The lines before the first event, for a file whose time 0 is `startUs`; pass
// a start on a whole millisecond (the header cannot show finer).
void AppendAscHeader(std::string& out, int64_t startUs);
// One event line, "\n" included, with its time relative to `startUs` (never
// below 0), on ASC channel `channel` (1 and up).
void AppendAscLine(std::string& out, const TraceRecord& record, int64_t startUs, int channel);
constexpr std::string_view kAscFooter = "End TriggerBlock\n";

class VectorAscParser : public TraceLineParser {
public:
    explicit VectorAscParser(Trace& into) : TraceLineParser(into) {}

protected:
    Line ParseLine(std::string_view line) override;

private:
    Line ParseHeaderLine(std::string_view keyword, std::string_view rest);
    Line ParseEvent(int64_t timeUs, std::string_view channel, std::string_view rest);

    int m_base = 16;
    bool m_relative = false;
    int64_t m_previousUs = 0;
};
