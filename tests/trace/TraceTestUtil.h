#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "trace/Trace.h"
#include "trace/TraceRecord.h"

// A frame record for test tables.
inline TraceRecord Frame(int64_t timeUs, uint32_t id, uint8_t flags, uint8_t dlc,
                         std::initializer_list<uint8_t> data = {})
{
    TraceRecord record;
    record.timeUs = timeUs;
    record.id = id;
    record.flags = flags;
    record.dlc = dlc;
    int i = 0;
    for (const uint8_t byte : data) {
        record.data[i++] = byte;
    }
    return record;
}

inline Trace Parsed(std::string_view text, TraceFormat format)
{
    Trace trace;
    ParseTrace(text, format, trace);
    return trace;
}
// Feeds the text one byte at a time: the hardest cut for the line splitter.
Trace ParsedByteByByte(std::string_view text, TraceFormat format);
