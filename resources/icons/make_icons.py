#!/usr/bin/env python3
"""Draws the analyzer's icons: the 16 x 15 tool-bar icons as pixel art and
the program's icon at the sizes of the hicolor theme. Run from anywhere; it
writes the PNG files beside itself. Only the standard library is needed."""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PALETTE = {
    ".": None,
    "k": (32, 32, 32),
    "w": (255, 255, 255),
    "e": (150, 150, 150),
    "E": (212, 212, 212),
    "y": (240, 200, 80),
    "Y": (190, 140, 40),
    "b": (40, 96, 192),
    "B": (128, 176, 240),
    "g": (32, 150, 64),
    "G": (110, 215, 110),
    "r": (200, 40, 40),
    "R": (240, 130, 130),
    "o": (230, 130, 20),
    "p": (120, 80, 30),
}


def write_png(path, width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def grid(text):
    rows = [line for line in text.strip("\n").split("\n")]
    rows = [row.ljust(16, ".") for row in rows]
    rows += ["." * 16] * (15 - len(rows))
    assert len(rows) == 15 and all(len(r) == 16 for r in rows), text
    return [list(r) for r in rows]


def overlay(base, top, left, upper):
    out = [row[:] for row in base]
    for y, line in enumerate(top.strip("\n").split("\n")):
        for x, ch in enumerate(line):
            if ch not in " ." and 0 <= upper + y < 15 and 0 <= left + x < 16:
                out[upper + y][left + x] = ch
    return out


def save_icon(name, cells):
    rows = []
    for row in cells:
        line = []
        for ch in row:
            colour = PALETTE[ch]
            line += [0, 0, 0, 0] if colour is None else [*colour, 255]
        rows.append(line)
    write_png(os.path.join(HERE, name + ".png"), 16, 15, rows)


DOC = """
kkkkkkkkkk
kwwwwwwwwk
kwkkkkkkwk
kwwwwwwwwk
kwkkkkkwwk
kwwwwwwwwk
kwkkkkkkwk
kwwwwwwwwk
kwkkkkwwwk
kwwwwwwwwk
kwwwwwwwwk
kwwwwwwwwk
kkkkkkkkkk
"""

DOC_RECEIVED = DOC.replace("kwkkkkkkwk", "kwbbbbbbwk").replace("kwkkkkkwwk", "kwbbbbbwwk").replace(
    "kwkkkkwwwk", "kwbbbbwwwk")
# A recorded trace: a document carrying a bus wave form.
DOC_TRACE = """
kkkkkkkkkk
kwwwwwwwwk
kwwwwwwwwk
kwbbbwbbwk
kwbwbwbwwk
kwbwbwbwwk
kbbwbbbwbk
kwwwwwwwwk
kwkkkkkwwk
kwwwwwwwwk
kwkkkkwwwk
kwwwwwwwwk
kkkkkkkkkk
"""
DOC_EVENTS = """
kkkkkkkkkk
kwwwwwwwwk
kwkkkkkkwk
kwwwwwwwwk
kwrrrrrwwk
kwwwwwwwwk
kwbbbbbbwk
kwwwwwwwwk
kwkkkkwwwk
kwwwwwwwwk
kwwwwwwwwk
kwwwwwwwwk
kkkkkkkkkk
"""

PLUS = """
..kkk..
..kgk..
kkkgkkk
kgggggk
kkkgkkk
..kgk..
..kkk..
"""
CROSS = """
kk...kk
krk.krk
.krkrk.
..krk..
.krkrk.
krk.krk
kk...kk
"""
PENCIL = """
......kk
.....kRk
....kook
...kook.
..kook..
.kook...
kpkk....
kk......
"""
PLAY = """
kk...
kgk..
kggk.
kgggk
kggk.
kgk..
kk...
"""
STOP = """
kkkkk
krrrk
krrrk
krrrk
kkkkk
"""

CLOCK = """
...kkkkk...
..kBBBBBk..
.kBwwkwwBk.
kBwwwkwwwBk
kBwwwkwwwBk
kBwwwkkkwBk
kBwwwwwwwBk
kBwwwwwwwBk
.kBwwwwwBk.
..kBBBBBk..
...kkkkk...
"""

BOX = """
....kkkkkkkkkkk.
....keeeeeeeeek.
....keGeEEEEEek.
....keeeeeeeeek.
....kkkkkkkkkkk.
.....k.k.k.k.k..
"""
ARROW_OUT = """
...k
..kbk
.kbbkkkkkk
kbbbbbbbbk
.kbbkkkkkk
..kbk
...k
"""
ARROW_IN = """
......k
......kok
kkkkkkkook
koooooooook
kkkkkkkook
......kok
......k
"""

ICONS = {
    "open": grid("""
................
.kkkk...........
kYYYYk..........
kYYYYYkkkkkkk...
kYYYYYYYYYYYk...
kYYkkkkkkkkkkkkk
kYkyyyyyyyyyyyyk
kYkyyyyyyyyyyyk.
kkyyyyyyyyyyyyk.
kkyyyyyyyyyyyk..
kyyyyyyyyyyyyk..
kkkkkkkkkkkkk...
"""),
    "save": grid("""
................
kkkkkkkkkkkkkkk.
kbbwwwwwwwwwbbk.
kbbwwwwwwwwwbbk.
kbbwwwwwwwwwbbk.
kbbwwwwwwwwwbbk.
kbbbbbbbbbbbbbk.
kbbbbbbbbbbbbbk.
kbbbEEEEEEEbbbk.
kbbbEkkEEEEbbbk.
kbbbEkkEEEEbbbk.
kbbbEkkEEEEbbbk.
kbbbEEEEEEEbbbk.
kkkkkkkkkkkkkkk.
"""),
    "read_config": overlay(grid(BOX), ARROW_OUT, 0, 7),
    "write_config": overlay(grid(BOX), ARROW_IN, 0, 7),
    "reception_start": grid("""
................
.kk.............
.kgk.......k....
.kggk...k...k...
.kgggk...k...k..
.kggggk..k...k..
.kgggggk.k...k..
.kggggk..k...k..
.kgggk...k...k..
.kggk...k...k...
.kgk.......k....
.kk.............
"""),
    "reception_stop": grid("""
................
................
...........e....
.kkkkkkkk...e...
.krrrrrrk.e..e..
.krrrrrrk..e.e..
.krrrrrrk..e.e..
.krrrrrrk..e.e..
.krrrrrrk.e..e..
.kkkkkkkk...e...
...........e....
"""),
    "send": grid("""
................
................
.........k......
.........kk.....
.........kgk....
.kkkkkkkkkggk...
.kGGGGGGGGgggk..
.kGGGGGGGGggggk.
.kGGGGGGGGgggk..
.kkkkkkkkkggk...
.........kgk....
.........kk.....
.........k......
"""),
    "reset": grid("""
................
.....kkkkkk.....
...kkookooookk..
..kookk..kkook..
.kokk......koo.k
.kok........kook
kok........koook
kok.........kkkk
kok.............
kok.............
.kok.......kok..
.kokk.....kkok..
..kookkkkkook...
...kkoooooook...
.....kkkkkk.....
"""),
    "add": overlay(grid(DOC), PLUS, 9, 8),
    "modify": overlay(grid(DOC), PENCIL, 8, 7),
    "delete": overlay(grid(DOC), CROSS, 9, 8),
    "rdata_log_start": overlay(grid(DOC_RECEIVED), PLAY, 11, 8),
    "rdata_log_stop": overlay(grid(DOC_RECEIVED), STOP, 11, 9),
    "event_log_start": overlay(grid(DOC_EVENTS), PLAY, 11, 8),
    "trace_record_start": overlay(grid(DOC_TRACE), PLAY, 11, 8),
    "trace_record_stop": overlay(grid(DOC_TRACE), STOP, 11, 9),
    "event_log_stop": overlay(grid(DOC_EVENTS), STOP, 11, 9),
    "periodic_start": overlay(overlay(grid(""), CLOCK, 0, 2), PLAY, 11, 6),
    "periodic_stop": overlay(overlay(grid(""), CLOCK, 0, 2), STOP, 11, 7),
    "about": grid("""
.....kkkkkk.....
...kkbbbbbbkk...
..kbbbbwwbbbbk..
.kbbbbbwwbbbbbk.
.kbbbbbbbbbbbbk.
kbbbbbwwwbbbbbbk
kbbbbbbwwbbbbbbk
kbbbbbbwwbbbbbbk
kbbbbbbwwbbbbbbk
.kbbbbbwwbbbbbk.
.kbbbbwwwwbbbbk.
..kbbbbbbbbbbk..
...kkbbbbbbkk...
.....kkkkkk.....
"""),
}


# The program's icon: a blue rounded square carrying a white CAN-bus square
# wave and the two activity lamps, drawn with 4 x 4 supersampling.
def app_icon_coverage(size):
    def rounded_square(x, y):
        r = 0.18
        cx = min(max(x, r + 0.04), 0.96 - r)
        cy = min(max(y, r + 0.04), 0.96 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    wave = [(0.14, 0.56), (0.30, 0.56), (0.30, 0.30), (0.50, 0.30), (0.50, 0.56),
            (0.70, 0.56), (0.70, 0.30), (0.86, 0.30)]
    stroke = 0.055

    def on_wave(x, y):
        for (x0, y0), (x1, y1) in zip(wave, wave[1:]):
            if min(x0, x1) - stroke <= x <= max(x0, x1) + stroke and \
               min(y0, y1) - stroke <= y <= max(y0, y1) + stroke:
                return True
        return False

    lamps = [((0.36, 0.76), (80, 220, 90)), ((0.64, 0.76), (80, 220, 90))]

    rows = []
    samples = 4
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    colour = None
                    if rounded_square(x, y):
                        shade = 1.0 - 0.35 * y
                        colour = (int(30 * shade), int(90 * shade), int(170 * shade))
                        if on_wave(x, y):
                            colour = (255, 255, 255)
                        for (lx, ly), lamp in lamps:
                            d = math.hypot(x - lx, y - ly)
                            if d <= 0.085:
                                colour = lamp if d <= 0.065 else (20, 40, 70)
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = samples * samples
            if acc[3] == 0:
                row += [0, 0, 0, 0]
            else:
                row += [int(acc[0] / acc[3]), int(acc[1] / acc[3]), int(acc[2] / acc[3]),
                        int(255 * acc[3] / n)]
        rows.append(row)
    return rows


# The transmit list's row icon, 20 x 20: one CAN frame, identifier then data.
ROW_ICON = """
....................
....................
....................
....................
.kkkkkkkkkkkkkkkkkk.
.kbbbbbkwwwwwwwwwwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbbbbbkwwwwwwwwwwk.
.kkkkkkkkkkkkkkkkkk.
.........k..........
.........k..........
.......kkkkk........
....................
....................
....................
....................
"""


# A row that is being sent periodically: the same frame with a clock below it.
ROW_PERIODIC_ICON = """
....................
....................
.kkkkkkkkkkkkkkkkkk.
.kbbbbbkwwwwwwwwwwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbBBBbkwGGwGGwGGwk.
.kbbbbbkwwwwwwwwwwk.
.kkkkkkkkkkkkkkkkkk.
....................
...........kkkkk....
..........kBBBBBk...
.........kBwwkwwBk..
.........kBwwkwwBk..
.........kBwwkkkBk..
.........kBwwwwwBk..
..........kBBBBBk...
...........kkkkk....
"""


def save_grid(name, text, width, height):
    rows = []
    for line in text.strip("\n").split("\n"):
        row = []
        for ch in line.ljust(width, "."):
            colour = PALETTE[ch]
            row += [0, 0, 0, 0] if colour is None else [*colour, 255]
        rows.append(row)
    assert len(rows) == height
    write_png(os.path.join(HERE, name + ".png"), width, height, rows)


def main():
    for name, cells in ICONS.items():
        save_icon(name, cells)
    save_grid("row", ROW_ICON, 20, 20)
    save_grid("row_periodic", ROW_PERIODIC_ICON, 20, 20)
    for size in (16, 32, 48, 64, 128, 256):
        write_png(os.path.join(HERE, "talvox-analyzer-%d.png" % size), size, size,
                  app_icon_coverage(size))


if __name__ == "__main__":
    main()
