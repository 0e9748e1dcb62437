#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plot/PlotModel.h"

class QSettings;

// What a drag of signals to the plot carries: PlotKeyText of each, one a line.
inline constexpr char kPlotSignalsMimeType[] = "application/x-talvox-plot-signals";

// The plotted bus frame rate, a series the statistics measure.
PlotSignalKey FrameRateKey();

// A plotted signal as text, for the profile and for dragging: "0x123/Speed"
// for an 11-bit message (three hex digits), "0x18FEF100/Speed" for a 29-bit
// one (always eight), "bus/frames" for the frame rate.
std::string PlotKeyText(const PlotSignalKey& key);
// Empty for text PlotKeyText does not make.
std::optional<PlotSignalKey> ParsePlotKey(std::string_view text);

// What the plot keeps in the per-user profile: the chosen signals beside the
// DBC files (section "DBC", value "PlotSignals", a list of PlotKeyText), and
// section "Plot": "WindowSeconds", "SharedY", "PointsPerSignal". Values out of
// range are brought into it, entries that do not read are dropped.
struct PlotSettings {
    static constexpr double kMinWindowSeconds = 0.1;
    static constexpr double kMaxWindowSeconds = 86400.0;
    static constexpr size_t kMinPointsPerSignal = 1000;
    static constexpr size_t kMaxPointsPerSignal = 20'000'000;

    std::vector<PlotSignalKey> chosen;
    double windowSeconds = PlotModel::kDefaultWindowSeconds;
    bool sharedY = false;
    size_t pointsPerSignal = SignalSeries::kDefaultCapacity;
};

PlotSettings LoadPlotSettings(QSettings& profile);
void SavePlotSettings(QSettings& profile, const PlotSettings& settings);
