#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "trace/Trace.h"

enum class TraceWriteError {
    kNone,
    kOpenFailed,   // the file (or the next file of a rotation) could not be made
    kWriteFailed,  // a write failed: disk full, file too large, I/O error
    kNotOpen       // Append, Flush or Close without an open file
};

struct TraceWriteStatus {
    TraceWriteError error = TraceWriteError::kNone;
    int systemError = 0;  // errno of the failure, 0 for none
    // UTF-8, for the user: the file's path and the reason; empty on success.
    std::string report;
    bool ok() const { return error == TraceWriteError::kNone; }
};

// Records a trace to a file without a system call per record: Append formats
// the record into a memory buffer, and the buffer goes to the file when it
// passes flushBytes, on Flush (which a timer calls) and on Close.
//
// Times never decrease: a record earlier than the one before it, or earlier
// than the start given to Open, is written with the later time.
//
// Size limit: with sizeLimit set, no file grows past it (a file holding only
// its header and one record excepted). The record that would pass it starts
// the next file, numbered before the extension: "trace.log", then
// "trace_001.log", "trace_002.log", ...; "trace" without an extension gives
// "trace_001". A number whose file already exists is passed over, so a
// rotation never overwrites an earlier recording. Files are cut only between
// records; an ASC file is closed with its footer and the next one starts with
// a header dated at its first record.
//
// A failed write stops the recording with kWriteFailed: the file keeps every
// whole record that reached it (a partly written record is cut off) and is
// closed; later Appends are refused. The caller should ignore SIGXFSZ, or a
// file-size limit kills the process instead of failing the write.
class TraceFileWriter {
public:
    struct Options {
        TraceFormat format = TraceFormat::kCandumpLog;
        // Bytes a file may hold; 0 for no limit.
        uint64_t sizeLimit = 0;
        size_t flushBytes = 64 * 1024;
        // The interface a candump line names.
        std::string interfaceName = "can0";
        // The channel an ASC line names.
        int ascChannel = 1;
    };

    explicit TraceFileWriter(Options options);
    ~TraceFileWriter();
    TraceFileWriter(const TraceFileWriter&) = delete;
    TraceFileWriter& operator=(const TraceFileWriter&) = delete;

    // Creates (or empties) the file at `path` and starts the recording at
    // `startUs` (microseconds since the epoch; an ASC file's date, to the
    // millisecond below it). Closes a recording still open first.
    TraceWriteStatus Open(const std::string& path, int64_t startUs);
    // Takes one record; writes only when the buffer passes flushBytes. False
    // when no recording runs (never opened, closed, stopped by an error) or
    // when this record's write or rotation failed and stopped it (Status).
    // Never blocks beyond one write of the buffer.
    bool Append(const TraceRecord& record);
    TraceWriteStatus Flush();
    // Flushes, ends an ASC file with its footer and closes. The status of the
    // recording: the first error it met, if any.
    TraceWriteStatus Close();

    bool IsOpen() const { return m_fd >= 0; }
    const TraceWriteStatus& Status() const { return m_status; }
    // Every file of the recording, the current one last.
    const std::vector<std::string>& Files() const { return m_files; }
    // Records taken by Append since Open.
    uint64_t RecordCount() const { return m_records; }
    // Bytes waiting in the buffer.
    size_t Buffered() const { return m_buffer.size(); }

    // The name of rotation file `number` (1 and up) for `path`.
    static std::string RotatedPath(const std::string& path, uint32_t number);

private:
    void StartFile(int64_t startUs);
    void AppendLine(const TraceRecord& record);
    bool Rotate(const TraceRecord& record);
    bool WriteBuffer();
    void Fail(TraceWriteError error, int err, const std::string& path);
    void CloseFile();

    Options m_options;
    int m_fd = -1;
    std::string m_path;
    std::string m_buffer;
    TraceWriteStatus m_status;
    std::vector<std::string> m_files;
    uint64_t m_fileBytes = 0;  // bytes already in the current file
    uint64_t m_recordsInFile = 0;
    uint64_t m_records = 0;
    uint32_t m_nextNumber = 1;
    int64_t m_lastUs = 0;
    int64_t m_fileStartUs = 0;  // an ASC file's time 0
};
