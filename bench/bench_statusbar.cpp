// Cost of the status bar's work on the UI thread: the idle refresh runs every
// time the event loop is about to wait, and the activity handler once per
// activity event, so both must stay far below the time between events.
#include <string>
#include <vector>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/ui/StatusBar.h"
#include "canconfig/MainSetting.h"

namespace {

// Unchanged settings: every pane keeps its text.
void BM_IdleRefreshUnchanged(benchmark::State& state)
{
    StatusBar bar;
    bar.LayOutPanes();
    const MainSetting setting;
    const std::vector<std::string> names = {"ttyUSB0"};
    for (auto _ : state) {
        bar.Refresh(setting, names);
    }
}
BENCHMARK(BM_IdleRefreshUnchanged);

// The ID changes on every refresh: two panes get new texts.
void BM_IdleRefreshChanged(benchmark::State& state)
{
    StatusBar bar;
    bar.LayOutPanes();
    MainSetting setting;
    const std::vector<std::string> names = {"ttyUSB0"};
    for (auto _ : state) {
        ++setting.canId;
        bar.Refresh(setting, names);
    }
}
BENCHMARK(BM_IdleRefreshChanged);

// A burst of received frames: the lamp is already lit, so nothing is redrawn.
void BM_ActivityWhileLit(benchmark::State& state)
{
    StatusBar bar;
    bar.LayOutPanes();
    bar.OnLinkActivity(StatusBar::kFrameReceived);
    for (auto _ : state) {
        bar.OnLinkActivity(StatusBar::kFrameReceived);
    }
}
BENCHMARK(BM_ActivityWhileLit);

// Light, then two ticks to put it out: two lamp redraws per iteration.
void BM_LampOnAndOff(benchmark::State& state)
{
    StatusBar bar;
    bar.LayOutPanes();
    for (auto _ : state) {
        bar.OnLinkActivity(StatusBar::kFrameReceived);
        bar.Tick();
        bar.Tick();
    }
}
BENCHMARK(BM_LampOnAndOff);

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
