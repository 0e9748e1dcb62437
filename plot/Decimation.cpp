#include "plot/Decimation.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this many points a column on average, scanning every point is cheaper.
constexpr size_t kSparsePointsPerColumn = 64;

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
    // Sparse columns: one pass over the points. Dense ones: each column's end
    // is found by galloping and bisecting, its extremes from the blocks.
    const bool sparse = end - begin <= kSparsePointsPerColumn * static_cast<size_t>(width);
    size_t i = begin;
    while (i < end) {
        const int current = column(series.At(i).t);
        size_t beyond = i + 1;
        size_t low = i;
        size_t high = i;
        if (sparse) {
            double lowValue = series.At(i).v;
            double highValue = lowValue;
            for (; beyond < end; ++beyond) {
                const PlotPoint& point = series.At(beyond);
                if (column(point.t) != current) {
                    break;
                }
                if (point.v < lowValue) {
                    lowValue = point.v;
                    low = beyond;
                } else if (point.v > highValue) {
                    highValue = point.v;
                    high = beyond;
                }
            }
        } else {
            size_t inside = i;  // known to be in the column
            size_t step = 1;
            beyond = end;  // known to be past it (or the range's end)
            while (inside + step < end) {
                if (column(series.At(inside + step).t) != current) {
                    beyond = inside + step;
                    break;
                }
                inside += step;
                step *= 2;
            }
            while (beyond - inside > 1) {
                const size_t mid = inside + (beyond - inside) / 2;
                if (column(series.At(mid).t) == current) {
                    inside = mid;
                } else {
                    beyond = mid;
                }
            }
            series.Extremes(i, beyond, low, high);
        }
        EmitColumn(series, i, low, high, beyond - 1, out);
        i = beyond;
    }
    if (end < series.Size()) {
        out.push_back(series.At(end));
    }
    if (mode == PlotDrawMode::kStep) {
        AddStepCorners(out);
    }
}

void ThinColumnsForDrawing(std::vector<PlotPoint>& points, double t0, double t1, int width)
{
    if (!(t1 > t0) || width < 1 || points.size() < 3) {
        return;
    }
    const double scale = width / (t1 - t0);
    const double lastColumn = width - 1;
    // Columns of points outside the range are distinct from every column in it.
    auto column = [&](double t) {
        if (t < t0) {
            return -2;
        }
        if (t > t1) {
            return -3;
        }
        return static_cast<int>(std::min((t - t0) * scale, lastColumn));
    };
    size_t write = 0;
    size_t i = 0;
    while (i < points.size()) {
        const int current = column(points[i].t);
        size_t end = i + 1;
        while (end < points.size() && current >= 0 && column(points[end].t) == current) {
            ++end;
        }
        if (end - i < 3) {
            for (; i < end; ++i) {
                points[write++] = points[i];
            }
            continue;
        }
        double low = points[i].v;
        double high = low;
        for (size_t k = i + 1; k < end; ++k) {
            low = std::min(low, points[k].v);
            high = std::max(high, points[k].v);
        }
        const double first = points[i].t;
        const double last = points[end - 1].t;
        const bool lowFirst = write == 0 || std::abs(points[write - 1].v - low) <=
                                                std::abs(points[write - 1].v - high);
        points[write++] = {first, lowFirst ? low : high};
        points[write++] = {last, lowFirst ? high : low};
        i = end;
    }
    points.resize(write);
}
