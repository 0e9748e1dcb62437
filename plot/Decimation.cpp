#include "plot/Decimation.h"

#include <algorithm>
#include <cmath>

namespace {

void EmitColumn(const SignalSeries& series, size_t first, size_t low, size_t high, size_t last,
                std::vector<PlotPoint>& out)
{
    size_t order[4] = {first, std::min(low, high), std::max(low, high), last};
    size_t previous = static_cast<size_t>(-1);
    for (size_t index : order) {
        if (index != previous) {
            out.push_back(series.At(index));
            previous = index;
        }
    }
}

}  // namespace

void AddStepCorners(std::vector<PlotPoint>& points)
{
    if (points.size() < 2) {
        return;
    }
    size_t corners = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        corners += points[i].v != points[i - 1].v ? 1 : 0;
    }
    // Fill from the back so that each point moves once.
    size_t write = points.size() + corners;
    points.resize(write);
    size_t read = points.size() - corners;
    while (read > 0) {
        --read;
        PlotPoint point = points[read];
        points[--write] = point;
        if (read > 0 && points[read - 1].v != point.v) {
            points[--write] = {point.t, points[read - 1].v};
        }
    }
}

void DecimateSeries(const SignalSeries& series, double t0, double t1, int width, PlotDrawMode mode,
                    std::vector<PlotPoint>& out)
{
    out.clear();
    if (!(t1 > t0) || !std::isfinite(t0) || !std::isfinite(t1) || width < 1 || series.Empty()) {
        return;
    }
    size_t begin = series.LowerBound(t0);
    size_t end = series.UpperBound(t1);
    if (begin > 0) {
        out.push_back(series.At(begin - 1));
    }
    const double scale = width / (t1 - t0);
    const double lastColumn = width - 1;
    // Clamped before the conversion: a range of a few ulps makes the scale huge.
    auto column = [&](double t) {
        return static_cast<int>(std::min((t - t0) * scale, lastColumn));
    };
    size_t i = begin;
    while (i < end) {
        int current = column(series.At(i).t);
        size_t first = i;
        size_t low = i;
        size_t high = i;
        double lowValue = series.At(i).v;
        double highValue = lowValue;
        for (++i; i < end; ++i) {
            const PlotPoint& point = series.At(i);
            if (column(point.t) != current) {
                break;
            }
            if (point.v < lowValue) {
                lowValue = point.v;
                low = i;
            } else if (point.v > highValue) {
                highValue = point.v;
                high = i;
            }
        }
        EmitColumn(series, first, low, high, i - 1, out);
    }
    if (end < series.Size()) {
        out.push_back(series.At(end));
    }
    if (mode == PlotDrawMode::kStep) {
        AddStepCorners(out);
    }
}
