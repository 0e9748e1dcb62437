// The signal plot pane itself, offscreen at 1280 x 300 (the width of the
// main window's bottom dock at the window's first-start size):
//   trace: a 1,000,000-frame trace of one message carrying four plotted
//     signals (a ramp, a sine, a value-table step and noise) shown with
//     ShowTrace and painted: the time from the call until the widget has
//     painted, and the resident memory the points add;
//   zoom: a range held over the middle tenth of that trace, drawn again;
//   live: four signals of random bytes (the simulator flood's payloads), the
//     last 10 s at 1,100 frames/s, drawn at one tick: what one draw costs.
// Usage: bench_plot_pane [--runs N]
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <qcustomplot.h>

#include "bench/ResidentMemory.h"
#include "common/ui/MessageBoxes.h"
#include "dbc/ui/DbcHeaders.h"
#include "link/CanFrame.h"
#include "plot/ui/CSignalPlotPane.h"
#include "trace/Trace.h"

namespace {

constexpr char kDbc[] = R"(BO_ 256 Bench: 8 Sim
 SG_ Ramp : 0|16@1+ (0.1,0) [0|0] "km/h" X
 SG_ Wave : 16|16@1- (0.001,0) [0|0] "V" X
 SG_ Gear : 32|8@1+ (1,0) [0|0] "" X
 SG_ Noise : 40|8@1+ (1,0) [0|0] "" X
VAL_ 256 Gear 0 "P" 1 "R" 2 "N" 3 "D" ;
)";

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void Fill(uint8_t* data, int i, std::mt19937& random)
{
    const auto ramp = static_cast<uint16_t>(i / 100 % 65536);
    const auto wave = static_cast<int16_t>(std::lround(20000 * std::sin(i * 0.001)));
    data[0] = static_cast<uint8_t>(ramp);
    data[1] = static_cast<uint8_t>(ramp >> 8);
    data[2] = static_cast<uint8_t>(wave);
    data[3] = static_cast<uint8_t>(static_cast<uint16_t>(wave) >> 8);
    data[4] = static_cast<uint8_t>(i / 50000 % 4);
    data[5] = static_cast<uint8_t>(random());
}

class NoBoxes : public MessageBoxes {
public:
    void Stop(QWidget*, const QString&) override {}
    void Information(QWidget*, const QString&) override {}
    bool Question(QWidget*, const QString&) override { return false; }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override
    {
        return {};
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override
    {
        return {};
    }
    int RunDialog(QDialog&) override { return 0; }
};

// The pane has drawn its layers; the widget paints them now.
void Painted(CSignalPlotPane& pane)
{
    pane.Plot()->repaint();
    QApplication::processEvents();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fputs("Usage: bench_plot_pane [--runs N]\n", stderr);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    DbcParseResult parsed = ParseDbcText(kDbc);
    DbcDatabase database;
    database.Add(std::move(parsed.file));
    NoBoxes boxes;
    const std::vector<PlotSignalKey> keys = {{0x100, false, "Ramp"},
                                             {0x100, false, "Wave"},
                                             {0x100, false, "Gear"},
                                             {0x100, false, "Noise"}};

    std::mt19937 random(1);
    auto trace = std::make_shared<Trace>();
    constexpr int kRecords = 1'000'000;
    trace->records.resize(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        TraceRecord& record = trace->records[static_cast<size_t>(i)];
        record.timeUs = 1'700'000'000'000'000 + int64_t{i} * 1000;
        record.id = 0x100;
        record.dlc = 8;
        Fill(record.data, i, random);
    }
    std::shared_ptr<const Trace> shown = trace;

    std::vector<double> traceWall, traceCpu, zoomWall, liveWall, rssAdded;
    for (int run = 0; run < runs; ++run) {
        CSignalPlotPane pane(boxes);
        pane.SetDatabase(&database);
        pane.resize(1280, 300);
        pane.show();
        for (const PlotSignalKey& key : keys) {
            pane.AddSignal(key);
        }
        Painted(pane);
        const double rssBefore = RssMiB();
        QElapsedTimer wall;
        double cpu = CpuMs();
        wall.start();
        pane.ShowTrace(shown);
        Painted(pane);
        traceWall.push_back(wall.nsecsElapsed() / 1e6);
        traceCpu.push_back(CpuMs() - cpu);
        rssAdded.push_back(RssMiB() - rssBefore);

        wall.start();
        pane.ShowRange(450.0, 550.0);
        Painted(pane);
        zoomWall.push_back(wall.nsecsElapsed() / 1e6);

        // Live: 10 s of noise at 1,100 frames/s on each signal.
        pane.ShowLive();
        const auto now = CSignalPlotPane::Clock::now();
        for (int i = 0; i < 11000; ++i) {
            CanFrame frame{};
            frame.id = 0x100;
            frame.dlc = 8;
            for (uint8_t& byte : frame.data) {
                byte = static_cast<uint8_t>(random());
            }
            pane.FeedFrame(now - std::chrono::microseconds((11000 - i) * 909), frame);
        }
        Painted(pane);
        constexpr int kDraws = 20;
        wall.start();
        for (int i = 0; i < kDraws; ++i) {
            pane.ShowRange(-10.0 + i * 0.001, i * 0.001);  // moves as the clock does
            Painted(pane);
        }
        liveWall.push_back(wall.nsecsElapsed() / 1e6 / kDraws);
    }
    std::printf("bench_plot_pane: %d runs, medians, 1280 x 300 offscreen\n", runs);
    std::printf(
        "1,000,000-frame trace, four signals: shown and painted in %.1f ms "
        "(CPU %.1f ms), RSS +%.1f MiB\n",
        Median(traceWall), Median(traceCpu), Median(rssAdded));
    std::printf("zoom to a tenth of it: %.1f ms\n", Median(zoomWall));
    std::printf("live, four noise signals (11,000 points each): %.2f ms a draw\n",
                Median(liveWall));
    return 0;
}
