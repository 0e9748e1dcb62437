#!/usr/bin/env python3
"""Decodes and encodes random frames with canmatrix and with dbc_oracle_tool,
and requires the same values from both.

Usage: oracle_test.py DBC_ORACLE_TOOL WORKDIR [SEED]

The DBC file made here covers little- and big-endian signals of 1 to 64 bits
(big-endian ones crossing bytes), signed and unsigned, float and double,
scaled ones, value tables and a multiplexed message. Where the signals lie is
worked out here on its own, bit by bit, from the file's start-bit convention,
so that the layout is not taken from either decoder.
"""
import math
import os
import random
import struct
import subprocess
import sys

import canmatrix.formats

FRAMES_PER_MESSAGE = 60
SCALINGS = [(1, 0), (1, 0), (0.1, 0), (0.25, -40), (0.5, 0), (2, 100), (0.001, -5), (-1, 3),
            (0.0625, 0.5)]


def occupied_bits(start, length, big_endian):
    """Positions (byte * 8 + bit) a signal covers, its most significant first
    for big-endian signals."""
    bits = []
    pos = start
    for _ in range(length):
        bits.append(pos)
        if big_endian:
            # Down to bit 0 of the byte, then on from bit 7 of the next one.
            pos = pos + 15 if pos % 8 == 0 else pos - 1
        else:
            pos += 1
    return bits


def try_place(rng, used, length, big_endian, size_bytes):
    starts = [start for start in range(size_bytes * 8)
              if all(0 <= b < size_bytes * 8 and b not in used
                     for b in occupied_bits(start, length, big_endian))]
    if not starts:
        return None
    start = rng.choice(starts)
    used.update(occupied_bits(start, length, big_endian))
    return start


class Sig:
    def __init__(self, name, start, length, big, signed, factor, offset, kind=0, mux=""):
        self.name, self.start, self.length, self.big = name, start, length, big
        self.signed, self.factor, self.offset, self.kind, self.mux = signed, factor, offset, kind, mux
        self.values = {}

    def line(self):
        order = "0" if self.big else "1"
        sign = "-" if self.signed else "+"
        mux = " " + self.mux if self.mux else ""
        return (f' SG_ {self.name}{mux} : {self.start}|{self.length}@{order}{sign} '
                f'({self.factor!r},{self.offset!r}) [0|0] "u" Rx')


def random_signal(rng, name, used, size_bytes, mux=""):
    kind = rng.choice([0] * 8 + [1, 2])
    length = {1: 32, 2: 64}.get(kind) or rng.choice(
        [1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 16, 17, 20, 24, 31, 32, 33, 40, 48, 53, 63, 64])
    big = rng.random() < 0.5
    start = try_place(rng, used, length, big, size_bytes)
    if start is None:
        return None
    signed = kind == 0 and rng.random() < 0.4
    factor, offset = (1, 0) if kind else rng.choice(SCALINGS)
    if length > 50 and kind == 0 and rng.random() < 0.5:
        factor, offset = 1, 0
    sig = Sig(name, start, length, big, signed, factor, offset, kind, mux)
    if kind == 0 and not signed and length <= 8 and (factor, offset) == (1, 0) and rng.random() < 0.7:
        sig.values = {v: f"State {v}" for v in range(0, min(1 << length, 6))}
    return sig


def make_dbc(rng, path):
    messages = []  # (id in file, name, size, [Sig], extended, plain id)
    for index in range(40):
        extended = index % 3 == 0
        plain_id = rng.randrange(1 << 29) if extended else 0x100 + index
        size = 8 if index % 5 else rng.choice([4, 6, 8])
        used = set()
        signals = []
        for k in range(rng.randrange(1, 9)):
            sig = random_signal(rng, f"S{index}_{k}", used, size)
            if sig:
                signals.append(sig)
        messages.append([plain_id | (0x80000000 if extended else 0), f"M{index}", size, signals,
                         extended, plain_id])
    # Multiplexed: an 8-bit selector, a plain signal, and four groups laid
    # out apart from the selector and the plain signal but over each other.
    for m in range(3):
        used = set()
        selector = Sig(f"Mux{m}", 0 if m != 1 else 7, 8, m == 1, False, 1, 0, mux="M")
        used.update(occupied_bits(selector.start, 8, selector.big))
        signals = [selector]
        plain = random_signal(rng, f"Plain{m}", used, 8)
        if plain:
            signals.append(plain)
        for value in range(4):
            group_used = set(used)
            for k in range(3):
                sig = random_signal(rng, f"X{m}_{value}_{k}", group_used, 8, mux=f"m{value}")
                if sig:
                    signals.append(sig)
        messages.append([0x700 + m, f"Muxed{m}", 8, signals, False, 0x700 + m])

    lines = ['VERSION "oracle"', "", "NS_ :", "\tCM_", "\tBA_DEF_", "\tVAL_", "\tSIG_VALTYPE_", "",
             "BS_:", "", "BU_: Tx Rx", ""]
    for file_id, name, size, signals, _, _ in messages:
        lines.append(f"BO_ {file_id} {name}: {size} Tx")
        lines += [s.line() for s in signals]
        lines.append("")
    for file_id, _, _, signals, _, _ in messages:
        for s in signals:
            if s.values:
                texts = " ".join(f'{v} "{t}"' for v, t in s.values.items())
                lines.append(f"VAL_ {file_id} {s.name} {texts} ;")
    for file_id, _, _, signals, _, _ in messages:
        for s in signals:
            if s.kind:
                lines.append(f"SIG_VALTYPE_ {file_id} {s.name} : {s.kind};")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return messages


def same_number(a, b, single):
    a, b = float(a), float(b)
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    if math.isinf(a) or math.isinf(b):
        return a == b
    tolerance = 1e-6 if single else 1e-12
    return abs(a - b) <= tolerance * max(1.0, abs(a), abs(b))


def representable_raw(rng, sig):
    """A raw value whose physical value reads back to it exactly."""
    if sig.signed:
        raw = rng.randrange(-(1 << (sig.length - 1)), 1 << (sig.length - 1))
    else:
        raw = rng.randrange(1 << sig.length)
    if sig.length > 50:
        raw &= ~((1 << (sig.length - 50)) - 1)
    return raw


def main():
    tool, workdir = sys.argv[1], sys.argv[2]
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20261207
    rng = random.Random(seed)
    os.makedirs(workdir, exist_ok=True)
    dbc_path = os.path.join(workdir, "oracle.dbc")
    messages = make_dbc(rng, dbc_path)
    db = canmatrix.formats.loadp_flat(dbc_path)

    commands, expectations = [], []
    for file_id, name, size, signals, extended, plain_id in messages:
        frame = db.frame_by_name(name)
        kind = "E" if extended else "S"
        by_name = {s.name: s for s in signals}
        for _ in range(FRAMES_PER_MESSAGE):
            data = bytes(rng.randrange(256) for _ in range(size))
            if name.startswith("Muxed") and rng.random() < 0.8:
                # Mostly selectors that pick a group.
                data = bytes([rng.randrange(5)]) + data[1:]
            decoded = frame.decode(data)
            expected = {k: (v.raw_value, v.phys_value, by_name[k], v.named_value)
                        for k, v in decoded.items()}
            commands.append(f"D {kind} {plain_id:x} {data.hex()}")
            expectations.append(("decode", name, data.hex(), expected))
        for _ in range(FRAMES_PER_MESSAGE // 3):
            chosen = signals
            raws = {}
            if name.startswith("Muxed"):
                value = rng.randrange(4)
                chosen = [s for s in signals if s.mux in ("", "M", f"m{value}")]
            for s in chosen:
                if s.kind == 1:
                    raws[s.name] = struct.unpack("<f", struct.pack("<f", rng.uniform(-1e6, 1e6)))[0]
                elif s.kind == 2:
                    raws[s.name] = rng.uniform(-1e12, 1e12)
                elif s.mux == "M":
                    raws[s.name] = value
                elif s.length <= 50 or (s.factor, s.offset) == (1, 0):
                    raws[s.name] = representable_raw(rng, s)
            physical = {}
            for s in chosen:
                if s.name in raws:
                    physical[s.name] = raws[s.name] * s.factor + s.offset
            expected_bytes = bytes(frame.encode(raws)).hex()
            text = " ".join(f"{k}={v!r}" for k, v in physical.items())
            commands.append(f"E {kind} {plain_id:x} {size} {text}")
            expectations.append(("encode", name, text, expected_bytes))

    result = subprocess.run([tool, dbc_path], input="\n".join(commands) + "\n",
                            capture_output=True, text=True, check=False)
    if result.returncode != 0:
        print(result.stderr)
        print("0 passed, 1 failed")
        return 1
    answers = result.stdout.splitlines()
    if len(answers) != len(expectations):
        print(f"the tool answered {len(answers)} lines for {len(expectations)} commands")
        print("0 passed, 1 failed")
        return 1

    import json
    passed = failed = 0
    for expectation, answer in zip(expectations, answers):
        problems = []
        if expectation[0] == "decode":
            _, name, data_hex, expected = expectation
            ours = json.loads(answer)
            if set(ours) != set(expected):
                problems.append(f"signals {sorted(ours)} != canmatrix {sorted(expected)}")
            for signal_name, (raw, phys, sig, named) in expected.items():
                if signal_name not in ours:
                    continue
                our_raw, our_phys, our_text = ours[signal_name]
                single = sig.kind == 1
                if sig.kind == 0 and our_raw != raw:
                    problems.append(f"{signal_name}: raw {our_raw} != canmatrix {raw}")
                if not same_number(our_phys, phys, single):
                    problems.append(f"{signal_name}: physical {our_phys} != canmatrix {phys}")
                # Value tables describe raw values. canmatrix looks its texts
                # up by the physical value, which is the same only for
                # signals without scaling: the only ones given tables here.
                want_text = sig.values.get(raw, "")
                if our_text != want_text or (want_text and named != want_text):
                    problems.append(f"{signal_name}: text {our_text!r}, canmatrix {named!r}, "
                                    f"file {want_text!r}")
            where = f"decode {name} {data_hex}"
        else:
            _, name, text, expected_bytes = expectation
            if answer != expected_bytes:
                problems.append(f"bytes {answer} != canmatrix {expected_bytes}")
            where = f"encode {name} {text}"
        if problems:
            failed += 1
            if failed <= 20:
                print(where)
                for p in problems:
                    print("   ", p)
        else:
            passed += 1
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
