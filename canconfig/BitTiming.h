#pragma once

#include <vector>

#include "canconfig/CanBitTime.h"

// How a bit time divides one CAN bit, in time quanta of (BRP+1)*2 clock
// periods:
//
//   | sync 1 | PRSEG+1 | PHSEG1+1 | PHSEG2+1 |          (the formula's "+ 1"
//                                  ^ sample point        is the sync quantum)
//
//   quanta       = (PRSEG+1) + (PHSEG1+1) + (PHSEG2+1) + 1
//   sample point = (1 + (PRSEG+1) + (PHSEG1+1)) / quanta
//
// e.g. 0x01020505 ("250K"): 1 + 3 + 6 + 6 = 16 quanta, sampled after 10,
// at 62.5 %.
int BitQuanta(CanBitTime value);
double SamplePointPercent(CanBitTime value);

inline constexpr double kDefaultSamplePointPercent = 87.5;
// A rate within this of the wanted one counts as a hit.
inline constexpr double kBitRateTolerancePercent = 0.5;

struct BitTimeCandidate {
    CanBitTime value = 0;  // composed from the fields: no other bits
    double bitRate = 0;
    double rateErrorPercent = 0;  // signed, against the wanted rate
    double samplePointPercent = 0;
    double samplePointErrorPercent = 0;  // signed, in points of percent
    int quanta = 0;
};

// Every combination of the fields the configuration dialog offers (BRP 0..63,
// PRSEG 0..7, PHSEG1 0..7, PHSEG2 1..7) that IsValidBitTime accepts and whose
// rate lies within kBitRateTolerancePercent of the wanted one. Closest sample
// point first, then closest rate, then more quanta (finer placement of the
// sample point), then the smaller value. Empty for a wanted rate that is not
// positive.
std::vector<BitTimeCandidate> FindBitTimes(
    double wantedBitRate, double wantedSamplePointPercent = kDefaultSamplePointPercent);
