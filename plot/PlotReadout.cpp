#include "plot/PlotReadout.h"

#include <charconv>
#include <cmath>

#include "dbc/DbcModel.h"
#include "dbc/SignalFormat.h"

namespace {

constexpr char kSeparator[] = "   ";

std::string Number(double value, int decimals)
{
    char buffer[64];
    const auto result = decimals < 0 ? std::to_chars(buffer, buffer + sizeof buffer, value)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                     std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

// The value-table text naming the raw value behind `physical`, or null.
const std::string* ValueName(const DbcSignal& signal, double physical)
{
    if (signal.valueNames.empty() || signal.factor == 0.0 ||
        signal.valueType != DbcValueType::kInteger) {
        return nullptr;
    }
    const double raw = std::round((physical - signal.offset) / signal.factor);
    if (!std::isfinite(raw) || std::abs(raw) > 9.2e18) {
        return nullptr;
    }
    const auto wanted = static_cast<int64_t>(raw);
    for (const DbcValueName& name : signal.valueNames) {
        if (name.raw == wanted) {
            return &name.text;
        }
    }
    return nullptr;
}

}  // namespace

std::string PlotValueText(const PlotSignal& signal, const std::optional<double>& value)
{
    if (!value) {
        return "-";
    }
    if (!std::isfinite(*value)) {
        return Number(*value, -1);
    }
    const DbcSignal* definition = signal.definition.get();
    if (definition == nullptr) {
        return Number(*value, signal.decimals);
    }
    const bool integer = definition->valueType == DbcValueType::kInteger;
    std::string text = Number(*value, integer ? SignalDecimals(*definition) : -1);
    if (const std::string* name = ValueName(*definition, *value)) {
        text += " (" + *name + ")";
    }
    return text;
}

std::string PlotReadout(const PlotModel& model, double t)
{
    std::string text = Number(t, 6) + " s";
    const std::vector<std::optional<double>> values = model.CursorValues(t);
    for (size_t i = 0; i < model.Count(); ++i) {
        const PlotSignal& signal = model.Signal(i);
        text += kSeparator;
        text += signal.legend;
        text += " = ";
        text += PlotValueText(signal, values[i]);
    }
    return text;
}
