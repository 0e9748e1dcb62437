#!/usr/bin/env python3
"""Reads sim/talvox-sim.dbc with canmatrix and requires what the simulator
sends: each fixed identifier with its width, length and cycle time, and the
engine message's bytes (as sim/EngineData.h lays them out) decoding to the
engine's values.

Usage: sim_dbc_canmatrix.py TALVOX_SIM_DBC
"""
import sys

import canmatrix.formats

# (identifier, 29-bit, length, cycle time in ms), as in the simulator's mix.
MESSAGES = [
    (0x100, False, 8, 10),
    (0x1A0, False, 4, 50),
    (0x2F0, False, 2, 100),
    (0x3E8, False, 8, 1000),
    (0x0CF00400, True, 8, 20),
    (0x18FEF100, True, 8, 100),
]

# Engine bytes at 0 s and 10 s of the simulator's clock, with the physical
# values and the gear's text.
ENGINE_FRAMES = [
    (bytes([0x05, 0x80, 0x0C, 0x3C, 0x18, 0x00, 0xAA, 0xBB]),
     {"Counter": 5, "EngineSpeed": 800, "CoolantTemp": 20, "Throttle": 12, "Gear": 0}, "P"),
    (bytes([0xFF, 0xE0, 0x2E, 0x47, 0x18, 0xA2, 0x00, 0x00]),
     {"Counter": 255, "EngineSpeed": 3000, "CoolantTemp": 31, "Throttle": 12, "Gear": 2}, "N"),
]


def main():
    matrix = canmatrix.formats.loadp_flat(sys.argv[1])
    faults = []
    found = sorted((f.arbitration_id.id, f.arbitration_id.extended, f.size, f.cycle_time)
                   for f in matrix.frames)
    if found != sorted(MESSAGES):
        faults.append(f"messages {found} != {sorted(MESSAGES)}")
    engine = matrix.frame_by_id(canmatrix.ArbitrationId(0x100, extended=False))
    for data, expected, gear_text in ENGINE_FRAMES:
        decoded = engine.decode(data)
        values = {name: float(signal.phys_value) for name, signal in decoded.items()}
        if values != {name: float(value) for name, value in expected.items()}:
            faults.append(f"{data.hex(' ')}: {values} != {expected}")
        text = decoded["Gear"].signal.values.get(decoded["Gear"].raw_value)
        if text != gear_text:
            faults.append(f"{data.hex(' ')}: gear {text!r} != {gear_text!r}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
