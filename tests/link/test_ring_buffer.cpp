#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/RingBuffer.h"

namespace {

TEST(RingBuffer, EmptyRingCountsZeroAndFreeAll)
{
    auto ring = std::make_unique<CRingBuffer>();
    EXPECT_EQ(ring->Count(), 0u);
    EXPECT_EQ(ring->Free(), 65536u);
}

TEST(RingBuffer, FillsToOneShortOfItsSize)
{
    auto ring = std::make_unique<CRingBuffer>();
    std::vector<uint8_t> chunk(65535);
    for (size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = static_cast<uint8_t>(i * 7);
    }
    ring->Put(chunk.data(), chunk.size());
    EXPECT_EQ(ring->Count(), 65535u);
    EXPECT_EQ(ring->Free(), 1u);
    for (size_t i = 0; i < chunk.size(); ++i) {
        ASSERT_EQ(ring->Get(), chunk[i]) << i;
    }
    EXPECT_EQ(ring->Count(), 0u);
}

TEST(RingBuffer, IndexesWrapAtTheEnd)
{
    auto ring = std::make_unique<CRingBuffer>();
    std::vector<uint8_t> filler(65530, 0xEE);
    ring->Put(filler.data(), filler.size());
    std::vector<uint8_t> sink(filler.size());
    ASSERT_EQ(ring->Get(sink.data(), sink.size()), filler.size());

    // Ten bytes now straddle the end of the storage.
    const uint8_t bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ring->Put(bytes, sizeof bytes);
    EXPECT_EQ(ring->Count(), 10u);
    EXPECT_EQ(ring->Free(), 65526u);
    for (uint8_t expected = 1; expected <= 6; ++expected) {
        EXPECT_EQ(ring->Get(), expected);
    }
    uint8_t rest[8] = {};
    EXPECT_EQ(ring->Get(rest, sizeof rest), 4u);
    EXPECT_EQ(rest[0], 7);
    EXPECT_EQ(rest[3], 10);
    EXPECT_EQ(ring->Count(), 0u);
}

TEST(RingBuffer, ClearEmptiesTheRing)
{
    auto ring = std::make_unique<CRingBuffer>();
    const uint8_t bytes[3] = {1, 2, 3};
    ring->Put(bytes, 3);
    ring->Clear();
    EXPECT_EQ(ring->Count(), 0u);
    EXPECT_EQ(ring->Free(), 65536u);
}

// One producer and one consumer on two threads, the producer storing only when
// Free is greater than the chunk, as the reader thread does. Every byte must
// arrive once, in order. Meant for the sanitizer builds.
TEST(RingBuffer, TwoThreadsKeepOrderAndContent)
{
    auto ring = std::make_unique<CRingBuffer>();
    constexpr uint64_t kTotal = 4'000'000;
    std::thread producer([&ring] {
        uint8_t chunk[997];
        uint64_t sent = 0;
        while (sent < kTotal) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, kTotal - sent));
            for (size_t i = 0; i < n; ++i) {
                chunk[i] = static_cast<uint8_t>((sent + i) * 31 + ((sent + i) >> 8));
            }
            while (ring->Free() <= n) {
                std::this_thread::yield();
            }
            ring->Put(chunk, n);
            sent += n;
        }
    });
    uint64_t received = 0;
    uint64_t mismatches = 0;
    uint8_t buffer[4096];
    while (received < kTotal) {
        const size_t n = ring->Get(buffer, sizeof buffer);
        if (n == 0) {
            std::this_thread::yield();
            continue;
        }
        for (size_t i = 0; i < n; ++i) {
            const uint64_t index = received + i;
            if (buffer[i] != static_cast<uint8_t>(index * 31 + (index >> 8))) {
                ++mismatches;
            }
        }
        received += n;
    }
    producer.join();
    EXPECT_EQ(received, kTotal);
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(ring->Count(), 0u);
}

}  // namespace
