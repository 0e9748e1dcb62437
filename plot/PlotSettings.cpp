#include "plot/PlotSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include <QSettings>
#include <QStringList>

namespace {

constexpr char kSignalsKey[] = "DBC/PlotSignals";
constexpr char kWindowKey[] = "Plot/WindowSeconds";
constexpr char kSharedYKey[] = "Plot/SharedY";
constexpr char kPointsKey[] = "Plot/PointsPerSignal";
constexpr std::string_view kFrameRateText = "bus/frames";

bool IsIdentifier(std::string_view name)
{
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    return std::ranges::all_of(name, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

}  // namespace

PlotSignalKey FrameRateKey()
{
    return PlotSignalKey{0, false, "frames", PlotSource::kMeasured};
}

std::string PlotKeyText(const PlotSignalKey& key)
{
    if (key.source == PlotSource::kMeasured) {
        return "bus/" + key.signal;
    }
    char id[16];
    std::snprintf(id, sizeof id, key.extended ? "0x%08X/" : "0x%03X/", key.id);
    return id + key.signal;
}

std::optional<PlotSignalKey> ParsePlotKey(std::string_view text)
{
    if (text == kFrameRateText) {
        return FrameRateKey();
    }
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos || !text.starts_with("0x")) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(2, slash - 2);
    const std::string_view name = text.substr(slash + 1);
    if ((digits.size() != 3 && digits.size() != 8) || !IsIdentifier(name)) {
        return std::nullopt;
    }
    uint32_t id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id, 16);
    const bool extended = digits.size() == 8;
    if (error != std::errc() || end != digits.data() + digits.size() ||
        id > (extended ? 0x1FFFFFFFu : 0x7FFu)) {
        return std::nullopt;
    }
    return PlotSignalKey{id, extended, std::string(name)};
}

PlotSettings LoadPlotSettings(QSettings& profile)
{
    PlotSettings settings;
    for (const QString& text : profile.value(kSignalsKey).toStringList()) {
        std::optional<PlotSignalKey> key = ParsePlotKey(text.toStdString());
        if (key && std::ranges::find(settings.chosen, *key) == settings.chosen.end()) {
            settings.chosen.push_back(std::move(*key));
        }
    }
    bool ok = false;
    const double window = profile.value(kWindowKey).toDouble(&ok);
    if (ok && std::isfinite(window)) {
        settings.windowSeconds =
            std::clamp(window, PlotSettings::kMinWindowSeconds, PlotSettings::kMaxWindowSeconds);
    }
    settings.sharedY = profile.value(kSharedYKey, false).toBool();
    const qlonglong points = profile.value(kPointsKey).toLongLong(&ok);
    if (ok) {
        settings.pointsPerSignal = static_cast<size_t>(std::clamp<qlonglong>(
            points, PlotSettings::kMinPointsPerSignal, PlotSettings::kMaxPointsPerSignal));
    }
    return settings;
}

void SavePlotSettings(QSettings& profile, const PlotSettings& settings)
{
    QStringList chosen;
    for (const PlotSignalKey& key : settings.chosen) {
        chosen << QString::fromStdString(PlotKeyText(key));
    }
    profile.setValue(kSignalsKey, chosen);
    profile.setValue(kWindowKey, settings.windowSeconds);
    profile.setValue(kSharedYKey, settings.sharedY);
    profile.setValue(kPointsKey, static_cast<qulonglong>(settings.pointsPerSignal));
}
