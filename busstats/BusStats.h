#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "busstats/IdStats.h"
#include "link/CanFrame.h"

// What the converter reported about the bus, by kind. The converter's error
// code byte names Bus-Off (bit 0), Error-Passive of reception or transmission
// (bits 1, 2) and Warning of reception or transmission (bits 3, 4); any other
// bit, or a report from elsewhere (an automatic reset), is kOther.
enum class BusErrorKind { kBusOff, kErrorPassive, kWarning, kOther };
inline constexpr size_t kBusErrorKindCount = 4;

struct BusErrorCount {
    uint64_t count = 0;
    // When the last one came; meaningless while count is 0.
    std::chrono::steady_clock::time_point last{};
};

// The figures a statistics pane shows, taken a few times a second.
struct BusSnapshot {
    // Over the last second: the ten whole 100 ms buckets before the one the
    // sample falls in.
    double framesPerSecond = 0;
    double standardPerSecond = 0;  // 11-bit
    double extendedPerSecond = 0;  // 29-bit
    double remotePerSecond = 0;    // of either width
    // Bus bits of those frames against the configured CAN bit rate: without
    // stuffing, and with worst-case stuffing (which may exceed 100 %).
    double busLoadPercent = 0;
    double busLoadWorstPercent = 0;
    // Characters of the received frames and error reports on the serial line,
    // against what the line carries: UART speed / 10 characters a second
    // (start bit, 8 data bits, stop bit).
    double lineBytesPerSecond = 0;
    double lineLoadPercent = 0;
    // Above kLineFullPercent: the converter may soon lose frames.
    bool lineNearlyFull = false;

    // Since the last Clear.
    uint64_t totalFrames = 0;
    std::array<BusErrorCount, kBusErrorKindCount> errors{};
};

// Bus statistics fed with every received frame and error report, in constant
// memory however long it runs: a ring of 100 ms buckets for the rates, running
// totals, and the bounded by-identifier table. Adding a frame is O(1) and
// allocates nothing. Times are the caller's (steady clock), so a test can
// drive them.
class BusStats {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kBucket = std::chrono::milliseconds(100);
    static constexpr int kWindowBuckets = 10;
    static constexpr double kLineFullPercent = 90.0;

    // The CAN bit rate the load is measured against (CanBitRate of the bit
    // time in effect); 0 or less gives a load of 0.
    void SetBitRate(double bitsPerSecond) { m_bitRate = bitsPerSecond; }
    // The UART speed in bit/s; 0 gives a line load of 0.
    void SetLineSpeed(uint32_t baud) { m_lineSpeed = baud; }

    // A received frame with the number of data bytes it carried on the
    // serial line (a remote frame may carry none). A confirmed transmission
    // may be fed too: it took the bus, and its confirmation has the same
    // length on the line.
    void AddFrame(const CanFrame& frame, int dataBytes, Clock::time_point at);
    // The converter's error report with its code byte; a code of 0 names no
    // kind but its characters still count on the line.
    void AddErrorReport(uint8_t code, Clock::time_point at);
    // A report of the given kind from elsewhere; nothing on the line.
    void AddError(BusErrorKind kind, Clock::time_point at);

    // Brings the window up to now and reads it.
    BusSnapshot Sample(Clock::time_point now);

    const IdStatsTable& Identifiers() const { return m_identifiers; }
    // The row's part of every bus bit counted since the last Clear, in percent.
    double LoadSharePercent(const IdStatsTable::Row& row) const;

    void Clear();

private:
    struct Bucket {
        uint32_t frames = 0;
        uint32_t standard = 0;
        uint32_t extended = 0;
        uint32_t remote = 0;
        uint32_t lineBytes = 0;
        uint64_t bits = 0;
        uint64_t worstBits = 0;
    };
    static constexpr int kSlots = kWindowBuckets + 1;

    // The bucket for time `at`, after clearing those the clock has passed.
    Bucket& BucketAt(Clock::time_point at);
    void CountError(BusErrorKind kind, Clock::time_point at);

    std::array<Bucket, kSlots> m_buckets{};
    // Number of the current bucket (time since the clock's epoch / kBucket).
    int64_t m_current = 0;
    bool m_started = false;
    double m_bitRate = 0;
    uint32_t m_lineSpeed = 0;
    uint64_t m_totalFrames = 0;
    uint64_t m_totalBits = 0;
    std::array<BusErrorCount, kBusErrorKindCount> m_errors{};
    IdStatsTable m_identifiers;
};
