#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace/TraceRecord.h"

enum class TraceFormat {
    kCandumpLog,  // can-utils "candump -L" lines, ".log"
    kVectorAsc    // Vector ASCII trace, ".asc"
};

// A trace in memory: its records in file order, and what could not be read.
struct Trace {
    std::vector<TraceRecord> records;
    // The interface names (candump) or channel numbers (ASC, "1", "2"...) in
    // order of first appearance; TraceRecord::channel indexes this list.
    std::vector<std::string> channels;
    // Wall time in microseconds since the epoch of a record time 0: 0 for a
    // candump log (its times are absolute); for an ASC file the start date of
    // its header, empty when the file has none that can be read.
    std::optional<int64_t> originUs;
    uint64_t lines = 0;
    // Lines that are neither a frame, an error frame, a header, a comment nor
    // a blank line: CAN FD frames, events this trace cannot hold, malformed
    // text. The rest of the file loads.
    uint64_t unparsedLines = 0;
    // 1-based number of the first such line; 0 when every line was read.
    uint64_t firstUnparsedLine = 0;
};

// Splits a text given in chunks of any size into lines ("\n" or "\r\n", the
// last line may lack its end) and hands each to ParseLine. A line longer than
// kMaxLineLength is counted unparsed and never held whole, so memory stays
// bounded whatever the input; the result does not depend on where the chunks
// are cut.
class TraceLineParser {
public:
    static constexpr size_t kMaxLineLength = 4096;
    static constexpr size_t kMaxChannels = 255;

    explicit TraceLineParser(Trace& into) : m_trace(into) {}
    virtual ~TraceLineParser() = default;
    TraceLineParser(const TraceLineParser&) = delete;
    TraceLineParser& operator=(const TraceLineParser&) = delete;

    void Feed(std::string_view chunk);
    // Reads the last line when the text did not end with a line end.
    void Finish();

protected:
    enum class Line { kRecord, kSkipped, kUnparsed };
    // One line without its end; blank lines never reach it. A parser appends
    // its records to trace().records.
    virtual Line ParseLine(std::string_view line) = 0;

    Trace& trace() { return m_trace; }
    // The channel index of a name, added on first sight; empty once 255
    // different names have been seen.
    std::optional<uint8_t> ChannelIndex(std::string_view name);

private:
    void TakeLine(std::string_view line);

    Trace& m_trace;
    std::string m_pending;
    bool m_overlong = false;
    size_t m_lastChannel = 0;
};

// Parses a whole text in memory into `into`, which the caller gives empty.
void ParseTrace(std::string_view text, TraceFormat format, Trace& into);

// The format of a file: by its extension (".log", ".asc", any case), else by
// its first line that is not blank: "(" starts a candump log.
TraceFormat DetectTraceFormat(std::string_view path, std::string_view head);

enum class TraceReadError { kNone, kOpenFailed, kReadFailed, kOutOfMemory };

struct TraceReadResult {
    TraceReadError error = TraceReadError::kNone;
    // UTF-8, for the user: the file's path and the reason; empty on success.
    std::string report;
    bool ok() const { return error == TraceReadError::kNone; }
};

// Reads a regular file in chunks of `chunkBytes` into `into` (given empty); the
// format comes from DetectTraceFormat. On failure `into` holds what was read
// before it.
TraceReadResult ReadTraceFile(const std::string& path, Trace& into, size_t chunkBytes = 1 << 20);
