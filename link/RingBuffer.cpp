#include "link/RingBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMask = CRingBuffer::kSize - 1;

}  // namespace

CRingBuffer::CRingBuffer()
{
    std::memset(m_data, 0, sizeof m_data);
}

CRingBuffer::~CRingBuffer() = default;

void CRingBuffer::Clear()
{
    m_writeIndex.store(0, std::memory_order_relaxed);
    m_readIndex.store(0, std::memory_order_relaxed);
    std::memset(m_data, 0, sizeof m_data);
}

uint32_t CRingBuffer::Count() const
{
    const uint32_t write = m_writeIndex.load(std::memory_order_acquire);
    const uint32_t read = m_readIndex.load(std::memory_order_acquire);
    return (write - read + kSize) & kMask;
}

uint32_t CRingBuffer::Free() const
{
    return kSize - Count();
}

uint8_t CRingBuffer::Get()
{
    const uint32_t read = m_readIndex.load(std::memory_order_relaxed);
    const uint8_t byte = m_data[read];
    m_readIndex.store((read + 1) & kMask, std::memory_order_release);
    return byte;
}

size_t CRingBuffer::Get(uint8_t* out, size_t max)
{
    const uint32_t read = m_readIndex.load(std::memory_order_relaxed);
    const uint32_t write = m_writeIndex.load(std::memory_order_acquire);
    const size_t count = std::min<size_t>((write - read + kSize) & kMask, max);
    const size_t first = std::min<size_t>(count, kSize - read);
    std::memcpy(out, m_data + read, first);
    std::memcpy(out + first, m_data, count - first);
    m_readIndex.store(static_cast<uint32_t>((read + count) & kMask), std::memory_order_release);
    return count;
}

void CRingBuffer::Put(const uint8_t* bytes, size_t n)
{
    const uint32_t write = m_writeIndex.load(std::memory_order_relaxed);
    const size_t first = std::min<size_t>(n, kSize - write);
    std::memcpy(m_data + write, bytes, first);
    std::memcpy(m_data, bytes + first, n - first);
    m_writeIndex.store(static_cast<uint32_t>((write + n) & kMask), std::memory_order_release);
}
