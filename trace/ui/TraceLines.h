#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "trace/TraceRecord.h"

// A trace record as the received-data list shows it: its time, two blanks,
// then the line the link writes for a received frame (ReceivedLine), or for
// an error record the conditions it reports:
//
//   "14:03:07.123456  CAN2.0A  Data Frame    길이:2  ID:123       데이터:01 02"
//   "14:03:07.223456  Bus-Off, 수신 Warning 에러 발생"
//
// The time is local time of day with microseconds when the record's wall
// time is known (originUs: the trace's origin), else seconds from the
// trace's start ("12.345678").
std::string TraceLineText(const TraceRecord& record, std::optional<int64_t> originUs);
