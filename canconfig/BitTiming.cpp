#include "canconfig/BitTiming.h"

#include <algorithm>
#include <cmath>
#include <tuple>

int BitQuanta(CanBitTime value)
{
    const BitTimeFields f = SplitBitTime(value);
    return 1 + (f.prseg + 1) + (f.phseg1 + 1) + (f.phseg2 + 1);
}

double SamplePointPercent(CanBitTime value)
{
    const BitTimeFields f = SplitBitTime(value);
    return 100.0 * (1 + (f.prseg + 1) + (f.phseg1 + 1)) / BitQuanta(value);
}

std::vector<BitTimeCandidate> FindBitTimes(double wantedBitRate, double wantedSamplePointPercent)
{
    std::vector<BitTimeCandidate> found;
    if (!(wantedBitRate > 0)) {
        return found;
    }
    BitTimeFields fields;
    for (int brp = 0; brp <= 63; ++brp) {
        for (int prseg = 0; prseg <= 7; ++prseg) {
            for (int phseg1 = 0; phseg1 <= 7; ++phseg1) {
                for (int phseg2 = 1; phseg2 <= 7; ++phseg2) {
                    fields.brp = static_cast<uint8_t>(brp);
                    fields.prseg = static_cast<uint8_t>(prseg);
                    fields.phseg1 = static_cast<uint8_t>(phseg1);
                    fields.phseg2 = static_cast<uint8_t>(phseg2);
                    const CanBitTime value = MakeBitTime(fields);
                    const double rate = CanBitRate(value);
                    const double rateError = 100.0 * (rate - wantedBitRate) / wantedBitRate;
                    if (std::fabs(rateError) > kBitRateTolerancePercent || !IsValidBitTime(value)) {
                        continue;
                    }
                    BitTimeCandidate candidate;
                    candidate.value = value;
                    candidate.bitRate = rate;
                    candidate.rateErrorPercent = rateError;
                    candidate.samplePointPercent = SamplePointPercent(value);
                    candidate.samplePointErrorPercent =
                        candidate.samplePointPercent - wantedSamplePointPercent;
                    candidate.quanta = BitQuanta(value);
                    found.push_back(candidate);
                }
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const BitTimeCandidate& a, const BitTimeCandidate& b) {
        return std::make_tuple(std::fabs(a.samplePointErrorPercent), std::fabs(a.rateErrorPercent),
                               -a.quanta, a.value) <
               std::make_tuple(std::fabs(b.samplePointErrorPercent), std::fabs(b.rateErrorPercent),
                               -b.quanta, b.value);
    });
    return found;
}
