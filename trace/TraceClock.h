#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

// Time stamps for received frames: one monotonic clock, mapped to wall time
// once when the clock is made, so a wall-clock step during a recording never
// makes stamps jump or run backwards.
//
// A serial read returns a batch of bytes; the read's steady time is when the
// last byte of the batch had arrived. A frame whose last byte lies earlier in
// the batch arrived earlier by the line time of the bytes after it: 10 bits a
// byte (8N1) at the UART speed. At 115200 bit/s a frame ending 23 bytes before
// the end of a batch read at wall time T is stamped T - 23 * 86.8 us, that is
// T - 1996 us. Stamps never decrease: a frame that would come out earlier than
// the one before it gets the earlier frame's stamp.
class TraceClock {
public:
    // Wall time `wallUs` (microseconds since the epoch) corresponds to the
    // steady time `steadyNs` (nanoseconds of a monotonic clock).
    TraceClock(int64_t steadyNs, int64_t wallUs);
    // Maps std::chrono::steady_clock to std::chrono::system_clock now.
    static TraceClock FromNow();
    // The steady clock this class expects in FrameTime, in nanoseconds.
    static int64_t SteadyNowNs();

    // The wall time in microseconds of a frame whose last byte is byte
    // `lastByteOffset` (0-based) of a batch of `batchBytes` bytes read at
    // `readSteadyNs`, at `baud` bit/s (0: no line-time correction). An offset
    // at or past the end of the batch counts as the batch's last byte.
    int64_t FrameTime(int64_t readSteadyNs, size_t lastByteOffset, size_t batchBytes,
                      uint32_t baud);

    // The line time of `bytes` bytes at `baud` bit/s, in nanoseconds.
    static int64_t LineTimeNs(size_t bytes, uint32_t baud);

private:
    int64_t m_steadyNs;
    int64_t m_wallUs;
    int64_t m_lastUs = std::numeric_limits<int64_t>::min();
};
