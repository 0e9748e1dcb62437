// Cost of one frame in the by-identifier table, the work the UI thread does
// for every received frame: a source that sweeps through identifiers (the
// simulator's scanning sources, a bus scan) brings a new identifier with
// nearly every frame, and once the table is full each one replaces the
// identifier heard least recently.
//
// Usage: bench_idtable [Google Benchmark options]
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "rxlog/IdTable.h"

namespace {

using namespace std::chrono_literals;
using Clock = IdTable::Clock;

// 333 us apart: about 3,000 frames a second, the fastest line's rate.
constexpr auto kGap = 333us;
constexpr uint8_t kData[8] = {1, 2, 3, 4, 5, 6, 7, 8};

// Random 29-bit identifiers, as the scanning sources draw them; more than the
// table holds, so that one coming round again was replaced long before.
std::vector<uint32_t> ScanIds()
{
    std::mt19937 random(1);
    std::uniform_int_distribution<uint32_t> id(0, 0x1FFFFFFF);
    std::vector<uint32_t> ids(1 << 16);
    for (uint32_t& value : ids) {
        value = id(random);
    }
    return ids;
}

// A full table, then frames each of a new identifier. Every range(0) frames
// a reader goes over all rows as a view does at display rate (300 frames:
// ten times a second at 3,000 frames a second); 0 reads only at the end.
void BM_NewIdentifierFullTable(benchmark::State& state)
{
    const std::vector<uint32_t> ids = ScanIds();
    const int64_t readEvery = state.range(0);
    IdTable table;
    Clock::time_point at = Clock::time_point(1h);
    size_t next = 0;
    while (table.RowCount() < IdTable::kMaxRows) {
        table.Add(true, ids[next++], false, 8, kData, 8, at += kGap);
    }
    int64_t sinceRead = 0;
    uint64_t seen = 0;
    for (auto _ : state) {
        table.Add(true, ids[next], false, 8, kData, 8, at += kGap);
        next = (next + 1) % ids.size();
        if (readEvery > 0 && ++sinceRead == readEvery) {
            sinceRead = 0;
            for (size_t i = 0; i < table.RowCount(); ++i) {
                seen += table.RowAt(i).count;
            }
        }
    }
    seen += table.RowAt(0).count;
    benchmark::DoNotOptimize(seen);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NewIdentifierFullTable)->Arg(0)->Arg(300);

// Frames of identifiers already in a table of range(0) rows: the common case.
// With range(1) 1, one new identifier has replaced the first row before.
void BM_KnownIdentifier(benchmark::State& state)
{
    const std::vector<uint32_t> ids = ScanIds();
    const size_t rows = static_cast<size_t>(state.range(0));
    const size_t first = static_cast<size_t>(state.range(1));
    IdTable table;
    Clock::time_point at = Clock::time_point(1h);
    for (size_t i = 0; i < rows + first; ++i) {
        table.Add(true, ids[i], false, 8, kData, 8, at += kGap);
    }
    size_t next = first;
    for (auto _ : state) {
        table.Add(true, ids[next], false, 8, kData, 8, at += kGap);
        next = next + 1 == rows + first ? first : next + 1;
    }
    benchmark::DoNotOptimize(table.RowAt(0).count);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KnownIdentifier)
    ->Args({16, 0})
    ->Args({IdTable::kMaxRows, 0})
    ->Args({IdTable::kMaxRows, 1});

}  // namespace

BENCHMARK_MAIN();
