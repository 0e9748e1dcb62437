#pragma once

#include <string>

class PlotModel;

// The plotted points as CSV text (UTF-8, "\n" line ends, no byte-order mark):
// a header "시간 [s]" followed by each signal's legend, then one row per
// distinct time of any signal, ascending, with the time in seconds to the
// microsecond and each signal's value at exactly that time; a cell stays empty
// where a signal has no point at that time. A signal with several points at
// one time gives as many rows. Numbers use '.' whatever the locale, values the
// shortest text that reads back to the same double; fields holding ',', '"'
// or a line end are quoted with '"' doubled.
//
//   시간 [s],Engine.Speed [rpm],Gear.Position
//   0.000000,2500,
//   0.010000,,3
std::string PlotCsv(const PlotModel& model);
