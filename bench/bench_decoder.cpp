// Decoder throughput over a realistic received stream: 'U' frames of both
// identifier widths and lengths, 'W' confirmations, 'I' error reports, and line
// noise between frames. Reports bytes/s and frames/s; counts heap allocations
// made inside the decode loop (there must be none).
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/AllocationCount.h"

#include "link/CanFrame.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"

namespace {

struct CountingSink : FrameSink {
    void DispatchFrame(const FrameDecoder& decoder) override
    {
        ++frames;
        checksum += decoder.bytes[decoder.byteCount];
    }
    uint64_t frames = 0;
    uint64_t checksum = 0;
};

std::string MakeStream(size_t targetBytes)
{
    std::mt19937 random(42);
    std::string stream;
    stream.reserve(targetBytes + 64);
    while (stream.size() < targetBytes) {
        const unsigned pick = random() % 10;
        if (pick < 7) {
            CanFrame frame;
            frame.extended = random() % 2;
            frame.remote = random() % 8 == 0;
            frame.dlc = static_cast<uint8_t>(random() % 9);
            frame.id = random();
            for (auto& byte : frame.data) {
                byte = static_cast<uint8_t>(random());
            }
            stream += BuildFrame(CanFrameBody(pick < 6 ? 'U' : 'W', frame));
        } else if (pick < 9) {
            char body[8];
            std::snprintf(body, sizeof body, ":I%02X", static_cast<unsigned>(random() % 32));
            stream += BuildFrame(body);
        } else {
            stream += "\n\x01noise";
        }
    }
    return stream;
}

void BM_DecodeStream(benchmark::State& state)
{
    const std::string stream = MakeStream(1 << 20);
    CountingSink sink;
    FrameDecoder decoder(&sink);
    const auto* data = reinterpret_cast<const uint8_t*>(stream.data());
    const uint64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        decoder.Feed(data, stream.size());
        benchmark::DoNotOptimize(sink.checksum);
    }
    const uint64_t allocations = g_allocations.load() - allocationsBefore;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(sink.frames), benchmark::Counter::kIsRate);
    state.counters["allocs"] = static_cast<double>(allocations);
    state.counters["wire_ratio"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(stream.size()) / 23040.0,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeStream)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
