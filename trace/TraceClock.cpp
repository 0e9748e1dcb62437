#include "trace/TraceClock.h"

#include <algorithm>
#include <chrono>

namespace {

// Floor division, so that stamps before the mapping point round down like the
// ones after it.
int64_t FloorDiv(int64_t value, int64_t by)
{
    const int64_t quotient = value / by;
    return (value % by != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

TraceClock::TraceClock(int64_t steadyNs, int64_t wallUs) : m_steadyNs(steadyNs), m_wallUs(wallUs)
{
}

TraceClock TraceClock::FromNow()
{
    const int64_t steady = SteadyNowNs();
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return TraceClock(steady, wall.count());
}

int64_t TraceClock::SteadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t TraceClock::LineTimeNs(size_t bytes, uint32_t baud)
{
    if (baud == 0) {
        return 0;
    }
    // 10 bits a byte; a batch is at most a few KiB, so no overflow.
    return static_cast<int64_t>(bytes) * 10 * 1'000'000'000 / baud;
}

int64_t TraceClock::FrameTime(int64_t readSteadyNs, size_t lastByteOffset, size_t batchBytes,
                              uint32_t baud)
{
    const size_t after = lastByteOffset + 1 < batchBytes ? batchBytes - 1 - lastByteOffset : 0;
    const int64_t arrivedNs = readSteadyNs - LineTimeNs(after, baud);
    const int64_t stamp = m_wallUs + FloorDiv(arrivedNs - m_steadyNs, 1000);
    m_lastUs = std::max(m_lastUs, stamp);
    return m_lastUs;
}
