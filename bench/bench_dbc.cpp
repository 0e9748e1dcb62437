// DBC loading and signal decoding. BM_ParseDbc reads a generated 5 MB file
// (messages with scaled signals of both byte orders, value tables, comments,
// cycle times and sections the parser skips) from its bytes; BM_DecodeMessage
// decodes random frames of a 16-signal message into a reused vector and
// counts the heap allocations made in the loop (there must be none);
// BM_EncodeSignal writes physical values into a frame.
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/AllocationCount.h"

#include "dbc/DbcParser.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalFormat.h"

namespace {

// One message with 16 signals: little- and big-endian, signed, scaled, one
// with a value table.
std::string MessageText(uint32_t fileId, int index)
{
    std::string text =
        "BO_ " + std::to_string(fileId) + " Message" + std::to_string(index) + ": 8 Engine\n";
    for (int s = 0; s < 16; ++s) {
        const bool big = s % 2 == 1;
        const int start = big ? (s / 2) * 8 + 7 : (s / 2) * 8;
        char line[200];
        std::snprintf(line, sizeof line,
                      " SG_ Signal%d_%d : %d|4@%d%c (0.%d,-%d) [-100|100] \"unit\" Gateway,Dash\n",
                      index, s, big ? start - 4 : start, big ? 0 : 1, s % 3 ? '+' : '-', s + 1, s);
        text += line;
    }
    return text;
}

std::string MakeFile(size_t targetBytes)
{
    std::string text =
        "VERSION \"bench\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tVAL_\n\nBS_:\n\nBU_: Engine Gateway "
        "Dash\n\n";
    std::string tail =
        "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\nBA_DEF_DEF_ \"GenMsgCycleTime\" 100;\n";
    int index = 0;
    while (text.size() + tail.size() < targetBytes) {
        const uint32_t fileId = index % 2 ? 0x80000000u | (0x18F00000u + index) : index % 0x7FF;
        text += MessageText(fileId, index) + "\n";
        tail += "CM_ BO_ " + std::to_string(fileId) + " \"Message " + std::to_string(index) +
                ", a comment\nover two lines\";\n";
        tail += "BA_ \"GenMsgCycleTime\" BO_ " + std::to_string(fileId) + " 20;\n";
        tail += "VAL_ " + std::to_string(fileId) + " Signal" + std::to_string(index) +
                "_0 0 \"Off\" 1 \"On\" 2 \"Error\" 3 \"Not available\" ;\n";
        tail += "BO_TX_BU_ " + std::to_string(fileId) + " : Engine,Gateway;\n";
        ++index;
    }
    return text + tail;
}

void BM_ParseDbc(benchmark::State& state)
{
    const std::string file = MakeFile(5u * 1024 * 1024);
    size_t messages = 0;
    for (auto _ : state) {
        const DbcParseResult result = ParseDbc(file);
        if (!result.ok()) {
            state.SkipWithError("the generated file was refused");
            return;
        }
        messages = result.file.messages.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.size()));
    state.counters["file_MB"] = static_cast<double>(file.size()) / (1024.0 * 1024.0);
    state.counters["messages"] = static_cast<double>(messages);
}
BENCHMARK(BM_ParseDbc)->Unit(benchmark::kMillisecond);

// Files made to be costly, each about 5 MB: the same message line over and
// over (each a replacement and a warning), comments on a signal no message
// has, one message with the most signals allowed and a VAL_ for each, a
// string never closed, and an unknown statement never ended.
std::string HostileFile(int kind)
{
    const size_t target = 5u * 1024 * 1024;
    std::string text;
    switch (kind) {
    case 0:
        while (text.size() < target) {
            text += "BO_ 1 M: 8 X\n";
        }
        break;
    case 1:
        while (text.size() < target) {
            text += "CM_ SG_ 5 A \"x\";\n";
        }
        break;
    case 2:
        text = "BO_ 1 M: 64 X\n";
        for (size_t i = 0; i < kDbcMaxSignalsPerMessage; ++i) {
            text += " SG_ S" + std::to_string(i) + " : " + std::to_string(i % 512) +
                    "|1@1+ (1,0) [0|0] \"\" X\n";
        }
        for (size_t i = 0; i < kDbcMaxSignalsPerMessage; ++i) {
            text += "VAL_ 1 S" + std::to_string(i) + " 0 \"a\" 1 \"b\" ;\n";
        }
        break;
    case 3:
        text = "CM_ \"" + std::string(target, 'x');
        break;
    default:
        text = "FUTURE_ ";
        while (text.size() < target) {
            text += "a ";
        }
        break;
    }
    return text;
}

void BM_ParseHostile(benchmark::State& state)
{
    const std::string file = HostileFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseDbc(file));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.size()));
    state.counters["file_MB"] = static_cast<double>(file.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ParseHostile)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

DbcMessage BenchMessage()
{
    return ParseDbcText(MessageText(0x123, 0) + "VAL_ 291 Signal0_0 0 \"Off\" 1 \"On\" ;\n")
        .file.messages[0];
}

void BM_DecodeMessage(benchmark::State& state)
{
    const DbcMessage message = BenchMessage();
    std::mt19937 random(1);
    std::vector<std::array<uint8_t, 8>> frames(1024);
    for (auto& frame : frames) {
        for (auto& byte : frame) {
            byte = static_cast<uint8_t>(random());
        }
    }
    std::vector<DbcSignalValue> values;
    DecodeMessage(message, frames[0].data(), 8, values);
    size_t next = 0;
    double sum = 0;
    const uint64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        DecodeMessage(message, frames[next].data(), 8, values);
        sum += values[3].physical;
        next = (next + 1) % frames.size();
    }
    benchmark::DoNotOptimize(sum);
    state.counters["allocs"] = static_cast<double>(g_allocations.load() - allocationsBefore);
    state.counters["signals/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * message.signals.size()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMessage);

// Decoding and the row texts, as a shown row needs them.
void BM_DecodeAndFormat(benchmark::State& state)
{
    const DbcMessage message = BenchMessage();
    const uint8_t frame[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    std::vector<DbcSignalValue> values;
    size_t length = 0;
    for (auto _ : state) {
        DecodeMessage(message, frame, 8, values);
        for (const DbcSignalValue& value : values) {
            length += FormatSignalValue(value).size();
        }
    }
    benchmark::DoNotOptimize(length);
    state.counters["signals/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * message.signals.size()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeAndFormat);

void BM_EncodeSignal(benchmark::State& state)
{
    const DbcMessage message = BenchMessage();
    uint8_t frame[8] = {};
    double physical = -1.0;
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeSignal(message.signals[next], physical, frame));
        next = (next + 1) % message.signals.size();
        physical = physical > 1.0 ? -1.0 : physical + 0.1;
    }
}
BENCHMARK(BM_EncodeSignal);

}  // namespace

BENCHMARK_MAIN();
