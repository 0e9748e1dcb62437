// The plot's logic at wire rate and at a million points. BM_Append adds to a
// full million-point ring; BM_Decimate reduces a million points to a
// thousand pixel columns (the whole series, and a 10 s window of 7,500);
// BM_FeedFrame decodes four plotted signals out of a stream where they ride
// on two of eight identifiers; BM_BuildFromTrace fills the four signals from
// a million-record trace in one pass.
#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "dbc/DbcParser.h"
#include "plot/Decimation.h"
#include "plot/PlotModel.h"
#include "trace/Trace.h"

namespace {

constexpr size_t kMillion = 1'000'000;

// 750 points a second: a frame every 1.333 ms, a noisy sine with spikes.
SignalSeries MillionPoints()
{
    SignalSeries series(kMillion);
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 0.1);
    for (size_t i = 0; i < kMillion; ++i) {
        double t = i / 750.0;
        series.Append(t, std::sin(t) + noise(random) + (i % 9973 == 0 ? 5 : 0));
    }
    return series;
}

// Two messages of two signals each, one of them with a value table.
PlotModel FourSignals()
{
    const char* const text = R"(BO_ 256 Engine: 8 ECU
 SG_ Speed : 0|16@1+ (0.25,0) [0|16000] "rpm" X
 SG_ Torque : 16|12@1- (0.5,0) [-1000|1000] "Nm" X
BO_ 2365583360 Body: 8 ECU
 SG_ Gear : 7|4@0+ (1,0) [0|0] "" X
 SG_ Temp : 15|8@0+ (1,-40) [-40|215] "degC" X
VAL_ 2365583360 Gear 0 "P" 1 "R" 2 "N" 3 "D" ;
)";
    DbcParseResult parsed = ParseDbcText(text);
    PlotModel model;
    for (const DbcMessage& message : parsed.file.messages) {
        for (const DbcSignal& signal : message.signals) {
            model.Add(message, signal);
        }
    }
    return model;
}

struct BenchFrame {
    bool extended;
    uint32_t id;
    uint8_t data[8];
};

// Eight identifiers in turn; 0x100 and the extended 0x0CFFF000 carry the
// plotted signals.
std::vector<BenchFrame> Frames(size_t count)
{
    std::mt19937 random(2);
    std::vector<BenchFrame> frames(count);
    for (size_t i = 0; i < count; ++i) {
        BenchFrame& frame = frames[i];
        switch (i % 8) {
        case 0:
            frame.extended = false;
            frame.id = 0x100;
            break;
        case 4:
            frame.extended = true;
            frame.id = 0x0CFFF000;
            break;
        default:
            frame.extended = false;
            frame.id = 0x200 + static_cast<uint32_t>(i % 8);
        }
        for (uint8_t& byte : frame.data) {
            byte = static_cast<uint8_t>(random());
        }
    }
    return frames;
}

void BM_Append(benchmark::State& state)
{
    SignalSeries series = MillionPoints();  // full: every append drops one
    double t = series.Back().t;
    for (auto _ : state) {
        t += 0.001;
        series.Append(t, t);
    }
    benchmark::DoNotOptimize(series.Back());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Append);

void BM_Decimate(benchmark::State& state)
{
    static const SignalSeries series = MillionPoints();
    const double window = static_cast<double>(state.range(0));
    const double t1 = series.Back().t;
    const double t0 = window > 0 ? t1 - window : series.Front().t;
    std::vector<PlotPoint> out;
    for (auto _ : state) {
        DecimateSeries(series, t0, t1, 1000, PlotDrawMode::kLine, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["points_in"] =
        static_cast<double>(series.UpperBound(t1) - series.LowerBound(t0));
    state.counters["points_out"] = static_cast<double>(out.size());
}
// 0: the whole million (1,333 s); 10: the last 10 s.
BENCHMARK(BM_Decimate)->Arg(0)->Arg(10)->Unit(benchmark::kMicrosecond);

// Feeds the frames (a power of two of them) round and round, 1 ms apart.
void Feed(benchmark::State& state, const std::vector<BenchFrame>& frames)
{
    PlotModel model = FourSignals();
    size_t i = 0;
    double t = 0;
    for (auto _ : state) {
        const BenchFrame& frame = frames[i++ & (frames.size() - 1)];
        t += 0.001;
        model.FeedFrame(t, frame.extended, frame.id, frame.data, 8);
    }
    benchmark::DoNotOptimize(model.Signal(0).series.Size());
    state.SetItemsProcessed(state.iterations());
}

void BM_FeedFrame(benchmark::State& state)
{
    Feed(state, Frames(1 << 16));
}
BENCHMARK(BM_FeedFrame);

// Every frame one of the plotted messages: the dearest case.
void BM_FeedFramePlottedOnly(benchmark::State& state)
{
    std::vector<BenchFrame> frames = Frames(1 << 16);
    for (size_t i = 0; i < frames.size(); ++i) {
        frames[i].extended = i % 2 == 1;
        frames[i].id = i % 2 ? 0x0CFFF000 : 0x100;
    }
    Feed(state, frames);
}
BENCHMARK(BM_FeedFramePlottedOnly);

void BM_BuildFromTrace(benchmark::State& state)
{
    Trace trace;
    trace.records.reserve(kMillion);
    for (const BenchFrame& frame : Frames(kMillion)) {
        TraceRecord record;
        record.timeUs = 1'700'000'000'000'000 + static_cast<int64_t>(trace.records.size()) * 1333;
        record.id = frame.id;
        record.flags = frame.extended ? trace_flags::kExtended : 0;
        record.dlc = 8;
        std::copy(std::begin(frame.data), std::end(frame.data), record.data);
        trace.records.push_back(record);
    }
    PlotModel model = FourSignals();
    for (auto _ : state) {
        model.BuildFromTrace(trace);
        benchmark::DoNotOptimize(model.Signal(0).series.Size());
    }
    state.counters["points"] = static_cast<double>(model.Signal(0).series.Size() * 4);
}
BENCHMARK(BM_BuildFromTrace)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
