#!/usr/bin/env python3
"""Watches a running saver for a fixed time, ticking or not: the CPU of the program, the
wineserver and the X server (from /proc), how many new JPEG work files appeared (each a
conversion), the bytes the program wrote. Prints one line of key=value pairs.

usage: minute_cpu.py WINEPREFIX XSERVER_PID JPEG_PATH SECONDS
"""
import sys
import time

from program_tick import cpu_seconds, io_counters, jpeg_stamp, watched_processes


def main():
    prefix, xserver = sys.argv[1], int(sys.argv[2])
    jpeg, seconds = sys.argv[3], float(sys.argv[4])
    pids = watched_processes(prefix, xserver)
    if not pids:
        return 1
    program = pids["program"]
    cpu0 = {k: cpu_seconds(p) for k, p in pids.items()}
    wchar0 = io_counters(program)["wchar"]
    # A tick deletes the JPEG, then the converter puts a new one in its place: a new file is
    # one conversion, the gap between them none.
    last = jpeg_stamp(jpeg)
    changes = 0
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        now = jpeg_stamp(jpeg)
        if now is not None and now != last:
            changes += 1
            last = now
        time.sleep(0.005)
    wall = time.monotonic() - start
    cpu = {k: cpu_seconds(p) - cpu0[k] for k, p in pids.items()}
    out = {f"cpu_{k}_s": v for k, v in cpu.items()}
    out["cpu_s"] = sum(cpu.values())
    out["cpu_share"] = out["cpu_s"] / wall
    out["jpeg_changes"] = changes
    out["wchar_bytes"] = io_counters(program)["wchar"] - wchar0
    out["seconds"] = wall
    print(" ".join(f"{k}={v:.3f}" if isinstance(v, float) else f"{k}={v}" for k, v in out.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
