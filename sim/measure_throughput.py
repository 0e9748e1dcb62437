#!/usr/bin/env python3
"""Measures talvox-sim's output rate through its pseudo-terminal.

Usage: measure_throughput.py PATH-TO-talvox-sim [seconds]
Starts the simulator in flood mode at several line settings, switches reception
on, reads for the given time (default 5 s) and prints bytes/s and frames/s, and
the simulator's CPU time per second of run.
"""
import os
import select
import subprocess
import sys
import termios
import time
import tty

RECEPTION_ON = b":G11A9\r"


def measure(sim, args, seconds):
    proc = subprocess.Popen([sim, "--flood", "--seed", "1"] + args, stdout=subprocess.PIPE)
    path = proc.stdout.readline().decode().strip()
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    os.write(fd, RECEPTION_ON)
    total = frames = 0
    start = time.monotonic()
    end = start + seconds
    while time.monotonic() < end:
        ready, _, _ = select.select([fd], [], [], max(0.0, end - time.monotonic()))
        if ready:
            data = os.read(fd, 65536)
            total += len(data)
            frames += data.count(b"\r")
    elapsed = time.monotonic() - start
    with open(f"/proc/{proc.pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    proc.terminate()
    proc.wait()
    os.close(fd)
    return total / elapsed, frames / elapsed, cpu / elapsed


def main():
    sim = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
    for label, args in [("--baud 9600", ["--baud", "9600"]),
                        ("--baud 115200", ["--baud", "115200"]),
                        ("--baud 230400", ["--baud", "230400"]),
                        ("--no-pace", ["--no-pace"])]:
        rate, frame_rate, cpu = measure(sim, args, seconds)
        print(f"flood {label:15s} {rate:12.0f} bytes/s {frame_rate:10.0f} frames/s "
              f"cpu {cpu * 100:5.1f}%")


if __name__ == "__main__":
    main()
