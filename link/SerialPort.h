#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "link/PortOpenFailure.h"

class QObject;
class QSocketNotifier;
class CRingBuffer;

// One serial port, opened exclusively and set to raw 8N1 at the chosen speed,
// with a reader thread that moves received bytes into the ring.
//
// The reader waits in poll() on the port and an eventfd. Per wake-up it reads
// what is waiting, at most 4096 bytes a read, stores each chunk only when the
// ring's Free is greater than its size (otherwise drops the chunk whole), and
// posts one WM_LINK_DATA event to the notify target unless one still waits to
// be taken up; then it lets kGatherMs pass before it looks at the port again
// (with exact stamps it reads on, and only the event waits).
// When the device goes away (POLLHUP, POLLERR, an I/O error) it marks the port
// lost, posts WM_LINK_PORT_LOST and ends instead of waiting on a dead
// descriptor; from the mark on the port no longer counts as open, though it is
// still held until Close. StopReader wakes it through the eventfd and joins it, so after Close
// nothing of the reader runs.
//
// Open, Close and Write belong to the UI thread; the reader only fills the ring
// and posts events.
class CSerialPort {
public:
    static constexpr size_t kReadChunk = 4096;
    static constexpr int kWriteTimeoutMs = 1000;
    // After a wake-up with bytes, the reader looks at the port again only
    // this much later, so that bytes arriving meanwhile are taken together.
    static constexpr int kGatherMs = 6;

    CSerialPort();
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Where the reader posts its events, and the ring it fills. Set while closed.
    void SetNotify(QObject* target) { m_notify = target; }
    void SetRing(CRingBuffer* ring) { m_ring = ring; }

    // The device a port-list name opens: a name starting with "/" is a path as
    // it stands; COM1..COM999 open /dev/ttyS0..; any other name is a kernel
    // name under /dev ("ttyUSB0" opens /dev/ttyUSB0).
    static std::string DevicePath(const std::string& name);

    // Closes whatever is open, then opens, configures, purges and starts the
    // reader. False, with everything released, on any failure; OpenFailure()
    // then tells which step failed and why.
    bool Open(const std::string& name, uint32_t baud);
    // The failure of the last Open; step kNone after a success.
    const PortOpenFailure& OpenFailure() const { return m_openFailure; }
    void Close();
    // Held and not lost.
    bool IsOpen() const { return m_fd >= 0 && !m_lost.load(std::memory_order_acquire); }
    // Held, but the reader has found the device gone and ended: only Close is left.
    bool IsLost() const { return m_fd >= 0 && m_lost.load(std::memory_order_acquire); }

    // Writes within 1000 ms in all; returns the count written (short on time-out
    // or error, 0 when closed).
    size_t Write(const uint8_t* bytes, size_t length);
    // Writes a whole frame without ever waiting, for repeated sends. kWritten
    // when the driver took it, or took part of it and the rest waits in a
    // pending buffer that goes out, in order, as the line takes it (so the
    // line never carries part of a frame followed by another); kBusy, nothing
    // written, when the line takes nothing now or a remainder still waits;
    // kFailed when closed, lost or the device refused the write. Write sends
    // a remainder first; Close discards it.
    enum class TryWriteResult { kWritten, kBusy, kFailed };
    TryWriteResult TryWrite(const uint8_t* bytes, size_t length);
    size_t PendingBytes() const { return m_pending.size(); }
    // Bytes written but not yet sent on the line (the driver's output queue);
    // 0 when closed or when the driver cannot tell. One ioctl, no waiting.
    size_t OutputQueued() const;

    // One non-blocking read of at most size bytes: the count read, 0 when none
    // is waiting, -1 when the device is gone (error or end of file).
    long Read(uint8_t* buffer, size_t size);

    // The consumer's side of the data event: called before it counts the
    // ring, so that bytes stored after its count bring a new event.
    void AcknowledgeData();

    bool StartReader();
    bool StopReader();
    bool IsReaderRunning() const { return m_running.load(std::memory_order_acquire); }

    // Counts every opening, so events can be matched to the opening they are about.
    uint64_t Session() const { return m_session; }
    // Bytes the reader dropped because the ring had no room, since construction.
    uint64_t DroppedBytes() const { return m_dropped.load(std::memory_order_relaxed); }

    // The reader's rule for one chunk: stored only when Free > n, else dropped
    // whole. True when stored.
    static bool StoreChunk(CRingBuffer& ring, const uint8_t* bytes, size_t n);

    // When the bytes in the ring arrived. For every chunk it stores, the reader
    // queues the steady time (std::chrono::steady_clock, ns) at which its read
    // returned and the count of bytes stored since Open up to the chunk's end,
    // so the consumer can tell when any byte it takes came in. A stamp that
    // finds the queue full is left out: its bytes then map to a later read.
    struct ReadStamp {
        int64_t steadyNs = 0;
        uint64_t endByte = 0;
    };
    static constexpr uint32_t kReadStampSlots = 1024;
    // Exact read stamps: the reader reads at every wake-up instead of pausing
    // kGatherMs after one, and only its events keep to one per kGatherMs.
    // For when arrival times matter (a trace records). Any thread may set it.
    void SetExactStamps(bool on) { m_exactStamps.store(on, std::memory_order_relaxed); }
    bool ExactStamps() const { return m_exactStamps.load(std::memory_order_relaxed); }
    // The consumer's side: the oldest stamp not yet taken, if any.
    bool PeekReadStamp(ReadStamp& stamp) const;
    void PopReadStamp();

private:
    bool Configure(uint32_t baud);
    // Releases what Open obtained, keeps the reason, returns false.
    bool FailOpen(PortOpenStep step, int error);
    size_t WriteUntil(const uint8_t* bytes, size_t length,
                      std::chrono::steady_clock::time_point deadline);
    // Writes what the line takes of the pending remainder; false on a failure
    // of the device, which discards it.
    bool DrainPending();
    void DiscardPending();
    void ReaderThreadProc();
    void PushReadStamp(int64_t steadyNs);
    void PostData();
    void Post(int type) const;

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    // Set by the reader, after its last use of the ring, when the device went
    // away; cleared by Close once the reader has been joined.
    std::atomic<bool> m_lost{false};
    // A WM_LINK_DATA event waits to be taken up.
    std::atomic<bool> m_dataPosted{false};
    int m_fd = -1;
    // This opening holds the lock and has made the terminal exclusive.
    bool m_exclusive = false;
    int m_wakeFd = -1;
    QObject* m_notify = nullptr;
    CRingBuffer* m_ring = nullptr;
    uint64_t m_session = 0;
    std::atomic<uint64_t> m_dropped{0};
    PortOpenFailure m_openFailure;
    // The rest of a frame TryWrite could write only in part, and the notifier
    // that sends it when the line can take more (UI thread only).
    std::string m_pending;
    std::unique_ptr<QSocketNotifier> m_pendingNotifier;
    // The read-stamp queue: the reader writes slots and m_stampWrite, the
    // consumer moves m_stampRead; both reset by Open before the reader starts.
    std::array<ReadStamp, kReadStampSlots> m_stamps{};
    std::atomic<uint32_t> m_stampWrite{0};
    std::atomic<uint32_t> m_stampRead{0};
    std::atomic<bool> m_exactStamps{false};
    uint64_t m_storedBytes = 0;  // the reader's own count
};
