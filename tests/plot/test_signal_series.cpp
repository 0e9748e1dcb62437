#include "plot/SignalSeries.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

std::vector<PlotPoint> Points(const SignalSeries& series)
{
    std::vector<PlotPoint> points;
    for (size_t i = 0; i < series.Size(); ++i) {
        points.push_back(series.At(i));
    }
    return points;
}

}  // namespace

TEST(SignalSeries, FullRingDropsTheOldestAndReusesItsStorage)
{
    SignalSeries series(3);
    for (int i = 0; i < 3; ++i) {
        series.Append(i, 10 * i);
    }
    const PlotPoint* storage = &series.At(0);
    for (int i = 3; i < 8; ++i) {
        series.Append(i, 10 * i);
    }
    EXPECT_EQ(Points(series), (std::vector<PlotPoint>{{5, 50}, {6, 60}, {7, 70}}));
    EXPECT_EQ(series.Dropped(), 5u);
    EXPECT_EQ(series.Front(), (PlotPoint{5, 50}));
    EXPECT_EQ(series.Back(), (PlotPoint{7, 70}));
    // Slots are overwritten in place: no reallocation once full.
    EXPECT_EQ(&series.At(1), storage);
}

TEST(SignalSeries, CapacityChangeKeepsTheNewest)
{
    SignalSeries series(4);
    for (int i = 0; i < 6; ++i) {
        series.Append(i, i);  // wraps: the ring starts mid-storage
    }
    series.SetCapacity(2);
    EXPECT_EQ(Points(series), (std::vector<PlotPoint>{{4, 4}, {5, 5}}));
    EXPECT_EQ(series.Dropped(), 4u);
    series.SetCapacity(5);
    series.Append(6, 6);
    series.Append(7, 7);
    series.Append(8, 8);
    series.Append(9, 9);
    EXPECT_EQ(Points(series), (std::vector<PlotPoint>{{5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}));
    series.SetCapacity(0);  // one at least
    EXPECT_EQ(Points(series), (std::vector<PlotPoint>{{9, 9}}));
}

TEST(SignalSeries, EarlierOrInvalidTimeIsHeldAtTheNewest)
{
    SignalSeries series;
    series.Append(2.0, 1);
    series.Append(1.0, 2);
    series.Append(std::numeric_limits<double>::quiet_NaN(), 3);
    series.Append(3.0, 4);
    EXPECT_EQ(Points(series), (std::vector<PlotPoint>{{2, 1}, {2, 2}, {2, 3}, {3, 4}}));
}

TEST(SignalSeries, ValueAtIsTheLastPointAtOrBefore)
{
    SignalSeries series(4);
    for (double t : {0.0, 1.0, 2.0, 2.0, 3.0, 4.0}) {  // drops 0 and 1
        series.Append(t, t * 10 + (t == 2.0 && series.Size() == 3 ? 1 : 0));
    }
    // Points now (2,20) (2,21) (3,30) (4,40).
    struct Row {
        double t;
        std::optional<double> value;
    };
    const Row rows[] = {
        {1.9, std::nullopt}, {2.0, 21.0}, {2.5, 21.0}, {3.0, 30.0}, {99.0, 40.0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(series.ValueAt(row.t), row.value) << row.t;
    }
    EXPECT_EQ(series.LowerBound(2.0), 0u);
    EXPECT_EQ(series.UpperBound(2.0), 2u);
    EXPECT_EQ(series.LowerBound(4.5), 4u);
    EXPECT_FALSE(SignalSeries().ValueAt(0.0));
}
