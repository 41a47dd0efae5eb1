#!/usr/bin/env python3
"""Watches a running saver for a while: CPU per tick of the program, the wineserver and the
X server (from /proc), the tick period (from the JPEG work file's changes), the program's
peak memory and the bytes it writes per tick. Prints one line of key=value pairs.

usage: program_tick.py WINEPREFIX XSERVER_PID JPEG_PATH SECONDS [REPEATS]
The program and the wineserver are the processes of that Wine prefix. With REPEATS above 1
the same window (the same qualities) is measured in that many decay cycles; the figures are
the least loaded window's, with the median and largest CPU per tick beside them, and the CPU
per tick over the first whole cycle.
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


def snapshot(pids, program):
    return {
        "t": time.monotonic(),
        "cpu": {k: cpu_seconds(p) for k, p in pids.items()},
        "wchar": io_counters(program)["wchar"],
    }


def window(ticks, first, count):
    """CPU per tick and the rest over ticks[first] .. ticks[first + count]."""
    a, b = ticks[first], ticks[first + count]
    out = {k: 1000 * (b["cpu"][k] - a["cpu"][k]) / count for k in a["cpu"]}
    out["cpu"] = sum(out.values())
    times = [t["t"] for t in ticks[first:first + count + 1]]
    out["period"] = 1000 * (times[-1] - times[0]) / count
    out["gap"] = 1000 * max(y - x for x, y in zip(times, times[1:]))
    out["wchar"] = (b["wchar"] - a["wchar"]) / count
    qualities = [t["q"] for t in ticks[first + 1:first + count + 1] if t["q"]]
    out["q_first"], out["q_last"] = (qualities[0], qualities[-1]) if qualities else (0, 0)
    out["q_mean"] = sum(qualities) / len(qualities) if qualities else 0.0
    return out


def main():
    prefix, xserver = sys.argv[1], int(sys.argv[2])
    jpeg, seconds = sys.argv[3], float(sys.argv[4])
    repeats = int(sys.argv[5]) if len(sys.argv) > 5 else 1
    pids = watched_processes(prefix, xserver)
    if not pids:
        return 1
    program = pids["program"]

    # Start on a tick: the first change of the JPEG file seen.
    last = jpeg_stamp(jpeg)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        now = jpeg_stamp(jpeg)
        if now != last and now is not None:
            last = now
            break
        time.sleep(0.002)

    # Every tick from here: when it came, the CPU so far and its quality. The window of SECONDS
    # is measured again at the same place of each later cycle (the same qualities), REPEATS
    # windows in all, so that one slowed by a neighbour on a shared machine shows as such.
    ticks = [dict(snapshot(pids, program), q=jpeg_quality(jpeg))]
    if not ticks[0]["q"]:
        repeats = 1  # no quality to find the same place again by
    count = None
    starts = [0]
    give_up = time.monotonic() + seconds + 5 + (repeats - 1) * 400
    while time.monotonic() < give_up:
        now = jpeg_stamp(jpeg)
        if now is not None and now != last:
            last = now
            ticks.append(dict(snapshot(pids, program), q=jpeg_quality(jpeg)))
            i = len(ticks) - 1
            if count is None and ticks[i]["t"] >= ticks[0]["t"] + seconds:
                count = i
            if count is not None and i > count and ticks[i]["q"] == ticks[0]["q"] and i - starts[-1] > count:
                starts.append(i)
            if count is not None and len(starts) >= repeats and i >= starts[repeats - 1] + count:
                break
        time.sleep(0.002)
    if count is None:
        print("ticks=0: no tick seen")
        return 1

    windows = [window(ticks, s, count) for s in starts[:repeats] if s + count < len(ticks)]
    for n, w in enumerate(windows):
        print(f"# window {n + 1}: cpu/tick {w['cpu']:.1f} ms = program {w['program']:.1f} + wineserver "
              f"{w['wineserver']:.1f} + X {w['x']:.1f}; qualities {w['q_first']}..{w['q_last']}", file=sys.stderr)
    cpus = sorted(w["cpu"] for w in windows)
    best = min(windows, key=lambda w: w["cpu"])
    result = {
        "ticks": count,
        "windows": len(windows),
        "period_ms": best["period"],
        "period_max_ms": max(w["gap"] for w in windows),
        "hwm_mb": status_kb(program, "VmHWM") / 1024,
        "rss_mb": status_kb(program, "VmRSS") / 1024,
    }
    for k in pids:
        result[f"cpu_{k}_ms"] = best[k]
    result["cpu_ms"] = best["cpu"]
    result["cpu_median_ms"] = cpus[len(cpus) // 2]
    result["cpu_max_ms"] = cpus[-1]
    result["q_first"], result["q_last"], result["q_mean"] = best["q_first"], best["q_last"], best["q_mean"]
    result["wchar_per_tick"] = best["wchar"]
    # A whole cycle, when one was seen: every quality once.
    if len(starts) > 1:
        cycle = window(ticks, 0, starts[1])
        result["cycle_ticks"] = starts[1]
        result["cycle_cpu_ms"] = cycle["cpu"]
    print(" ".join(f"{k}={v:.1f}" if isinstance(v, float) else f"{k}={v}" for k, v in result.items()))


if __name__ == "__main__":
    sys.exit(main())
