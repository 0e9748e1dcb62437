#include "sim/LinePacer.h"

#include <algorithm>

namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr int64_t kBitsPerByte = 10;

}  // namespace

LinePacer::LinePacer(uint32_t baud)
    : m_byteTime(nanoseconds(1'000'000'000LL * kBitsPerByte / std::max<uint32_t>(baud, 1))),
      m_horizon(std::max<Time>(milliseconds(5), 2 * m_byteTime))
{
}

size_t LinePacer::Allowance(Time now) const
{
    const Time start = std::max(m_freeAt, now);
    const Time room = now + m_horizon - start;
    return room > Time::zero() ? static_cast<size_t>(room / m_byteTime) : 0;
}

void LinePacer::Sent(size_t bytes, Time now)
{
    m_freeAt = std::max(m_freeAt, now) + static_cast<int64_t>(bytes) * m_byteTime;
}

LinePacer::Time LinePacer::NextBatch(Time now) const
{
    const int64_t batch = std::max<int64_t>(1, (m_horizon / 2) / m_byteTime);
    return std::max(now, std::max(m_freeAt, now) + batch * m_byteTime - m_horizon);
}
