#!/usr/bin/python3
"""Checks a trace the analyzer recorded against the simulator's send log and
the analyzer's received-data log: python-can reads the trace; it holds one
frame per frame the simulator sent, in order, with the identifiers, kinds and
data the received-data log shows, one error frame per error report, and times
that never decrease. Prints the error of the gaps between frames against the
send log's times.

usage: check_recording.py <trace> <send log> <received-data log>
exit status 0 when everything matches
"""
import re
import sys

import can

trace_path, send_log_path, received_log_path = sys.argv[1:4]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


reader = can.ASCReader(trace_path) if trace_path.endswith(".asc") else can.LogReader(trace_path)
messages = list(reader)
CAN_ERR_FLAG = 0x20000000
error_flags = [m.is_error_frame for m in messages]
if not trace_path.endswith(".asc"):
    # python-can 4.1 reads only a bus error as an error frame, any other class
    # as a 29-bit frame: the line's identifier tells.
    ids = [line.split()[2].split("#")[0] for line in open(trace_path) if line.startswith("(")]
    check(len(ids) == len(messages), f"python-can read {len(messages)} of {len(ids)} lines")
    error_flags = [len(i) == 8 and int(i, 16) & CAN_ERR_FLAG != 0 for i in ids]
frames = [m for m, error in zip(messages, error_flags) if not error]
errors = [m for m, error in zip(messages, error_flags) if error]

# Letter, time of the write, time the last byte leaves the modelled line: the
# line time is what a UART's receiver would see.
sent = [line.split() for line in open(send_log_path) if line.strip()]
sent_frames = [int(on_line) for letter, _, on_line in sent if letter == "U"]
sent_errors = [int(on_line) for letter, _, on_line in sent if letter == "I"]

line_pattern = re.compile(rb"CAN2\.0([AB])\s+(Data|Remote) Frame\s+\S+?(\d+)\s+ID:([0-9A-F]+)\s*(.*)$")
shown = []
for raw in open(received_log_path, "rb"):
    match = line_pattern.search(raw.rstrip(b"\r\n"))
    if match:
        data_part = match.group(5)
        data_text = data_part.split(b":", 1)[1] if b":" in data_part else b""
        shown.append((match.group(1) == b"B", match.group(2) == b"Remote", int(match.group(3)),
                      int(match.group(4), 16), bytes.fromhex(data_text.decode())))

check(len(frames) == len(sent_frames), f"{len(frames)} frames recorded, {len(sent_frames)} sent")
check(len(frames) == len(shown), f"{len(frames)} frames recorded, {len(shown)} in the received-data log")
for index, (message, line) in enumerate(zip(frames, shown)):
    ours = (message.is_extended_id, message.is_remote_frame, message.dlc, message.arbitration_id,
            b"" if message.is_remote_frame else bytes(message.data))
    if ours != line:
        check(False, f"frame {index}: {ours} recorded, {line} shown")
        break
# An automatic reset after Bus-Off is recorded as an error frame too: in a
# candump log as the restarted class alone, which an ASC file cannot tell.
CAN_ERR_RESTARTED = 0x100
if trace_path.endswith(".asc"):
    check(len(sent_errors) <= len(errors) <= 2 * len(sent_errors),
          f"{len(errors)} error frames recorded, {len(sent_errors)} error reports sent")
else:
    reports = [m for m in errors if m.arbitration_id & 0x1FFFFFFF != CAN_ERR_RESTARTED]
    check(len(reports) == len(sent_errors),
          f"{len(reports)} error reports recorded, {len(sent_errors)} sent")
times = [m.timestamp for m in messages]
check(all(a <= b for a, b in zip(times, times[1:])), "times decrease")

if len(frames) == len(sent_frames) and len(frames) > 2:
    ours = [frames[i + 1].timestamp - frames[i].timestamp for i in range(len(frames) - 1)]
    theirs = [(sent_frames[i + 1] - sent_frames[i]) / 1e9 for i in range(len(frames) - 1)]
    errors_us = [abs(a - b) * 1e6 for a, b in zip(ours, theirs)]
    print(f"frames {len(frames)} errors {len(errors)} gap error mean {sum(errors_us) / len(errors_us):.1f} us"
          f" max {max(errors_us):.1f} us")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
