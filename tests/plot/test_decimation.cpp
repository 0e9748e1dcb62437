#include "plot/Decimation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include <gtest/gtest.h>

namespace {

SignalSeries Series(const std::vector<PlotPoint>& points, size_t capacity = 1000)
{
    SignalSeries series(capacity);
    for (const PlotPoint& point : points) {
        series.Append(point.t, point.v);
    }
    return series;
}

// The rule written the slow way: group every point in range by column, keep
// first, lowest (earliest of equals), highest (earliest of equals), last.
std::vector<PlotPoint> Reference(const std::vector<PlotPoint>& all, double t0, double t1, int width)
{
    std::vector<size_t> inside;
    std::optional<size_t> before;
    std::optional<size_t> after;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].t < t0) {
            before = i;
        } else if (all[i].t <= t1) {
            inside.push_back(i);
        } else if (!after) {
            after = i;
        }
    }
    std::vector<size_t> kept;
    if (before) {
        kept.push_back(*before);
    }
    std::map<int, std::vector<size_t>> columns;
    const double scale = width / (t1 - t0);
    for (size_t i : inside) {
        int column = static_cast<int>((all[i].t - t0) * scale);
        columns[std::min(column, width - 1)].push_back(i);
    }
    for (const auto& [column, indices] : columns) {
        std::set<size_t> chosen{indices.front(), indices.back()};
        chosen.insert(*std::min_element(indices.begin(), indices.end(),
                                        [&](size_t a, size_t b) { return all[a].v < all[b].v; }));
        chosen.insert(*std::max_element(indices.begin(), indices.end(),
                                        [&](size_t a, size_t b) { return all[a].v < all[b].v; }));
        kept.insert(kept.end(), chosen.begin(), chosen.end());
    }
    if (after) {
        kept.push_back(*after);
    }
    std::vector<PlotPoint> points;
    for (size_t i : kept) {
        points.push_back(all[i]);
    }
    return points;
}

}  // namespace

TEST(Decimation, SmallRangesComeWholeWithTheirNeighbours)
{
    const std::vector<PlotPoint> points = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}};
    const SignalSeries series = Series(points);
    struct Row {
        double t0, t1;
        int width;
        std::vector<PlotPoint> expected;
    };
    const Row rows[] = {
        {1.5, 2.5, 10, {{1, 2}, {2, 3}, {3, 4}}},
        {2.2, 2.8, 10, {{2, 3}, {3, 4}}},  // no point inside: the line across
        {3, 3, 10, {}},                    // empty range
        {0, 4, 0, {}},                     // no width
        {2, std::nextafter(2.0, 3.0), 1000, {{1, 2}, {2, 3}, {3, 4}}},  // one ulp wide
    };
    std::vector<PlotPoint> out;
    for (const Row& row : rows) {
        DecimateSeries(series, row.t0, row.t1, row.width, PlotDrawMode::kLine, out);
        EXPECT_EQ(out, row.expected) << row.t0 << ".." << row.t1;
    }
}

TEST(Decimation, MatchesTheReferenceAndTheBoundOnRandomSeries)
{
    std::mt19937 random(7);
    std::vector<PlotPoint> out;
    for (int round = 0; round < 200; ++round) {
        const int count = std::uniform_int_distribution<int>(0, 3000)(random);
        const size_t capacity = std::uniform_int_distribution<size_t>(1, 3000)(random);
        std::vector<PlotPoint> all;
        double t = 0;
        for (int i = 0; i < count; ++i) {
            t += std::uniform_int_distribution<int>(0, 3)(random) * 0.001;  // repeats too
            all.push_back(
                {t, static_cast<double>(std::uniform_int_distribution<int>(-9, 9)(random))});
        }
        const SignalSeries series = Series(all, capacity);
        all.erase(all.begin(), all.end() - static_cast<long>(series.Size()));
        const double t0 = std::uniform_real_distribution<double>(-0.5, t + 0.5)(random);
        const double t1 = t0 + std::uniform_real_distribution<double>(0.001, t + 1)(random);
        const int width = std::uniform_int_distribution<int>(1, 200)(random);

        DecimateSeries(series, t0, t1, width, PlotDrawMode::kLine, out);
        ASSERT_EQ(out, Reference(all, t0, t1, width))
            << "round " << round << " width " << width << " range " << t0 << ".." << t1;
        std::map<int, int> perColumn;
        for (const PlotPoint& point : out) {
            if (point.t >= t0 && point.t <= t1) {
                int column =
                    std::min(static_cast<int>((point.t - t0) * (width / (t1 - t0))), width - 1);
                ASSERT_LE(++perColumn[column], kMaxPointsPerColumn);
            }
        }
    }
}

TEST(Decimation, StepModeAddsCornersWhereTheValueChanges)
{
    const SignalSeries series = Series({{0, 1}, {1, 1}, {2, 3}, {3, 2}, {4, 2}});
    std::vector<PlotPoint> out;
    DecimateSeries(series, 0, 4, 100, PlotDrawMode::kStep, out);
    EXPECT_EQ(out,
              (std::vector<PlotPoint>{{0, 1}, {1, 1}, {2, 1}, {2, 3}, {3, 3}, {3, 2}, {4, 2}}));

    std::vector<PlotPoint> single = {{5, 9}};
    AddStepCorners(single);
    EXPECT_EQ(single, (std::vector<PlotPoint>{{5, 9}}));
}

// Thinned, each column holds at most two points spanning exactly the values
// it spanned, times never go back, and the points outside the range stay.
TEST(Decimation, ThinnedColumnsKeepTheirSpan)
{
    std::mt19937 random(11);
    std::vector<PlotPoint> out;
    for (int round = 0; round < 200; ++round) {
        SignalSeries series(5000);
        double t = 0;
        const int count = std::uniform_int_distribution<int>(0, 4000)(random);
        for (int i = 0; i < count; ++i) {
            t += std::uniform_int_distribution<int>(0, 3)(random) * 0.001;
            series.Append(t, std::uniform_int_distribution<int>(-50, 50)(random));
        }
        const double t0 = std::uniform_real_distribution<double>(-0.5, t)(random);
        const double t1 = t0 + std::uniform_real_distribution<double>(0.01, t + 1)(random);
        const int width = std::uniform_int_distribution<int>(1, 300)(random);
        DecimateSeries(series, t0, t1, width, PlotDrawMode::kLine, out);
        const std::vector<PlotPoint> whole = out;
        ThinColumnsForDrawing(out, t0, t1, width);

        const auto spans = [&](const std::vector<PlotPoint>& points) {
            std::map<int, std::pair<double, double>> span;  // column: low, high
            std::map<int, int> count;
            for (const PlotPoint& point : points) {
                const int column =
                    point.t < t0 ? -2
                    : point.t > t1
                        ? -3
                        : std::min(static_cast<int>((point.t - t0) * (width / (t1 - t0))),
                                   width - 1);
                auto [at, fresh] = span.try_emplace(column, point.v, point.v);
                at->second = {std::min(at->second.first, point.v),
                              std::max(at->second.second, point.v)};
                ++count[column];
            }
            return std::pair(span, count);
        };
        const auto [before, beforeCount] = spans(whole);
        const auto [after, afterCount] = spans(out);
        ASSERT_EQ(after, before) << "round " << round;
        for (const auto& [column, n] : afterCount) {
            if (column >= 0) {
                ASSERT_LE(n, 2) << "round " << round << " column " << column;
            }
        }
        ASSERT_TRUE(
            std::is_sorted(out.begin(), out.end(),
                           [](const PlotPoint& a, const PlotPoint& b) { return a.t < b.t; }));
        if (!whole.empty()) {
            ASSERT_EQ(out.front().t, whole.front().t);
            ASSERT_EQ(out.back().t, whole.back().t);
        }
    }
}
