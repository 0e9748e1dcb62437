#pragma once

#include <vector>

#include "plot/SignalSeries.h"

enum class PlotDrawMode {
    kLine,  // straight lines between points
    kStep,  // a value holds until the next point (signals with a value table)
};

// Points kept per pixel column when a range holds more points than can be told
// apart: the column's first, lowest, highest and last, so that a one-sample
// spike still reaches its height and lines join the neighbouring columns.
constexpr int kMaxPointsPerColumn = 4;

// The points to draw for the time range [t0, t1] on `width` pixel columns, into
// `out` (cleared first; the caller keeps it between frames so that drawing
// allocates nothing once it has grown). The last point before t0 and the first
// after t1 come too, so that lines run to the edges. Of the points in range,
// those of each pixel column as above, in time order, each once: a column
// holding up to kMaxPointsPerColumn points gives them all. A point at time t
// lies in column floor((t - t0) * (width / (t1 - t0))), the one at t1 in the
// last.
//
// In step mode each point whose value differs from the one before is preceded
// by the corner (its time, the previous value), so at most twice as many.
// Nothing comes for an empty range (t1 <= t0) or a width below 1.
//
// Cost: a search for each column's end and a look at its blocks of points
// (SignalSeries::Extremes), not at every point.
void DecimateSeries(const SignalSeries& series, double t0, double t1, int width, PlotDrawMode mode,
                    std::vector<PlotPoint>& out);

// Inserts the step corners described above into a line's points, in place.
void AddStepCorners(std::vector<PlotPoint>& points);

// For drawing only: collapses each pixel column of `points` (as DecimateSeries
// gives them for the same t0, t1 and width) that holds three or more points
// to two, its lowest and highest value at the column's first and last time,
// the one nearer the line's previous value first. The column still covers the
// same values, but the line crosses it once instead of up to three times:
// a noisy signal, whose columns each span most of the plot's height, then
// costs the painter a third of the pixels. Points outside [t0, t1] stay.
void ThinColumnsForDrawing(std::vector<PlotPoint>& points, double t0, double t1, int width);
