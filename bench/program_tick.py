#!/usr/bin/env python3
"""Watches a running saver over whole decay cycles: CPU per tick of the program, the
wineserver and the X server (from /proc), the tick period (from the JPEG work file's changes),
the program's peak memory and the bytes it writes per tick. Prints one line of key=value pairs
and, last, the qualities of the ticks measured (qualities=90,80,...).

usage: program_tick.py WINEPREFIX XSERVER_PID JPEG_PATH CYCLES [LIMIT_SECONDS]
A cycle begins where the quality goes back up; CYCLES whole cycles are measured from the first
such start, so every quality of the cycle is counted the same number of times.
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


STD_LUMINANCE = [16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
                 14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
                 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
                 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99]
ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20,
          13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59,
          52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63]


def jpeg_quality(path):
    """The quality of the usual libjpeg scaling whose luminance table the file holds, or 0."""
    try:
        with open(path, "rb") as f:
            b = f.read(1024)
    except OSError:
        return 0
    i = 2
    while i + 4 <= len(b) and b[i] == 0xFF:
        marker, length = b[i + 1], (b[i + 2] << 8) | b[i + 3]
        if marker == 0xDB and b[i + 4] == 0:
            table = list(b[i + 5:i + 69])
            for q in range(1, 101):
                scale = 5000 // q if q < 50 else 200 - 2 * q
                if table == [min(255, max(1, (STD_LUMINANCE[ZIGZAG[k]] * scale + 50) // 100)) for k in range(64)]:
                    return q
            return 0
        i += 2 + length
    return 0


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


def watched_processes(prefix, xserver):
    """The program, the wineserver of its prefix and the X server, by pid; None (and a line
    saying so) when the program or the wineserver is not there."""
    program = prefix_process(prefix, "Zarnik.scr")
    wineserver = prefix_process(prefix, "wineserver")
    if not program or not wineserver:
        print(f"program={program} wineserver={wineserver}: not found")
        return None
    return {"program": program, "wineserver": wineserver, "x": xserver}


def main():
    prefix, xserver = sys.argv[1], int(sys.argv[2])
    jpeg, cycles = sys.argv[3], int(sys.argv[4])
    limit = float(sys.argv[5]) if len(sys.argv) > 5 else 600
    pids = watched_processes(prefix, xserver)
    if not pids:
        return 1
    program = pids["program"]

    def snapshot(q):
        return {"t": time.monotonic(), "cpu": {k: cpu_seconds(p) for k, p in pids.items()},
                "wchar": io_counters(program)["wchar"], "q": q}

    # Every tick: when it came, the CPU so far, and its quality. A cycle starts at a tick whose
    # quality is above the one before.
    ticks, starts = [], []
    last = jpeg_stamp(jpeg)
    give_up = time.monotonic() + limit
    while time.monotonic() < give_up:
        now = jpeg_stamp(jpeg)
        if now is not None and now != last:
            last = now
            ticks.append(snapshot(jpeg_quality(jpeg)))
            if len(ticks) > 1 and ticks[-1]["q"] > ticks[-2]["q"]:
                starts.append(len(ticks) - 1)
                if len(starts) > cycles:
                    break
        time.sleep(0.002)
    if len(starts) <= cycles:
        print(f"ticks={len(ticks)} cycles=0: no {cycles} whole cycles seen")
        return 1

    a, b = ticks[starts[0]], ticks[starts[cycles]]
    count = starts[cycles] - starts[0]
    result = {"ticks": count, "cycles": cycles}
    for k in pids:
        result[f"cpu_{k}_ms"] = 1000 * (b["cpu"][k] - a["cpu"][k]) / count
    result["cpu_ms"] = sum(result[f"cpu_{k}_ms"] for k in pids)
    times = [t["t"] for t in ticks[starts[0]:starts[cycles] + 1]]
    result["period_ms"] = 1000 * (times[-1] - times[0]) / count
    result["period_max_ms"] = 1000 * max(y - x for x, y in zip(times, times[1:]))
    result["hwm_mb"] = status_kb(program, "VmHWM") / 1024
    result["wchar_per_tick"] = (b["wchar"] - a["wchar"]) / count
    qualities = [t["q"] for t in ticks[starts[0]:starts[cycles]]]
    print(" ".join(f"{k}={v:.1f}" if isinstance(v, float) else f"{k}={v}" for k, v in result.items())
          + " qualities=" + ",".join(str(q) for q in qualities))
    return 0


if __name__ == "__main__":
    sys.exit(main())
