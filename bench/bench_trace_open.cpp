// Opens a trace of a million frames in the main window, as "트레이스 열기"
// does, and reports the time OpenTraceFile takes (reading, the by-identifier
// view fed with every frame, the received-data list with the last lines) and
// the process's peak resident memory.
//
// Usage: bench_trace_open [log|asc] [--frames N]
// Offscreen unless DISPLAY is set.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/ui/CMainFrame.h"
#include "link/ConverterLink.h"
#include "trace/CandumpLog.h"
#include "trace/VectorAsc.h"

namespace {

double PeakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A bus of 120 identifiers of both widths, lengths 0 to 8, a frame every 500 us.
bool WriteTrace(const std::string& path, bool asc, int frames)
{
    std::FILE* file = std::fopen(path.c_str(), "we");
    if (file == nullptr) {
        return false;
    }
    const int64_t startUs = 1'700'000'000'000'000;
    std::string text;
    if (asc) {
        AppendAscHeader(text, startUs);
    }
    for (int i = 0; i < frames; ++i) {
        TraceRecord record;
        record.timeUs = startUs + int64_t{i} * 500;
        const int source = i % 120;
        record.flags = source % 4 == 0 ? trace_flags::kExtended : 0;
        record.id = source % 4 == 0 ? 0x18FEF000u + source : 0x100u + source;
        record.dlc = static_cast<uint8_t>(source % 9);
        for (int b = 0; b < 8; ++b) {
            record.data[b] = static_cast<uint8_t>(i >> (b % 4));
        }
        if (asc) {
            AppendAscLine(text, record, startUs, 1);
        } else {
            AppendCandumpLine(text, record, "can0");
        }
        if (text.size() > (1 << 20)) {
            std::fwrite(text.data(), 1, text.size(), file);
            text.clear();
        }
    }
    if (asc) {
        text += kAscFooter;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bool asc = false;
    int frames = 1'000'000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "log" || arg == "asc") {
            asc = arg == "asc";
        } else if (arg == "--frames" && i + 1 < argc) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fputs("Usage: bench_trace_open [log|asc] [--frames N]\n", stderr);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    qputenv("TALVOX_PORTS", "");
    const std::string path = (dir.path() + (asc ? "/bus.asc" : "/bus.log")).toStdString();
    if (!WriteTrace(path, asc, frames)) {
        std::fputs("bench_trace_open: the trace could not be written\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    CConverterLink link;
    CMainFrame frame(link, dir.path().toStdString());
    frame.show();
    QApplication::processEvents();
    const double rssBefore = PeakRssMiB();
    const auto start = std::chrono::steady_clock::now();
    const bool opened = frame.OpenTraceFile(QString::fromStdString(path));
    const auto opened_at = std::chrono::steady_clock::now();
    QApplication::processEvents();
    const auto shown = std::chrono::steady_clock::now();
    const auto ms = [](auto from, auto to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    std::printf("bench_trace_open %s: %d frames, %s\n", asc ? "asc" : "log", frames,
                opened ? "opened" : "REFUSED");
    std::printf("OpenTraceFile           %.0f ms (then the first display %.0f ms)\n",
                ms(start, opened_at), ms(opened_at, shown));
    std::printf("peak RSS                %.1f MiB before, %.1f MiB after\n", rssBefore,
                PeakRssMiB());
    return opened ? 0 : 1;
}
