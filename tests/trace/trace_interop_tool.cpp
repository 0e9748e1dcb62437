// Writes and reads traces for interop.py, which checks them against python-can
// and can-utils:
//   trace_interop_tool write <folder>   ours.log, ours.asc and ours.txt (the records)
//   trace_interop_tool read <file>      the records the readers find, one a line
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "trace/TraceFileWriter.h"

namespace {

constexpr int64_t kStart = 1'700'000'000'123'456;

TraceRecord Make(int64_t time, uint32_t id, uint8_t flags, uint8_t dlc)
{
    TraceRecord record;
    record.timeUs = time;
    record.id = id;
    record.flags = flags;
    record.dlc = dlc;
    if (!(flags & trace_flags::kRemote)) {
        for (uint8_t i = 0; i < dlc; ++i) {
            record.data[i] = static_cast<uint8_t>(0x11 * i + id);
        }
    }
    return record;
}

// Every width, kind and length, and the converter's error reports.
std::vector<TraceRecord> Records()
{
    using namespace trace_flags;
    std::vector<TraceRecord> records;
    int64_t time = kStart;
    const auto next = [&time] {
        return time += 1234;
    };
    const uint32_t standardIds[] = {0x000, 0x001, 0x123, 0x7FF};
    const uint32_t extendedIds[] = {0x0, 0x100, 0x18FEF100, 0x1FFFFFFF};
    for (uint8_t dlc = 0; dlc <= 8; ++dlc) {
        records.push_back(Make(next(), standardIds[dlc % 4], 0, dlc));
        records.push_back(Make(next(), extendedIds[dlc % 4], kExtended, dlc));
        records.push_back(Make(next(), standardIds[(dlc + 1) % 4], kRemote, dlc));
        records.push_back(Make(next(), extendedIds[(dlc + 1) % 4], kExtended | kRemote, dlc));
    }
    for (const uint8_t code : {0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}) {
        records.push_back(*RecordOfErrorReport(code, next()));
    }
    records.push_back(*RecordOfResetReport(1, next()));
    // A second later, past a whole second of the clock.
    time += 1'000'000;
    records.push_back(Make(next(), 0x321, 0, 8));
    return records;
}

void Print(FILE* out, const TraceRecord& record, int64_t origin)
{
    std::fprintf(out, "%lld %X %d %d %d %d %d ", static_cast<long long>(record.timeUs + origin),
                 record.id, (record.flags & trace_flags::kExtended) ? 1 : 0,
                 (record.flags & trace_flags::kRemote) ? 1 : 0,
                 (record.flags & trace_flags::kError) ? 1 : 0,
                 (record.flags & trace_flags::kTx) ? 1 : 0, record.dlc);
    for (int i = 0; i < 8; ++i) {
        std::fprintf(out, "%02X", record.data[i]);
    }
    std::fprintf(out, "\n");
}

int Write(const std::string& folder)
{
    const std::vector<TraceRecord> records = Records();
    for (const TraceFormat format : {TraceFormat::kCandumpLog, TraceFormat::kVectorAsc}) {
        TraceFileWriter::Options options;
        options.format = format;
        options.flushBytes = 256;
        TraceFileWriter writer(options);
        const std::string path =
            folder + (format == TraceFormat::kCandumpLog ? "/ours.log" : "/ours.asc");
        if (!writer.Open(path, kStart).ok()) {
            return 1;
        }
        for (const TraceRecord& record : records) {
            writer.Append(record);
        }
        if (!writer.Close().ok()) {
            std::fprintf(stderr, "%s\n", writer.Status().report.c_str());
            return 1;
        }
    }
    FILE* out = std::fopen((folder + "/ours.txt").c_str(), "w");
    if (!out) {
        return 1;
    }
    for (const TraceRecord& record : records) {
        Print(out, record, 0);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int Read(const std::string& path)
{
    Trace trace;
    const TraceReadResult result = ReadTraceFile(path, trace);
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.report.c_str());
        return 1;
    }
    std::printf("unparsed %llu\n", static_cast<unsigned long long>(trace.unparsedLines));
    for (const TraceRecord& record : trace.records) {
        Print(stdout, record, trace.originUs.value_or(0));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "write") == 0) {
        return Write(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
        return Read(argv[2]);
    }
    std::fprintf(stderr, "usage: %s write <folder> | read <file>\n", argv[0]);
    return 2;
}
