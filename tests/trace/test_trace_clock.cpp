#include <cstdint>

#include <gtest/gtest.h>

#include "trace/TraceClock.h"

namespace {

constexpr int64_t kSteady = 1'000'000'000;
constexpr int64_t kWall = 1'700'000'000'000'000;
constexpr int64_t kMs = 1'000'000;  // in steady nanoseconds

TEST(TraceClock, StampsFramesByTheLineTimeOfTheBytesAfterThemAndNeverGoBack)
{
    struct Row {
        const char* what;
        int64_t readNs;
        size_t lastByte;
        size_t batch;
        uint32_t baud;
        int64_t expectedUs;
    };
    // One clock, the rows in order: the clamp depends on the stamps before.
    const Row rows[] = {
        {"20 bytes after it at 115200: 1736.1 us earlier", kSteady + 5 * kMs, 3, 24, 115200,
         kWall + 3263},
        {"the batch's last byte: the read's own time", kSteady + 5 * kMs, 23, 24, 115200,
         kWall + 5000},
        {"207 bytes after it at 9600 would be 215.6 ms back: clamped", kSteady + 6 * kMs, 22, 230,
         9600, kWall + 5000},
        {"23 bytes after it at 230400: 998.3 us earlier", kSteady + 7 * kMs, 0, 24, 230400,
         kWall + 6001},
        {"no speed: no correction", kSteady + 8 * kMs, 0, 100, 0, kWall + 8000},
        {"an offset past the batch counts as its last byte", kSteady + 9 * kMs, 50, 10, 9600,
         kWall + 9000},
        {"an empty batch", kSteady + 10 * kMs, 0, 0, 9600, kWall + 10000},
        {"a read that seems older than the last stamp", kSteady + 9 * kMs, 0, 1, 9600,
         kWall + 10000},
    };
    TraceClock clock(kSteady, kWall);
    for (const Row& row : rows) {
        EXPECT_EQ(clock.FrameTime(row.readNs, row.lastByte, row.batch, row.baud), row.expectedUs)
            << row.what;
    }
}

TEST(TraceClock, RoundsDownOnBothSidesOfTheMappingPoint)
{
    TraceClock before(kSteady, kWall);
    EXPECT_EQ(before.FrameTime(kSteady - 1500, 0, 1, 0), kWall - 2);
    TraceClock after(kSteady, kWall);
    EXPECT_EQ(after.FrameTime(kSteady + 1999, 0, 1, 0), kWall + 1);
}

TEST(TraceClock, LineTimeIsTenBitsAByte)
{
    EXPECT_EQ(TraceClock::LineTimeNs(1, 9600), 1'041'666);
    EXPECT_EQ(TraceClock::LineTimeNs(12, 230400), 520'833);
    EXPECT_EQ(TraceClock::LineTimeNs(4096, 9600), 4'266'666'666);
    EXPECT_EQ(TraceClock::LineTimeNs(5, 0), 0);
}

}  // namespace
