// Trace files at scale: writes a 1,000,000-frame candump log and ASC file with
// the buffered writer (cost per Append, the caller's share), then opens each
// in a child process and reports the seconds to read it and the child's peak
// resident memory.
//
//   bench_trace [frames] [folder]     defaults: 1000000, $TMPDIR or /tmp
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "trace/TraceFileWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Traffic as a bus carries it: both identifier widths, every length, a remote
// frame now and then and an error report rarely, about 1 ms apart.
TraceRecord FrameNumber(uint64_t i, int64_t start)
{
    TraceRecord record;
    record.timeUs = start + static_cast<int64_t>(i) * 997;
    if (i % 1000 == 999) {
        return *RecordOfErrorReport(static_cast<uint8_t>(i % 31 + 1), record.timeUs);
    }
    record.flags = (i % 3 == 0) ? trace_flags::kExtended : 0;
    record.flags |= (i % 50 == 7) ? trace_flags::kRemote : 0;
    record.id = static_cast<uint32_t>(i * 2654435761u) &
                ((record.flags & trace_flags::kExtended) ? kExtendedIdMask : kStandardIdMask);
    record.dlc = static_cast<uint8_t>(i % 9);
    for (int b = 0; b < 8; ++b) {
        record.data[b] = static_cast<uint8_t>(i >> b);
    }
    return record;
}

bool Write(const std::string& path, TraceFormat format, uint64_t frames)
{
    TraceFileWriter::Options options;
    options.format = format;
    TraceFileWriter writer(options);
    const int64_t start = 1'700'000'000'000'000;
    if (!writer.Open(path, start).ok()) {
        std::fprintf(stderr, "%s\n", writer.Status().report.c_str());
        return false;
    }
    const Clock::time_point began = Clock::now();
    for (uint64_t i = 0; i < frames; ++i) {
        writer.Append(FrameNumber(i, start));
    }
    const TraceWriteStatus status = writer.Close();
    const double seconds = Seconds(began);
    if (!status.ok()) {
        std::fprintf(stderr, "%s\n", status.report.c_str());
        return false;
    }
    struct stat info {};
    ::stat(path.c_str(), &info);
    std::printf("write %-4s %8.3f s  %6.1f ns/frame (format, buffer and write)  %6.1f MB\n",
                format == TraceFormat::kCandumpLog ? "log" : "asc", seconds,
                seconds * 1e9 / static_cast<double>(frames), info.st_size / 1e6);
    return true;
}

bool Read(const std::string& path, uint64_t frames)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const Clock::time_point began = Clock::now();
        Trace trace;
        const TraceReadResult result = ReadTraceFile(path, trace);
        const double seconds = Seconds(began);
        const bool ok = result.ok() && trace.records.size() == frames && trace.unparsedLines == 0;
        ::write(pipeFds[1], &seconds, sizeof seconds);
        ::_exit(ok ? 0 : 1);
    }
    ::close(pipeFds[1]);
    double seconds = 0;
    const bool gotTime = ::read(pipeFds[0], &seconds, sizeof seconds) == sizeof seconds;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!gotTime || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "reading %s failed or lost frames\n", path.c_str());
        return false;
    }
    std::printf("read  %-4s %8.3f s  %6.1f ns/frame  peak RSS %6.1f MB\n",
                path.substr(path.size() - 3).c_str(), seconds,
                seconds * 1e9 / static_cast<double>(frames), usage.ru_maxrss / 1024.0);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const uint64_t frames = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = argc > 2 ? argv[2] : std::string(tmp ? tmp : "/tmp");
    folder += "/bench_trace_XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string log = folder + "/trace.log";
    const std::string asc = folder + "/trace.asc";
    std::printf("%llu frames\n", static_cast<unsigned long long>(frames));
    const bool ok = Write(log, TraceFormat::kCandumpLog, frames) &&
                    Write(asc, TraceFormat::kVectorAsc, frames) && Read(log, frames) &&
                    Read(asc, frames);
    ::unlink(log.c_str());
    ::unlink(asc.c_str());
    ::rmdir(folder.c_str());
    return ok ? 0 : 1;
}
