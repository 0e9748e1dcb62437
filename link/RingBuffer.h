#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// The 64 KiB receive ring between the reader thread (the one producer: Put) and
// the UI thread (the one consumer: Get). No lock: each side owns one index and
// reads the other's; data bytes are published by a release store of the write
// index and seen after an acquire load of it (and likewise for freed room).
//
// Count = (write - read) mod 65536; Free = 65536 - Count. Put and Get do not
// check room or content: the producer stores only when Free > n, the consumer
// takes at most Count bytes, so the ring never holds more than 65535 bytes.
class CRingBuffer {
public:
    static constexpr uint32_t kSize = 65536;

    CRingBuffer();
    virtual ~CRingBuffer();

    // Only while no producer runs.
    void Clear();
    uint32_t Count() const;
    uint32_t Free() const;
    uint8_t Get();
    // Takes up to max bytes that are waiting; returns how many were taken.
    size_t Get(uint8_t* out, size_t max);
    void Put(const uint8_t* bytes, size_t n);

private:
    uint8_t m_data[kSize];
    std::atomic<uint32_t> m_writeIndex{0};
    std::atomic<uint32_t> m_readIndex{0};
};
