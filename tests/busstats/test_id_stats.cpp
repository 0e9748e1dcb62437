#include "busstats/IdStats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = IdStatsTable::Clock;

const Clock::time_point kStart = Clock::time_point(1h);

const IdStatsTable::Row* Find(const IdStatsTable& table, bool extended, uint32_t id)
{
    for (size_t i = 0; i < table.RowCount(); ++i) {
        if (table.RowAt(i).extended == extended && table.RowAt(i).id == id) {
            return &table.RowAt(i);
        }
    }
    return nullptr;
}

TEST(IdStats, PeriodStatisticsMatchTwoPassArithmetic)
{
    // Periods from 1 to 20 ms in microseconds, from a fixed pseudo-random
    // sequence, and the statistics computed afresh from the whole list.
    std::vector<int64_t> periods;
    uint32_t seed = 12345;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        periods.push_back(1000 + (seed >> 8) % 19000);
    }
    IdStatsTable table;
    Clock::time_point at = kStart;
    table.Add(false, 0x100, 111, at);
    for (const int64_t us : periods) {
        at += std::chrono::microseconds(us);
        table.Add(false, 0x100, 111, at);
    }
    double sum = 0;
    for (const int64_t us : periods) {
        sum += us / 1000.0;
    }
    const double mean = sum / periods.size();
    double squares = 0;
    for (const int64_t us : periods) {
        squares += (us / 1000.0 - mean) * (us / 1000.0 - mean);
    }
    const IdStatsTable::Row& row = table.RowAt(0);
    EXPECT_EQ(row.count, periods.size() + 1);
    EXPECT_EQ(row.PeriodCount(), periods.size());
    EXPECT_EQ(row.bits, 111u * (periods.size() + 1));
    EXPECT_DOUBLE_EQ(row.minPeriodMs, *std::min_element(periods.begin(), periods.end()) / 1000.0);
    EXPECT_DOUBLE_EQ(row.maxPeriodMs, *std::max_element(periods.begin(), periods.end()) / 1000.0);
    EXPECT_NEAR(row.meanPeriodMs, mean, 1e-9);
    EXPECT_NEAR(row.JitterMs(), std::sqrt(squares / periods.size()), 1e-9);
}

TEST(IdStats, NoPeriodBeforeTheSecondFrameAndNeverANegativeOne)
{
    IdStatsTable table;
    table.Add(true, 0x18FEF100, 131, kStart + 10ms);
    const IdStatsTable::Row& row = table.RowAt(0);
    EXPECT_EQ(row.PeriodCount(), 0u);
    EXPECT_EQ(row.JitterMs(), 0);
    table.Add(true, 0x18FEF100, 131, kStart + 30ms);
    table.Add(true, 0x18FEF100, 131, kStart + 20ms);  // late: a period of 0
    EXPECT_DOUBLE_EQ(row.minPeriodMs, 0);
    EXPECT_DOUBLE_EQ(row.maxPeriodMs, 20);
    EXPECT_EQ(row.lastArrival, kStart + 30ms);
}

TEST(IdStats, OneRowPerProtocolAndIdentifierSorted)
{
    IdStatsTable table;
    table.Add(true, 0x123, 67, kStart);
    table.Add(false, 0xF123, 47, kStart);  // bits above 11 are not the identifier's
    table.Add(false, 0x001, 47, kStart);
    table.Add(true, 0xE0000123, 67, kStart + 1ms);
    table.Add(false, 0x123, 47, kStart + 2ms);
    const std::vector<const IdStatsTable::Row*> rows = table.SortedRows();
    ASSERT_EQ(rows.size(), 3u);
    const struct {
        bool extended;
        uint32_t id;
        uint64_t count;
    } expected[] = {{false, 0x001, 1}, {false, 0x123, 2}, {true, 0x123, 2}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->extended, expected[i].extended) << i;
        EXPECT_EQ(rows[i]->id, expected[i].id) << i;
        EXPECT_EQ(rows[i]->count, expected[i].count) << i;
    }
    table.Clear();
    table.Add(false, 0x123, 47, kStart);
    ASSERT_EQ(table.RowCount(), 1u);
    EXPECT_EQ(table.RowAt(0).count, 1u);
}

TEST(IdStats, BoundedTableForgetsTheIdentifierHeardLeastRecently)
{
    IdStatsTable table;
    const uint32_t rows = IdStatsTable::kMaxRows;
    for (uint32_t id = 0; id < rows; ++id) {
        table.Add(true, id, 67, kStart + std::chrono::microseconds(id));
    }
    ASSERT_EQ(table.RowCount(), rows);
    // Identifier 0 is heard again, so 1 is now the least recent and makes room.
    table.Add(true, 0, 67, kStart + 10s);
    table.Add(true, 0x10000, 67, kStart + 11s);
    EXPECT_EQ(table.RowCount(), rows);
    EXPECT_EQ(Find(table, true, 1), nullptr);
    ASSERT_NE(Find(table, true, 0), nullptr);
    EXPECT_EQ(Find(table, true, 0)->count, 2u);
    ASSERT_NE(Find(table, true, 0x10000), nullptr);

    // A scan through many identifiers of both widths (the 11-bit ones
    // repeating) leaves the last kMaxRows heard; hearing each again finds its
    // own row, so no row is duplicated or lost as rows are replaced.
    Clock::time_point at = kStart + 20s;
    const uint32_t scanned = 50000;
    const auto key = [](uint32_t i) {
        const bool extended = (i & 1) != 0;
        return std::pair{extended, extended ? (i * 2654435761u) & 0x1FFFFFFF : (i >> 1) & 0x7FF};
    };
    for (uint32_t i = 0; i < scanned; ++i) {
        at += 1ms;
        table.Add(key(i).first, key(i).second, 67, at);
    }
    EXPECT_EQ(table.RowCount(), rows);
    const auto counts = [&table] {
        std::vector<std::tuple<bool, uint32_t, uint64_t>> all;
        for (const IdStatsTable::Row* row : table.SortedRows()) {
            all.emplace_back(row->extended, row->id, row->count + 0);
        }
        return all;
    };
    std::vector<std::tuple<bool, uint32_t, uint64_t>> before = counts();
    for (uint32_t i = scanned - rows; i < scanned; ++i) {
        at += 1ms;
        table.Add(key(i).first, key(i).second, 67, at);
    }
    for (auto& [extended, id, count] : before) {
        ++count;
    }
    EXPECT_EQ(counts(), before);
}

}  // namespace
