// Runs the analyzer's main window against talvox-sim on a pseudo-terminal,
// paced at 230400 bit/s, with reception and both log files on, and reports
// what the display path costs as the serial line delivers frames one by one:
//
//   frames the simulator sent, lines that reached the view and the log file;
//   the analyzer's CPU time (user + system, all threads) per second of traffic;
//   latency from the write of a frame's last byte to the first screen update
//   of the view that shows its line (a paint, or a display frame at which the
//   screen shows it already; both times on CLOCK_MONOTONIC), p50 and p99;
//   the longest stall of the event loop (one event, or events back to back);
//   after the measured time, the UI thread is held so that the receive ring
//   fills (3,000 empty frames in 1,450 ms), and the stall that follows;
//   resident memory at the start and the end of the measured time.
//
// Usage: bench_window [mixed|empty|errors] [--seconds N] [--hold-ms N] [--sim PATH]
//                     [--no-views] [--accessible] [--stats] [--dbc [--plot]]
//                     [--record log|asc] [--filter TEXT] [--baud N]
//   mixed   the simulator's --flood (bench mix, about 1,100 frames/s)
//   empty   --flood-empty (11-bit frames without data, about 2,090 frames/s)
//   errors  --flood-errors (error reports into the event log, about 3,290/s)
//   --no-views  the lines stop before the views (and so before the received-
//               data log; event lines still reach their log file): what the
//               link and the event loop cost by themselves (no latency and no
//               hold then)
//   --accessible  as if a screen reader listened: the views tell their
//               changes, and the rows each change appended are read (their
//               texts asked for), as a reader of new lines would
//   --stats     with the bus-statistics pane open (it counts every frame
//               either way; open, it also refreshes its figures and table)
//   --dbc       a DBC file describing every identifier of the bench mix and
//               every 11-bit identifier (the 29-bit scanning source draws from
//               too many to describe) is loaded, and the signal pane shows with
//               every message open before the measured time
//   --plot      with --dbc: four signals of the mix plotted live in the signal
//               plot (M256.S6, M256.S0 with its value table, M217056256.S1
//               and M419361024.S2: random bytes but for the counter S0), the
//               plot shown under the lists
//   --record    a trace recording (candump log or ASC) runs from before
//               reception starts until after it stops; its records are counted
//               against the frames sent, and the gaps between their times are
//               compared with the gaps between the times the simulator's
//               frames left its modelled line (mean and max error)
//   --baud N    line speed of the simulator and the analyzer (230400)
//   --frame-by-frame  the simulator hands each frame over when its last byte
//               leaves its line, rather than milliseconds of line time at once
//   --filter TEXT  both views' display filters set to TEXT (e.g. 0-3FF hides
//               half of the empty flood's identifiers); latency is then taken
//               over the frames the list shows
// Offscreen unless DISPLAY is set (then the xcb platform, e.g. under xvfb-run).

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/ResidentMemory.h"
#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "dbc/ui/CSignalView.h"
#include "plot/ui/CSignalPlotPane.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "rxlog/ui/CellRowsAccessible.h"
#include "rxlog/ui/FilterLine.h"
#include "tests/sim/SimProcess.h"
#include "trace/Trace.h"
#include "trace/ui/TraceRecorder.h"

namespace {

constexpr char kErrorLineEnd[] = " 에러 발생";
// The serial of a frame the list's filter held back: no line to wait for.
constexpr uint64_t kHiddenLine = UINT64_MAX;

int64_t NowNs()
{
    timespec at{};
    clock_gettime(CLOCK_MONOTONIC, &at);
    return at.tv_sec * 1'000'000'000LL + at.tv_nsec;
}

double CpuSeconds(double* user = nullptr)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return t.tv_sec + t.tv_usec * 1e-6;
    };
    if (user != nullptr) {
        *user = seconds(usage.ru_utime);
    }
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThreadCpuSeconds()
{
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

std::string LoadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five;
    file >> one >> five;
    return one + " (1 min) " + five + " (5 min)";
}

// Times what the event loop dispatches at the outermost level. Events that
// follow each other with less than 100 us between them count as one stall: the
// loop did not get back to waiting in between.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0) {
            return QApplication::notify(receiver, event);
        }
        ++m_depth;
        const int64_t start = NowNs();
        const bool result = QApplication::notify(receiver, event);
        const int64_t end = NowNs();
        --m_depth;
        if (m_skipCurrent) {
            m_skipCurrent = false;
            m_runStart = m_runEnd = end;
            return result;
        }
        if (start - m_runEnd > 100'000) {
            m_runStart = start;
        }
        m_runEnd = end;
        longestStallNs = std::max(longestStallNs, m_runEnd - m_runStart);
        return result;
    }

    // The event being dispatched is left out (a deliberate hold).
    void SkipCurrent() { m_skipCurrent = true; }

    int64_t longestStallNs = 0;

private:
    int m_depth = 0;
    bool m_skipCurrent = false;
    int64_t m_runStart = 0;
    int64_t m_runEnd = 0;
};

// Stands between the link and the view the flood goes to: forwards every line
// and notes, for each line of the flood, the view's line count after it.
// Without views (a null list and log) it only counts: the cost of the link and
// the event loop alone.
class LineTap : public ReceivedLineSink, public EventLineSink {
public:
    LineTap(CRDataList* list, CEventLogCtrl* log, bool errors, size_t capacity)
        : m_list(list), m_log(log), m_errors(errors), m_serials(capacity, 0)
    {
    }

    void AddReceivedLine(std::string_view line) override
    {
        if (m_list != nullptr) {
            m_list->AddReceivedLine(line);
        }
        if (!m_errors) {
            Note(m_list != nullptr ? m_list->LinesAdded() : m_count + 1);
        }
    }

    void AddReceivedFrameLine(std::string_view line, bool extended, uint32_t id) override
    {
        if (m_list == nullptr) {
            AddReceivedLine(line);
            return;
        }
        const uint64_t added = m_list->LinesAdded();
        m_list->AddReceivedFrameLine(line, extended, id);
        if (!m_errors) {
            Note(m_list->LinesAdded() != added ? m_list->LinesAdded() : kHiddenLine);
        }
    }

    void AddEventLine(std::string_view text, uint32_t colour) override
    {
        if (m_log != nullptr) {
            m_log->AddEventLine(text, colour);
        }
        if (m_errors && text.ends_with(kErrorLineEnd)) {
            Note(m_log != nullptr ? m_log->LinesAdded() : m_count + 1);
        }
    }

    size_t Count() const { return m_count; }
    uint64_t Serial(size_t k) const { return m_serials[k]; }

private:
    void Note(uint64_t serial)
    {
        if (m_count < m_serials.size()) {
            m_serials[m_count] = serial;
        }
        ++m_count;
    }

    CRDataList* m_list;
    CEventLogCtrl* m_log;
    bool m_errors;
    // Filled in advance, so that the benchmark's own records are resident
    // before the first memory figure.
    std::vector<uint64_t> m_serials;
    size_t m_count = 0;
};

struct Paint {
    int64_t at;
    uint64_t shown;
};

void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    const int64_t end = NowNs() + timeoutMs * 1'000'000LL;
    while (!done()) {
        if (NowNs() > end) {
            return false;
        }
        RunFor(10);
    }
    return true;
}

// The times of the simulator's frames of one letter, oldest first: of the
// write (the analyzer can read a frame's bytes from then on, a terminal has
// no line), or with onLine of the frame's last byte on the modelled line.
std::vector<int64_t> ReadSendLog(const std::string& path, char letter, bool onLineTimes = false)
{
    std::vector<int64_t> times;
    std::ifstream file(path);
    char kind = 0;
    long long written = 0;
    long long onLine = 0;
    while (file >> kind >> written >> onLine) {
        if (kind == letter) {
            times.push_back(onLineTimes ? onLine : written);
        }
    }
    return times;
}

double Percentile(std::vector<double> values, double p);

// The error of every gap between consecutive records of a trace against the
// same gap between the frames' times on the simulator's line.
void PrintGapErrors(const std::string& tracePath, const std::vector<int64_t>& onLine)
{
    Trace trace;
    if (!ReadTraceFile(tracePath, trace).ok() || trace.records.size() != onLine.size() ||
        onLine.size() < 3) {
        std::printf("gap error               not measured (%zu records, %zu frames sent)\n",
                    trace.records.size(), onLine.size());
        return;
    }
    std::vector<double> errors;
    double sum = 0;
    for (size_t i = 1; i < onLine.size(); ++i) {
        const double ours =
            static_cast<double>(trace.records[i].timeUs - trace.records[i - 1].timeUs);
        const double theirs = static_cast<double>(onLine[i] - onLine[i - 1]) / 1e3;
        errors.push_back(std::abs(ours - theirs));
        sum += errors.back();
    }
    std::printf("gap error               mean %.1f us, p99 %.1f us, max %.1f us (%zu gaps)\n",
                sum / static_cast<double>(errors.size()), Percentile(errors, 0.99),
                *std::max_element(errors.begin(), errors.end()), errors.size());
}

// Lines of a log file; with a marker, only the lines that hold it.
size_t CountLogLines(const std::string& path, const std::string& marker)
{
    std::ifstream file(path, std::ios::binary);
    std::string line;
    size_t n = 0;
    while (std::getline(file, line)) {
        n += marker.empty() || line.find(marker) != std::string::npos ? 1 : 0;
    }
    return n;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) {
        return 0;
    }
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
    return values[index];
}

// Stands in for a screen reader: counts what the views tell and reads the
// rows each change appended.
size_t g_told = 0;
size_t g_read = 0;

void ReadTold(QAccessibleEvent* event)
{
    ++g_told;
    if (event->type() != QAccessible::TableModelChanged) {
        return;
    }
    auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
    QAccessibleInterface* iface = event->accessibleInterface();
    QAccessibleTableInterface* table = iface != nullptr ? iface->tableInterface() : nullptr;
    if (table == nullptr) {
        return;
    }
    table->modelChange(change);  // as Qt does while active
    // New lines are read as they come; rows changed in place or reset are read
    // only when the user goes to them, which does not happen here.
    if (change->modelChangeType() != QAccessibleTableModelChangeEvent::RowsInserted) {
        return;
    }
    for (int row = std::max(0, change->firstRow()); row <= change->lastRow(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            if (QAccessibleInterface* cell = table->cellAt(row, column)) {
                g_read += static_cast<size_t>(cell->text(QAccessible::Name).size());
            }
        }
    }
}

// Eight one-byte signals (scaled, one with a value table) for each identifier
// of the bench mix and each 11-bit one.
std::string BenchDbcText()
{
    std::string text = "VERSION \"\"\nBU_: Sim Bench\n";
    std::vector<uint32_t> ids;  // as the file writes them: bit 31 for 29-bit ones
    for (uint32_t id = 0; id <= 0x7FF; ++id) {
        ids.push_back(id);
    }
    for (const uint32_t id : {0x0CF00400u, 0x18FEF100u, 0x18EAFF00u}) {
        ids.push_back(id | 0x80000000u);
    }
    for (const uint32_t id : ids) {
        text += "BO_ " + std::to_string(id) + " M" + std::to_string(id) + ": 8 Sim\n";
        for (int i = 0; i < 8; ++i) {
            text += " SG_ S" + std::to_string(i) + " : " + std::to_string(8 * i) +
                    "|8@1+ (0.5,-10) [-10|100] \"V\" Bench\n";
        }
    }
    text += "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 10000;\n";
    for (const uint32_t id : ids) {
        text += "BA_ \"GenMsgCycleTime\" BO_ " + std::to_string(id) + " 100;\n";
        text += "VAL_ " + std::to_string(id) + " S0 0 \"Off\" 1 \"On\" ;\n";
    }
    return text;
}

int Usage()
{
    std::fputs(
        "Usage: bench_window [mixed|empty|errors] [--seconds N] [--hold-ms N] [--sim PATH]"
        " [--no-views] [--accessible] [--stats] [--dbc [--plot]] [--record log|asc]"
        " [--filter TEXT] [--baud N] [--frame-by-frame]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = "mixed";
    int seconds = 15;
    int holdMs = 1450;
    std::string simPath = TALVOX_SIM_PATH;
    bool views = true;
    bool accessible = false;
    bool statsPane = false;
    bool dbc = false;
    bool plot = false;
    std::string record;
    QString filter;
    int baud = 230400;
    bool frameByFrame = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "mixed" || arg == "empty" || arg == "errors") {
            mode = arg;
        } else if (arg == "--seconds" && hasValue) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--hold-ms" && hasValue) {
            holdMs = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--no-views") {
            views = false;
        } else if (arg == "--accessible") {
            accessible = true;
        } else if (arg == "--stats") {
            statsPane = true;
        } else if (arg == "--dbc") {
            dbc = true;
        } else if (arg == "--plot") {
            plot = true;
        } else if (arg == "--record" && hasValue &&
                   (std::string(argv[i + 1]) == "log" || std::string(argv[i + 1]) == "asc")) {
            record = argv[++i];
        } else if (arg == "--filter" && hasValue) {
            filter = QString::fromUtf8(argv[++i]);
        } else if (arg == "--frame-by-frame") {
            frameByFrame = true;
        } else if (arg == "--baud" && hasValue) {
            baud = std::max(1200, std::atoi(argv[++i]));
        } else if (arg == "--sim" && hasValue) {
            simPath = argv[++i];
        } else {
            return Usage();
        }
    }
    const bool errors = mode == "errors";
    if (plot && !dbc) {
        return Usage();
    }
    if (!views) {
        holdMs = 0;  // the hold waits for the view to show the burst
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        return 1;
    }
    const std::string sendLog = (dir.path() + "/sent.txt").toStdString();
    const std::string logDirectory = (dir.path() + "/Log").toStdString();
    QDir().mkpath(QString::fromStdString(logDirectory));
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());

    const char* floodOption = mode == "mixed" ? "--flood"
                              : errors        ? "--flood-errors"
                                              : "--flood-empty";
    std::vector<std::string> simArgs = {floodOption,  "--baud", std::to_string(baud), "--seed", "1",
                                        "--send-log", sendLog};
    if (frameByFrame) {
        simArgs.push_back("--frame-by-frame");
    }
    SimProcess sim(simArgs, simPath);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "bench_window: talvox-sim did not start (%s)\n", simPath.c_str());
        return 1;
    }
    qputenv("TALVOX_PORTS", QByteArray::fromStdString(sim.Path()));
    BuildPortNameList();

    TimedApplication app(argc, argv);
    if (accessible) {
        InstallCellRowsAccessible();
        SetAccessibilityTeller(ReadTold);
        QAccessible::setActive(true);
    }
    {
        QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Talvox");
        profile.setValue("Main Setting/Serial Port BaudRate", baud);
    }

    CConverterLink link;
    const size_t capacity = static_cast<size_t>(seconds + 60) * 4000;
    std::vector<Paint> paints;
    paints.reserve(static_cast<size_t>(seconds + 60) * 1000);
    {
        CMainFrame frame(link, logDirectory);
        frame.resize(1280, 800);
        frame.show();
        if (statsPane) {
            frame.findChild<QDockWidget*>(QStringLiteral("BusStatsPane"))->show();
        }
        frame.FinishStartup();
        CRDataList* list = frame.findChild<CRDView*>()->List();
        CEventLogCtrl* eventLog = frame.findChild<CEventLogCtrl*>();
        if (!link.IsOpen() || list == nullptr || eventLog == nullptr) {
            std::fputs("bench_window: the main window did not come up with the port open\n",
                       stderr);
            return 1;
        }
        frame.ReceivedDataView()->Filter()->SetText(filter);
        frame.IdFilter()->SetText(filter);
        if (!frame.IdFilter()->IsValid()) {
            std::fprintf(stderr, "bench_window: %s\n",
                         qPrintable(frame.IdFilter()->Edit()->toolTip()));
            return 2;
        }
        RunFor(300);
        frame.Execute(kCmdReceivedDataLogStart);
        frame.Execute(kCmdEventLogStart);

        LineTap tap(views ? list : nullptr, views ? eventLog : nullptr, errors, capacity);
        SetReceivedDataSink(&tap);
        SetEventLogSink(&tap);
        const auto notePaint = [&paints](uint64_t shown) {
            if (paints.size() < paints.capacity()) {
                paints.push_back({NowNs(), shown});
            }
        };
        if (errors) {
            eventLog->SetPaintObserver(notePaint);
        } else {
            list->SetPaintObserver(notePaint);
        }

        if (dbc) {
            const QString path = dir.path() + "/bench.dbc";
            std::ofstream(path.toStdString()) << BenchDbcText();
            if (!frame.LoadDbcFiles({path})) {
                std::fputs("bench_window: the DBC file was not loaded\n", stderr);
                return 1;
            }
        }
        if (plot) {
            for (const PlotSignalKey& key :
                 {PlotSignalKey{0x100, false, "S6"}, PlotSignalKey{0x100, false, "S0"},
                  PlotSignalKey{0x0CF00400, true, "S1"}, PlotSignalKey{0x18FEF100, true, "S2"}}) {
                if (!frame.PlotPane()->AddSignal(key)) {
                    std::fputs("bench_window: a signal was not plotted\n", stderr);
                    return 1;
                }
            }
            frame.PlotDock()->show();
        }

        const std::string tracePath = (dir.path() + "/trace.").toStdString() + record;
        if (!record.empty() && !frame.TraceRecorder()->Start(tracePath, 0)) {
            std::fputs("bench_window: the trace recording did not start\n", stderr);
            return 1;
        }
        frame.Execute(kCmdReceptionStart);
        if (!RunUntil([&tap] { return tap.Count() > 0; }, 20000)) {
            std::fputs("bench_window: no traffic arrived\n", stderr);
            return 1;
        }
        RunFor(1000);
        if (dbc) {
            frame.SignalView()->expandAll();
            RunFor(200);
        }

        // The measured time: nothing of the benchmark runs but the hooks.
        const std::string loadBefore = LoadAverage();
        const double rssStart = RssMiB();
        const size_t paintsStart = paints.size();
        app.longestStallNs = 0;
        double userStart = 0;
        const double cpuStart = CpuSeconds(&userStart);
        const double uiStart = ThreadCpuSeconds();
        const uint64_t plotDrawsStart = plot ? frame.PlotPane()->DrawCount() : 0;
        const int64_t windowStart = NowNs();
        RunFor(seconds * 1000);
        const int64_t windowEnd = NowNs();
        double userEnd = 0;
        const double cpuEnd = CpuSeconds(&userEnd);
        const double uiEnd = ThreadCpuSeconds();
        const uint64_t plotDraws = plot ? frame.PlotPane()->DrawCount() - plotDrawsStart : 0;
        const double rssEnd = RssMiB();
        const int64_t longestStall = app.longestStallNs;
        const size_t paintsInWindow = paints.size() - paintsStart;
        const std::string loadAfter = LoadAverage();
        // The frames sent at the end of the measured time reach the screen
        // before the hold.
        RunFor(500);

        // The full-ring burst: the UI thread is held while the reader fills the
        // ring, then everything waiting arrives at once.
        size_t heldLines = 0;
        int64_t stallAfterHold = 0;
        if (holdMs > 0) {
            size_t before = 0;
            size_t paintsBefore = 0;
            bool held = false;
            QTimer::singleShot(0, &app, [&] {
                app.SkipCurrent();
                before = tap.Count();
                std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
                app.longestStallNs = 0;
                paintsBefore = paints.size();
                held = true;
            });
            RunUntil([&] { return held && paints.size() > paintsBefore; }, 20000);
            heldLines = tap.Count() - before;
            RunFor(2000);
            stallAfterHold = app.longestStallNs;
        }

        frame.Execute(kCmdReceptionStop);
        size_t last = tap.Count();
        RunUntil(
            [&] {
                RunFor(500);
                const bool quiet = tap.Count() == last;
                last = tap.Count();
                return quiet;
            },
            20000);
        frame.Execute(kCmdReceivedDataLogStop);
        frame.Execute(kCmdEventLogStop);
        const bool recorded = frame.TraceRecorder()->IsRecording();
        frame.TraceRecorder()->Stop();
        const uint64_t records = frame.TraceRecorder()->RecordCount();
        SetReceivedDataSink(list);
        SetEventLogSink(eventLog);
        list->SetPaintObserver(nullptr);
        eventLog->SetPaintObserver(nullptr);
        frame.close();
        sim.Stop(SIGTERM);

        const std::vector<int64_t> sent = ReadSendLog(sendLog, errors ? 'I' : 'U');
        const size_t logged =
            errors ? CountLogLines(logDirectory + "/EventLog.txt", EncodeLogText(kErrorLineEnd))
                   : CountLogLines(logDirectory + "/RDataLog.txt", "");

        // Latency of the frames sent during the measured time: to the first
        // paint that shows a line count at or past the frame's line.
        std::vector<double> latencies;
        size_t p = 0;
        const size_t matched = std::min({sent.size(), tap.Count(), capacity});
        for (size_t k = 0; k < matched; ++k) {
            if (sent[k] < windowStart || sent[k] > windowEnd || tap.Serial(k) == kHiddenLine) {
                continue;
            }
            while (p < paints.size() && paints[p].shown < tap.Serial(k)) {
                ++p;
            }
            if (p < paints.size()) {
                latencies.push_back(static_cast<double>(paints[p].at - sent[k]) / 1e6);
            }
        }

        const double wall = static_cast<double>(windowEnd - windowStart) / 1e9;
        const size_t sentInWindow =
            static_cast<size_t>(std::count_if(sent.begin(), sent.end(), [&](int64_t t) {
                return t >= windowStart && t <= windowEnd;
            }));
        std::printf("bench_window %s: %d s measured, platform %s%s\n", mode.c_str(), seconds,
                    qPrintable(QGuiApplication::platformName()),
                    statsPane ? ", bus-statistics pane open" : "");
        std::printf("load average            %s before, %s after\n", loadBefore.c_str(),
                    loadAfter.c_str());
        std::printf("frames                  sent %zu, shown %zu, logged %zu, lost %zd\n",
                    sent.size(), tap.Count(), logged,
                    static_cast<ssize_t>(sent.size()) -
                        static_cast<ssize_t>(std::min(tap.Count(), logged)));
        if (!record.empty()) {
            std::printf("trace (%s)             %s, %llu records, lost %lld\n", record.c_str(),
                        recorded ? "recorded" : "STOPPED BY AN ERROR",
                        static_cast<unsigned long long>(records),
                        static_cast<long long>(sent.size()) - static_cast<long long>(records));
            PrintGapErrors(tracePath, ReadSendLog(sendLog, errors ? 'I' : 'U', true));
        }
        std::printf("traffic                 %.0f frames/s\n", sentInWindow / wall);
        if (!filter.isEmpty()) {
            std::printf(
                "filter \"%s\"   list shows %llu of %llu, by-identifier view %llu of %llu\n",
                qPrintable(filter), static_cast<unsigned long long>(list->FramesShown()),
                static_cast<unsigned long long>(list->FramesReceived()),
                static_cast<unsigned long long>(frame.IdView()->FramesShown()),
                static_cast<unsigned long long>(frame.IdView()->FramesReceived()));
        }
        std::printf("analyzer CPU            %.1f %% of one core (user %.1f %%, system %.1f %%)\n",
                    100 * (cpuEnd - cpuStart) / wall, 100 * (userEnd - userStart) / wall,
                    100 * ((cpuEnd - userEnd) - (cpuStart - userStart)) / wall);
        std::printf("  of which UI thread    %.1f %%, serial reader thread %.1f %%\n",
                    100 * (uiEnd - uiStart) / wall,
                    100 * ((cpuEnd - cpuStart) - (uiEnd - uiStart)) / wall);
        std::printf("screen updates         %.1f /s\n", paintsInWindow / wall);
        std::printf("latency to the screen   p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu frames)\n",
                    Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                    latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()),
                    latencies.size());
        std::printf("longest stall           %.1f ms\n", longestStall / 1e6);
        if (plot) {
            const PlotModel& model = frame.PlotPane()->Model();
            std::printf("plot                    %.1f draws/s, points held %zu / %zu / %zu / %zu\n",
                        static_cast<double>(plotDraws) / wall, model.Signal(0).series.Size(),
                        model.Signal(1).series.Size(), model.Signal(2).series.Size(),
                        model.Signal(3).series.Size());
        }
        if (accessible) {
            std::printf("accessibility           %zu changes told, %zu characters read\n", g_told,
                        g_read);
        }
        if (holdMs > 0) {
            std::printf("after a %d ms hold      %zu lines at once, longest stall %.1f ms\n",
                        holdMs, heldLines, stallAfterHold / 1e6);
        }
        std::printf("RSS                     %.1f MiB at start, %.1f MiB at end\n", rssStart,
                    rssEnd);
    }
    link.Close(0);
    return 0;
}
