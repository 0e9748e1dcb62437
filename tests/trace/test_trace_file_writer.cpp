#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TraceTestUtil.h"
#include "tests/common/FileSizeLimit.h"
#include "trace/CandumpLog.h"
#include "trace/TraceFileWriter.h"
#include "trace/VectorAsc.h"

namespace {

using namespace trace_flags;

constexpr int64_t kStart = 1'700'000'000'123'456;

std::string Contents(const std::string& path)
{
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

size_t FileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<size_t>(info.st_size) : 0;
}

// Frames of every kind, 1 ms apart from the start.
std::vector<TraceRecord> Traffic(size_t count)
{
    std::vector<TraceRecord> records;
    for (size_t i = 0; i < count; ++i) {
        const int64_t time = kStart + static_cast<int64_t>(i) * 1000;
        const uint8_t n = static_cast<uint8_t>(i % 9);
        switch (i % 4) {
        case 0:
            records.push_back(Frame(time, 0x100 + i % 0x700, 0, n, {1, 2, 3, 4, 5, 6, 7, 8}));
            break;
        case 1:
            records.push_back(Frame(time, 0x18FEF100 + i, kExtended, n, {8, 7, 6, 5, 4, 3, 2, 1}));
            break;
        case 2:
            records.push_back(Frame(time, 0x7FF, kRemote, n));
            break;
        default:
            records.push_back(*RecordOfErrorReport(static_cast<uint8_t>(i % 31 + 1), time));
        }
        if (n < 8 && !(records.back().flags & (kRemote | kError))) {
            std::fill(records.back().data + n, records.back().data + 8, 0);
        }
    }
    return records;
}

class TraceFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        UseKoreanTime();
    }
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }

    // The records of every file, in order, with their times made absolute.
    static std::vector<TraceRecord> ReadAll(const std::vector<std::string>& files)
    {
        std::vector<TraceRecord> all;
        for (const std::string& file : files) {
            Trace trace;
            EXPECT_TRUE(ReadTraceFile(file, trace).ok()) << file;
            EXPECT_EQ(trace.unparsedLines, 0u) << file;
            for (TraceRecord record : trace.records) {
                record.timeUs += trace.originUs.value_or(0);
                all.push_back(record);
            }
        }
        return all;
    }

    QTemporaryDir m_dir;
};

TEST_F(TraceFileWriterTest, WritesInBatchesNotPerRecord)
{
    TraceFileWriter::Options options;
    options.flushBytes = 1024;
    TraceFileWriter writer(options);
    ASSERT_TRUE(writer.Open(Path("trace.log"), kStart).ok());
    const std::vector<TraceRecord> records = Traffic(40);
    std::string expected;
    size_t appended = 0;
    while (expected.size() < 1024) {
        EXPECT_EQ(FileSize(Path("trace.log")), 0u) << appended;
        ASSERT_TRUE(writer.Append(records[appended]));
        AppendCandumpLine(expected, records[appended++], "can0");
    }
    EXPECT_EQ(Contents(Path("trace.log")), expected);
    EXPECT_EQ(writer.Buffered(), 0u);

    ASSERT_TRUE(writer.Append(records[appended]));
    AppendCandumpLine(expected, records[appended], "can0");
    EXPECT_GT(writer.Buffered(), 0u);
    EXPECT_TRUE(writer.Flush().ok());
    EXPECT_EQ(Contents(Path("trace.log")), expected);
    EXPECT_TRUE(writer.Close().ok());
    EXPECT_FALSE(writer.Append(records[0]));
    EXPECT_EQ(writer.Flush().error, TraceWriteError::kNotOpen);
}

TEST_F(TraceFileWriterTest, TimesNeverRunBackwards)
{
    for (const TraceFormat format : {TraceFormat::kCandumpLog, TraceFormat::kVectorAsc}) {
        TraceFileWriter writer({format});
        ASSERT_TRUE(writer.Open(Path("order"), kStart).ok());
        for (const int64_t time : {kStart - 5000, kStart + 10, kStart + 5, kStart + 20}) {
            writer.Append(Frame(time, 0x1, 0, 0));
        }
        ASSERT_TRUE(writer.Close().ok());
        Trace trace;
        ASSERT_TRUE(ReadTraceFile(Path("order"), trace).ok());
        const int64_t origin = trace.originUs.value_or(0);
        // The ASC date shows milliseconds: the start rounds down to one.
        const int64_t start = kStart / 1000 * 1000;
        ASSERT_EQ(trace.records.size(), 4u);
        EXPECT_EQ(trace.records[0].timeUs + origin, start);
        EXPECT_EQ(trace.records[1].timeUs + origin, kStart + 10);
        EXPECT_EQ(trace.records[2].timeUs + origin, kStart + 10);
        EXPECT_EQ(trace.records[3].timeUs + origin, kStart + 20);
    }
}

TEST_F(TraceFileWriterTest, AscFileHasHeaderDatedAtTheStartAndFooter)
{
    TraceFileWriter writer({TraceFormat::kVectorAsc});
    ASSERT_TRUE(writer.Open(Path("trace.asc"), kStart).ok());
    writer.Append(Frame(kStart + 1000, 0x123, 0, 1, {0xAB}));
    writer.Append(*RecordOfErrorReport(1, kStart + 2000));
    ASSERT_TRUE(writer.Close().ok());
    EXPECT_EQ(Contents(Path("trace.asc")),
              "date Wed Nov 15 07:13:20.123 am 2023\n"
              "base hex  timestamps absolute\n"
              "internal events logged\n"
              "Begin Triggerblock Wed Nov 15 07:13:20.123 am 2023\n"
              "   0.000000 Start of measurement\n"
              "   0.001456 1  123             Rx   d 1 AB\n"
              "   0.002456 1  ErrorFrame\n"
              "End TriggerBlock\n");
}

TEST_F(TraceFileWriterTest, RotatesAtRecordBoundariesWithoutLosingOne)
{
    for (const TraceFormat format : {TraceFormat::kCandumpLog, TraceFormat::kVectorAsc}) {
        QTemporaryDir dir;
        const std::string base =
            dir.filePath(format == TraceFormat::kCandumpLog ? "t.log" : "t.asc").toStdString();
        // A file a rotation must pass over, not overwrite.
        std::ofstream(TraceFileWriter::RotatedPath(base, 2)) << "kept";
        TraceFileWriter::Options options;
        options.format = format;
        options.sizeLimit = 600;
        options.flushBytes = 100;
        TraceFileWriter writer(options);
        ASSERT_TRUE(writer.Open(base, kStart).ok());
        const std::vector<TraceRecord> records = Traffic(100);
        for (const TraceRecord& record : records) {
            ASSERT_TRUE(writer.Append(record));
        }
        ASSERT_TRUE(writer.Close().ok());

        const std::vector<std::string>& files = writer.Files();
        ASSERT_GT(files.size(), 4u);
        EXPECT_EQ(files[0], base);
        EXPECT_EQ(files[1], TraceFileWriter::RotatedPath(base, 1));
        EXPECT_EQ(files[2], TraceFileWriter::RotatedPath(base, 3));
        EXPECT_EQ(Contents(TraceFileWriter::RotatedPath(base, 2)), "kept");
        for (const std::string& file : files) {
            EXPECT_LE(FileSize(file), 600u) << file;
            if (file != files.back()) {
                EXPECT_GT(FileSize(file), 400u) << file;  // filled before moving on
            }
            if (format == TraceFormat::kVectorAsc) {
                EXPECT_TRUE(Contents(file).ends_with(kAscFooter)) << file;
            }
        }
        std::vector<TraceRecord> back = ReadAll(files);
        ASSERT_EQ(back.size(), records.size());
        for (size_t i = 0; i < back.size(); ++i) {
            TraceRecord expected = records[i];
            if (format == TraceFormat::kVectorAsc && IsError(expected)) {
                expected.id = 0;  // ASC keeps no error detail
                std::fill(expected.data, expected.data + 8, 0);
            }
            EXPECT_EQ(back[i], expected) << i;
        }
    }
}

TEST_F(TraceFileWriterTest, NamesRotatedFilesBeforeTheExtension)
{
    struct Row {
        const char* path;
        uint32_t number;
        const char* rotated;
    };
    const Row rows[] = {
        {"trace.log", 1, "trace_001.log"},          {"/a/b.c/trace", 2, "/a/b.c/trace_002"},
        {"dir/x.tar.asc", 12, "dir/x.tar_012.asc"}, {"/tmp/.log", 1, "/tmp/.log_001"},
        {"trace.log", 1000, "trace_1000.log"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TraceFileWriter::RotatedPath(row.path, row.number), row.rotated);
    }
}

TEST_F(TraceFileWriterTest, AFullDiskStopsTheRecordingAndKeepsWholeRecords)
{
    for (const TraceFormat format : {TraceFormat::kCandumpLog, TraceFormat::kVectorAsc}) {
        const std::string path = Path("full");
        TraceFileWriter::Options options;
        options.format = format;
        options.flushBytes = 1000;
        TraceFileWriter writer(options);
        ASSERT_TRUE(writer.Open(path, kStart).ok());
        const std::vector<TraceRecord> records = Traffic(400);

        size_t taken = 0;
        ASSERT_TRUE(WithFileSizeLimit(4096, [&] {
            while (taken < records.size() && writer.Append(records[taken])) {
                ++taken;
            }
        }));

        ASSERT_LT(taken, records.size());
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_EQ(writer.Status().error, TraceWriteError::kWriteFailed);
        EXPECT_EQ(writer.Status().systemError, EFBIG);
        EXPECT_EQ(writer.Status().report, path + ": File too large");
        EXPECT_FALSE(writer.Append(records[0]));
        EXPECT_EQ(writer.Flush().error, TraceWriteError::kWriteFailed);
        EXPECT_EQ(writer.Close().error, TraceWriteError::kWriteFailed);

        const std::string text = Contents(path);
        EXPECT_GT(text.size(), 3000u);
        EXPECT_LE(text.size(), 4096u);
        EXPECT_EQ(text.back(), '\n');
        Trace trace;
        ParseTrace(text, format, trace);
        EXPECT_EQ(trace.unparsedLines, 0u);
        ASSERT_GT(trace.records.size(), 50u);
        const size_t last = trace.records.size() - 1;
        EXPECT_EQ(trace.records[last].timeUs + trace.originUs.value_or(0), records[last].timeUs);
    }
}

TEST_F(TraceFileWriterTest, ReportsFilesItCannotMake)
{
    TraceFileWriter writer({});
    const TraceWriteStatus status = writer.Open(Path("missing/trace.log"), kStart);
    EXPECT_EQ(status.error, TraceWriteError::kOpenFailed);
    EXPECT_EQ(status.report, Path("missing/trace.log") + ": No such file or directory");
    EXPECT_FALSE(writer.Append(Frame(kStart, 1, 0, 0)));
}

TEST_F(TraceFileWriterTest, ReadsFilesInChunksAsItReadsMemory)
{
    TraceFileWriter::Options options;
    options.format = TraceFormat::kVectorAsc;
    TraceFileWriter writer(options);
    ASSERT_TRUE(writer.Open(Path("no-extension"), kStart).ok());
    for (const TraceRecord& record : Traffic(300)) {
        writer.Append(record);
    }
    ASSERT_TRUE(writer.Close().ok());
    const std::string text = Contents(Path("no-extension"));
    const Trace whole = Parsed(text, TraceFormat::kVectorAsc);
    ASSERT_EQ(whole.records.size(), 300u);
    for (const size_t chunk : {size_t{7}, size_t{1} << 20}) {
        Trace read;
        ASSERT_TRUE(ReadTraceFile(Path("no-extension"), read, chunk).ok());
        EXPECT_EQ(read.records, whole.records) << chunk;
        EXPECT_EQ(read.originUs, whole.originUs) << chunk;
        EXPECT_EQ(read.lines, whole.lines) << chunk;
    }

    Trace none;
    EXPECT_EQ(ReadTraceFile(Path("absent.log"), none).report,
              Path("absent.log") + ": No such file or directory");
    EXPECT_EQ(ReadTraceFile(m_dir.path().toStdString(), none).error, TraceReadError::kOpenFailed);
    ASSERT_EQ(::mkfifo(Path("fifo.log").c_str(), 0600), 0);
    EXPECT_EQ(ReadTraceFile(Path("fifo.log"), none).error, TraceReadError::kOpenFailed);
}

TEST_F(TraceFileWriterTest, DetectsTheFormatByExtensionThenByContent)
{
    using F = TraceFormat;
    EXPECT_EQ(DetectTraceFormat("a/b.LOG", "date x"), F::kCandumpLog);
    EXPECT_EQ(DetectTraceFormat("a/b.Asc", "(1.0) can0 1#"), F::kVectorAsc);
    EXPECT_EQ(DetectTraceFormat("a.b/c", "\r\n  \n (1.0) can0 1#"), F::kCandumpLog);
    EXPECT_EQ(DetectTraceFormat("a.b/c", "\ndate Mon"), F::kVectorAsc);
    EXPECT_EQ(DetectTraceFormat("c.txt", "   0.1 1 1 Rx d 0"), F::kVectorAsc);
}

}  // namespace
