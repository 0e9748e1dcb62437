#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "trace/Trace.h"
#include "trace/TraceRecord.h"

// A frame record for test tables.
TraceRecord Frame(int64_t timeUs, uint32_t id, uint8_t flags, uint8_t dlc,
                  std::initializer_list<uint8_t> data = {});

Trace Parsed(std::string_view text, TraceFormat format);
// Feeds the text one byte at a time: the hardest cut for the line splitter.
Trace ParsedByteByByte(std::string_view text, TraceFormat format);

// Korea's time, nine hours ahead of UTC all year, for the rest of the test
// program: local dates differ from UTC ones, so a date written or read as UTC
// would show.
void UseKoreanTime();
