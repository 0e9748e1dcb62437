#!/usr/bin/python3
"""Checks the trace files against their peers: python-can reads what the
analyzer writes, the analyzer reads what python-can writes, and can-utils
log2asc converts the analyzer's candump log into an ASC file the analyzer
reads back.

usage: interop.py <trace_interop_tool> <work folder> <log2asc>
"""
import os
import shutil
import subprocess
import sys

import can

CAN_ERR_FLAG = 0x20000000


class Record:
    def __init__(self, line):
        fields = line.split()
        self.time_us = int(fields[0])
        self.id = int(fields[1], 16)
        self.extended, self.remote, self.error, self.tx, self.dlc = (int(f) for f in fields[2:7])
        self.data = bytes.fromhex(fields[7])[: 0 if self.remote else self.dlc]

    def __repr__(self):
        return f"<{self.time_us} {self.id:X} x{self.extended} r{self.remote} e{self.error} {self.dlc} {self.data.hex()}>"


failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def read_ours(tool, path):
    out = subprocess.run([tool, "read", path], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    unparsed = int(lines[0].split()[1])
    return unparsed, [Record(line) for line in lines[1:]]


def same_time(seconds, time_us, what):
    check(abs(seconds * 1e6 - time_us) <= 1.0, f"{what}: time {seconds:.6f} != {time_us} us")


def compare_frame(msg, rec, what, times=True, remote_dlc=True):
    """A python-can message against one of our records."""
    if rec.error:
        check(msg.is_error_frame, f"{what}: not an error frame: {msg}")
    else:
        check(not msg.is_error_frame, f"{what}: an error frame")
        check(msg.arbitration_id == rec.id, f"{what}: id {msg.arbitration_id:X} != {rec.id:X}")
        check(msg.is_extended_id == bool(rec.extended), f"{what}: extended flag")
        check(msg.is_remote_frame == bool(rec.remote), f"{what}: remote flag")
        if remote_dlc or not rec.remote:
            check(msg.dlc == rec.dlc, f"{what}: dlc {msg.dlc} != {rec.dlc}")
        if not rec.remote:
            check(bytes(msg.data) == rec.data, f"{what}: data {bytes(msg.data).hex()} != {rec.data.hex()}")
    if times:
        same_time(msg.timestamp, rec.time_us, what)


def python_reads_ours(folder, expected):
    with can.CanutilsLogReader(os.path.join(folder, "ours.log")) as reader:
        messages = list(reader)
    check(len(messages) == len(expected), f"ours.log: python-can read {len(messages)} of {len(expected)}")
    for i, (msg, rec) in enumerate(zip(messages, expected)):
        what = f"ours.log #{i}"
        if rec.error:
            # python-can 4.1 takes only a bus error for an error frame; any
            # other class it reads as a 29-bit frame whose identifier is the
            # class: the line must carry the flag, the class and the 8 bytes.
            check(msg.is_error_frame or
                  (msg.arbitration_id == rec.id and msg.is_extended_id and msg.dlc == 8
                   and bytes(msg.data) == rec.data), f"{what}: error frame read as {msg}")
            same_time(msg.timestamp, rec.time_us, what)
        else:
            compare_frame(msg, rec, what)

    with can.ASCReader(os.path.join(folder, "ours.asc"), relative_timestamp=False) as reader:
        messages = list(reader)
    check(len(messages) == len(expected), f"ours.asc: python-can read {len(messages)} of {len(expected)}")
    for i, (msg, rec) in enumerate(zip(messages, expected)):
        compare_frame(msg, rec, f"ours.asc #{i}")


def python_messages():
    start = 1700000000.123456
    messages = []
    for i in range(40):
        extended = i % 2 == 1
        remote = i % 5 == 4
        dlc = i % 9
        messages.append(can.Message(
            timestamp=start + i * 0.001234 + (2.0 if i >= 30 else 0.0),
            arbitration_id=(0x18FEF100 + i) if extended else (0x100 + 37 * i) % 0x800,
            is_extended_id=extended, is_remote_frame=remote, dlc=dlc,
            data=None if remote else bytes((17 * i + k) % 256 for k in range(dlc)),
            is_rx=i % 3 != 2, channel=0))
    messages.insert(7, can.Message(timestamp=start + 0.0086, is_error_frame=True, channel=0))
    return messages


def ours_reads_python(tool, folder):
    messages = python_messages()
    log_path = os.path.join(folder, "python.log")
    asc_path = os.path.join(folder, "python.asc")
    with can.CanutilsLogWriter(log_path, channel="vcan0") as writer:
        for msg in messages:
            writer.on_message_received(msg)
    with can.ASCWriter(asc_path) as writer:
        for msg in messages:
            writer.on_message_received(msg)

    unparsed, records = read_ours(tool, log_path)
    check(unparsed == 0, f"python.log: {unparsed} unparsed lines")
    check(len(records) == len(messages), f"python.log: read {len(records)} of {len(messages)}")
    for i, (msg, rec) in enumerate(zip(messages, records)):
        # python-can 4.1 writes a remote frame as "R", without its length.
        compare_frame(msg, rec, f"python.log #{i}", remote_dlc=False)
        check(not rec.remote or rec.dlc == 0, f"python.log #{i}: remote length")
        if not msg.is_error_frame:
            check(rec.tx == (0 if msg.is_rx else 1), f"python.log #{i}: direction")

    # python-can's own reader gives the absolute times its header stands for.
    with can.ASCReader(asc_path, relative_timestamp=False) as reader:
        theirs = list(reader)
    unparsed, records = read_ours(tool, asc_path)
    check(unparsed == 0, f"python.asc: {unparsed} unparsed lines")
    check(len(records) == len(messages), f"python.asc: read {len(records)} of {len(messages)}")
    for i, (msg, back, rec) in enumerate(zip(messages, theirs, records)):
        compare_frame(msg, rec, f"python.asc #{i}", times=False)
        same_time(back.timestamp, rec.time_us, f"python.asc #{i}")
        if not msg.is_error_frame:
            check(rec.tx == (0 if msg.is_rx else 1), f"python.asc #{i}: direction")


def ours_reads_log2asc(tool, log2asc, folder, expected):
    converted = os.path.join(folder, "log2asc.asc")
    subprocess.run([log2asc, "-I", os.path.join(folder, "ours.log"), "-O", converted, "can0"],
                   check=True)
    unparsed, records = read_ours(tool, converted)
    check(unparsed == 0, f"log2asc.asc: {unparsed} unparsed lines")
    check(len(records) == len(expected), f"log2asc.asc: read {len(records)} of {len(expected)}")
    # log2asc dates its header to the second and counts from the first frame.
    for i, (back, rec) in enumerate(zip(records, expected)):
        what = f"log2asc.asc #{i}"
        check(back.error == rec.error, f"{what}: error flag")
        if not rec.error:
            check((back.id, back.extended, back.remote, back.dlc, back.data) ==
                  (rec.id, rec.extended, rec.remote, rec.dlc, rec.data), f"{what}: {back} != {rec}")
        check(back.time_us - records[0].time_us == rec.time_us - expected[0].time_us,
              f"{what}: time {back.time_us - records[0].time_us} after the first")


def main():
    tool, folder, log2asc = sys.argv[1:4]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    subprocess.run([tool, "write", folder], check=True)
    with open(os.path.join(folder, "ours.txt")) as listing:
        expected = [Record(line) for line in listing]

    python_reads_ours(folder, expected)
    ours_reads_python(tool, folder)
    ours_reads_log2asc(tool, log2asc, folder, expected)

    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failures; {len(expected)} records written, python-can and log2asc checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
