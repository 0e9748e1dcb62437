#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dbc/DbcModel.h"

// Signals out of and into the data bytes of a classic CAN frame (at most 8).
//
// Example: EngineSpeed "7|16@0+ (0.25,0)" on data 27 10 ...: raw 0x2710 =
// 10000, physical 2500. Gear "16|4@1+" on byte 2 = 0x32: raw 2.

struct DbcSignalValue {
    const DbcSignal* signal = nullptr;
    // False when the signal's bytes lie beyond the frame's data (or beyond the
    // message's stated length, or beyond 8 bytes); the rest is then zero.
    bool available = false;
    uint64_t raw = 0;            // the signal's bits, zero-extended
    int64_t rawSigned = 0;       // sign-extended for signed signals, else raw
    double physical = 0.0;       // raw * factor + offset; floats: their value
    std::string_view valueText;  // the VAL_ text for the raw value; empty when none
    bool outsideRange = false;   // physical below minimum or above maximum (when a range is set)
};

// Decodes the signals of `message` that this frame carries into `out`, which
// is cleared first and which the caller keeps between calls so that no
// allocation happens once it has grown. `data` holds `dlc` bytes (dlc is
// clamped to 8). In a multiplexed message: the multiplexer, the plain signals
// and those whose multiplexer value is the frame's; when the multiplexer is
// not in the frame, none of the multiplexed ones. Values keep the message's
// signal order; valueText points into `message`, which must outlive `out`.
void DecodeMessage(const DbcMessage& message, const uint8_t* data, int dlc,
                   std::vector<DbcSignalValue>& out);

// One signal; `value.available` false when it is not within the first dlc bytes.
DbcSignalValue DecodeSignal(const DbcSignal& signal, const uint8_t* data, int dlc);

enum class DbcEncodeStatus {
    kOk,
    kNotInFrame,     // the signal lies beyond 8 bytes or its message's length
    kOutOfRawRange,  // the nearest raw value does not fit the signal's bits (or is no number)
    kOutsideRange,   // fits the bits, but the value asked for is outside minimum..maximum
};

// Writes the raw value nearest to `physical` ((physical - offset) / factor,
// rounded half away from zero; floats: that quotient as float or double) into
// the signal's bits of `data`, leaving the other bits. `data` is changed only
// when the result is kOk.
DbcEncodeStatus EncodeSignal(const DbcSignal& signal, double physical, uint8_t data[8]);

// Writes the low `length` bits of `raw` into the signal's bits. False, with
// `data` unchanged, when the signal is not within 8 bytes.
bool WriteSignalRaw(const DbcSignal& signal, uint64_t raw, uint8_t data[8]);
