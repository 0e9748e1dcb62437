#pragma once

#include <chrono>
#include <cstdint>

// The engine behind the simulator's 11-bit message 0x100, "EngineData" in
// sim/talvox-sim.dbc, so that a decoded signal moves like one on a bench:
//
//   byte 0        Counter      rolling, one up per frame (kept by the caller)
//   bytes 1-2     EngineSpeed  little-endian, 0.25 rpm/bit: idle (800 rpm) up
//                              to 3000 rpm and back every 20 s
//   byte 3        CoolantTemp  degC + 40: 20 degC at start, warming towards 90
//   byte 4        Throttle     0.5 %/bit, open while the speed climbs
//   byte 5 bits 0-3 Gear       0 P, 1 R, 2 N, 3 D; a step every 4 s
//   the rest      left as they are
//
// Example: at 0 s the bytes 1-5 are 80 0C 3C 18 00 (3200 = 800 rpm, 60 = 20
// degC, 24 = 12 %, P).

inline constexpr uint32_t kEngineDataId = 0x100;

struct EngineSample {
    double speedRpm = 0.0;
    double coolantC = 0.0;
    double throttlePercent = 0.0;
    uint8_t gear = 0;
};

// The engine at a time since the simulator started (negative is taken as 0).
EngineSample EngineAt(std::chrono::microseconds sinceStart);

// Writes the sample into bytes 1 to 5 (the low nibble of byte 5) of data,
// rounding each value to its nearest step.
void WriteEngineData(const EngineSample& sample, uint8_t data[8]);
