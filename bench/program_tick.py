#!/usr/bin/env python3
"""Watches a running saver for a while: CPU per tick of the program, the wineserver and the
X server (from /proc), the tick period (from the JPEG work file's changes), the program's
peak memory and the bytes it writes per tick. Prints one line of key=value pairs.

usage: program_tick.py WINEPREFIX XSERVER_PID JPEG_PATH SECONDS
The program and the wineserver are the processes of that Wine prefix.
"""
import os
import sys
import time

HZ = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / HZ  # utime, stime


def io_counters(pid):
    out = {}
    with open(f"/proc/{pid}/io") as f:
        for line in f:
            key, value = line.split(":")
            out[key] = int(value)
    return out


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def jpeg_stamp(path):
    try:
        st = os.stat(path)
        return (st.st_ino, st.st_mtime_ns, st.st_size)
    except OSError:
        return None


def prefix_process(prefix, name):
    """The newest process of the Wine prefix whose command line names it."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read()
            with open(f"/proc/{entry}/environ", "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if name.encode() in cmdline and ("WINEPREFIX=" + prefix).encode() in environ:
            found.append(int(entry))
    return max(found) if found else None


def main():
    prefix, xserver = sys.argv[1], int(sys.argv[2])
    jpeg, seconds = sys.argv[3], float(sys.argv[4])
    program = prefix_process(prefix, "Zarnik.scr")
    wineserver = prefix_process(prefix, "wineserver")
    if not program or not wineserver:
        print(f"program={program} wineserver={wineserver}: not found")
        return 1
    pids = {"program": program, "wineserver": wineserver, "x": xserver}

    # Start on a tick: the first change of the JPEG file seen.
    last = jpeg_stamp(jpeg)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        now = jpeg_stamp(jpeg)
        if now != last and now is not None:
            last = now
            break
        time.sleep(0.002)
    t0 = time.monotonic()
    cpu0 = {k: cpu_seconds(p) for k, p in pids.items()}
    io0 = io_counters(program)

    changes = [t0]
    end = t0 + seconds
    while True:
        now = jpeg_stamp(jpeg)
        if now is not None and now != last:
            last = now
            changes.append(time.monotonic())
            if changes[-1] >= end:
                break
        if time.monotonic() > end + 5:
            break
        time.sleep(0.002)

    cpu1 = {k: cpu_seconds(p) for k, p in pids.items()}
    io1 = io_counters(program)
    ticks = len(changes) - 1
    span = changes[-1] - changes[0]
    periods = sorted(b - a for a, b in zip(changes, changes[1:]))
    result = {
        "ticks": ticks,
        "period_ms": 1000 * span / ticks if ticks else 0,
        "period_max_ms": 1000 * periods[-1] if periods else 0,
        "hwm_mb": status_kb(program, "VmHWM") / 1024,
        "rss_mb": status_kb(program, "VmRSS") / 1024,
    }
    for k in pids:
        result[f"cpu_{k}_ms"] = 1000 * (cpu1[k] - cpu0[k]) / ticks if ticks else 0
    result["cpu_ms"] = sum(result[f"cpu_{k}_ms"] for k in pids)
    result["wchar_per_tick"] = (io1["wchar"] - io0["wchar"]) / ticks if ticks else 0
    result["write_bytes_per_tick"] = (io1["write_bytes"] - io0["write_bytes"]) / ticks if ticks else 0
    print(" ".join(f"{k}={v:.1f}" if isinstance(v, float) else f"{k}={v}" for k, v in result.items()))


if __name__ == "__main__":
    sys.exit(main())
