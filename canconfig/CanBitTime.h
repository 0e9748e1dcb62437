#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The converter's 32-bit CAN bit time, one timing field per byte (16 MHz clock):
//
//   bits 29..24 BRP (0..63)   bits 18..16 PRSEG (0..7)
//   bits 10..8  PHSEG1 (0..7) bits  2..0  PHSEG2 (1..7)
//
//   BIT_TIME = ((BRP+1)*2) * ((PRSEG+1) + (PHSEG1+1) + (PHSEG2+1) + 1)
//   rate     = 16 MHz / BIT_TIME     e.g. 0x01020505 -> 64 -> 250 kbit/s
//
// Other bits are ignored when read and zero when composed.
using CanBitTime = uint32_t;

struct BitTimeFields {
    uint8_t brp = 0;
    uint8_t prseg = 0;
    uint8_t phseg1 = 0;
    uint8_t phseg2 = 1;
};

struct BitTimePreset {
    std::string_view label;
    CanBitTime value;
};

inline constexpr int kBitTimePresetCount = 10;
// In the order of the configuration dialog's bit-rate list.
extern const std::array<BitTimePreset, kBitTimePresetCount> BitTimePresets;

// The "250K" preset, index 2.
inline constexpr CanBitTime DefaultBitTime = 0x01020505;
inline constexpr int kDefaultBitTimePreset = 2;

BitTimeFields SplitBitTime(CanBitTime value);
CanBitTime MakeBitTime(const BitTimeFields& fields);
// BIT_TIME in clock periods: always even, 8 .. 3200.
int BitTimeClocks(CanBitTime value);
double CanBitRate(CanBitTime value);
// The first rule a bit time breaks, in the order they are checked: the rate
// is at most 1 Mbit/s, PHSEG2 >= 1, PRSEG + PHSEG1 + 1 >= PHSEG2.
enum class BitTimeFault { kNone, kRateAboveOneMega, kPhseg2BelowOne, kSegmentsShorterThanPhseg2 };
BitTimeFault FindBitTimeFault(CanBitTime value);
// No rule broken.
bool IsValidBitTime(CanBitTime value);
// "CAN: %.2fK BPS" below 1 Mbit/s, else "CAN: %.2fM BPS".
std::string FormatCanBitRate(CanBitTime value);
// Index of the preset equal to value in all 32 bits, or -1.
int FindBitTimePreset(CanBitTime value);
