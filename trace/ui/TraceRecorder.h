#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

#include "trace/TraceClock.h"
#include "trace/TraceFileWriter.h"

class CConverterLink;
struct LinkRecord;

// Records what the link receives to a trace file: every CAN frame, and every
// error report and automatic reset as an error frame, stamped with the time
// its last byte arrived. Taking a record only formats it into the writer's
// buffer; the buffer reaches the disk every kFlushMs, when it passes the
// writer's threshold, and on Stop. A failed write (disk full, file too large)
// stops the recording with one red event line; what was written before it
// stays in the file. A recording that goes on in a new file because of its
// size limit says so in an event line.
class CTraceRecorder : public QObject {
    Q_OBJECT

public:
    static constexpr int kFlushMs = 250;

    explicit CTraceRecorder(CConverterLink& link, QObject* parent = nullptr);
    ~CTraceRecorder() override;

    // Starts a recording to path, a candump log unless the name ends in
    // ".asc"; with sizeLimit (bytes, 0 for none) later files continue it. An
    // event line tells the start, or the failure to make the file (then false).
    bool Start(const std::string& path, uint64_t sizeLimit);
    // Ends the recording, flushed and closed, with an event line.
    void Stop();
    bool IsRecording() const { return m_writer != nullptr; }
    // Records taken by the running or the last recording.
    uint64_t RecordCount() const { return m_records; }

signals:
    // A recording started or ended (also by itself, after a write failure).
    void RecordingChanged();

private:
    void Take(const LinkRecord& record);
    void Flush();
    // The recording went on in a new file (a size limit): one event line.
    void ReportNextFile();
    // Reports the writer's failure and ends the recording.
    void Fail();
    void Finish();

    CConverterLink& m_link;
    std::unique_ptr<TraceFileWriter> m_writer;
    TraceClock m_clock;
    QTimer m_flushTimer;
    uint64_t m_records = 0;
    bool m_keepObserver = false;
};
