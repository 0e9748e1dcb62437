#pragma once

#include <string>

#include "plot/PlotModel.h"

// Texts of the plot's cursor read-out. UTF-8; '.' is the decimal point.

// A value of the signal as the read-out shows it: with the decimals its
// factor and offset give ("2500", "-3.75"; floats in the shortest form that
// reads back the same), and the value-table text after it when the table
// names the value ("1 (Drive)"). "-" for no value.
std::string PlotValueText(const PlotSignal& signal, const std::optional<double>& value);

// The time to the microsecond and each signal's value holding at it:
// "12.345678 s   Engine.Speed [rpm] = 2500   Engine.Gear = 1 (Drive)".
std::string PlotReadout(const PlotModel& model, double t);
