#include "plot/PlotCsv.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "plot/PlotModel.h"

namespace {

void AppendField(std::string& out, const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

void AppendNumber(std::string& out, double value, bool fixedMicro)
{
    char buffer[64];
    auto result = fixedMicro ? std::to_chars(buffer, buffer + sizeof buffer, value,
                                             std::chars_format::fixed, 6)
                             : std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec == std::errc()) {
        out.append(buffer, result.ptr);
    }
}

}  // namespace

std::string PlotCsv(const PlotModel& model)
{
    std::string out = "시간 [s]";
    const size_t count = model.Count();
    for (size_t i = 0; i < count; ++i) {
        out += ',';
        AppendField(out, model.Signal(i).legend);
    }
    out += '\n';

    // A merge of the series, which are each ordered by time.
    std::vector<size_t> next(count, 0);
    for (;;) {
        double t = std::numeric_limits<double>::infinity();
        bool any = false;
        for (size_t i = 0; i < count; ++i) {
            const SignalSeries& series = model.Signal(i).series;
            if (next[i] < series.Size() && (!any || series.At(next[i]).t < t)) {
                t = series.At(next[i]).t;
                any = true;
            }
        }
        if (!any) {
            break;
        }
        AppendNumber(out, t, true);
        for (size_t i = 0; i < count; ++i) {
            out += ',';
            const SignalSeries& series = model.Signal(i).series;
            if (next[i] < series.Size() && series.At(next[i]).t == t) {
                AppendNumber(out, series.At(next[i]).v, false);
                ++next[i];
            }
        }
        out += '\n';
    }
    return out;
}
