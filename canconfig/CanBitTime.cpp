#include "canconfig/CanBitTime.h"

#include <cstdio>

const std::array<BitTimePreset, kBitTimePresetCount> BitTimePresets = {{
    {"1M", 0x00000202},
    {"500K", 0x00020505},
    {"250K", 0x01020505},
    {"200K", 0x03000303},
    {"125K", 0x03020505},
    {"100K", 0x03020707},
    {"50K", 0x07020707},
    {"40K", 0x07070707},
    {"25K", 0x0F020707},
    {"20K", 0x0F070707},
}};

BitTimeFields SplitBitTime(CanBitTime value)
{
    BitTimeFields fields;
    fields.brp = static_cast<uint8_t>((value >> 24) & 0x3F);
    fields.prseg = static_cast<uint8_t>((value >> 16) & 0x07);
    fields.phseg1 = static_cast<uint8_t>((value >> 8) & 0x07);
    fields.phseg2 = static_cast<uint8_t>(value & 0x07);
    return fields;
}

CanBitTime MakeBitTime(const BitTimeFields& fields)
{
    return static_cast<CanBitTime>(fields.brp) << 24 | static_cast<CanBitTime>(fields.prseg) << 16 |
           static_cast<CanBitTime>(fields.phseg1) << 8 | fields.phseg2;
}

int BitTimeClocks(CanBitTime value)
{
    const BitTimeFields f = SplitBitTime(value);
    return (f.prseg + f.phseg1 + f.phseg2 + 4) * (f.brp + 1) * 2;
}

double CanBitRate(CanBitTime value)
{
    return 16000000.0 / BitTimeClocks(value);
}

BitTimeFault FindBitTimeFault(CanBitTime value)
{
    if (CanBitRate(value) > 1000000.0) {
        return BitTimeFault::kRateAboveOneMega;
    }
    const BitTimeFields f = SplitBitTime(value);
    if (f.phseg2 < 1) {
        return BitTimeFault::kPhseg2BelowOne;
    }
    if (f.prseg + f.phseg1 + 1 < f.phseg2) {
        return BitTimeFault::kSegmentsShorterThanPhseg2;
    }
    return BitTimeFault::kNone;
}

bool IsValidBitTime(CanBitTime value)
{
    return FindBitTimeFault(value) == BitTimeFault::kNone;
}

std::string FormatCanBitRate(CanBitTime value)
{
    const double rate = CanBitRate(value);
    char text[32];
    if (rate < 1000000.0) {
        std::snprintf(text, sizeof text, "CAN: %.2fK BPS", rate * 0.001);
    } else {
        std::snprintf(text, sizeof text, "CAN: %.2fM BPS", rate * 0.000001);
    }
    return text;
}

int FindBitTimePreset(CanBitTime value)
{
    for (int i = 0; i < kBitTimePresetCount; ++i) {
        if (BitTimePresets[static_cast<size_t>(i)].value == value) {
            return i;
        }
    }
    return -1;
}
