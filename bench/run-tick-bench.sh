#!/usr/bin/env bash
# The tick benchmark, one command, over whole decay cycles at degrees 10 and 1, with photo-like
# frames at 1920x1080, 3840x2160 and 7680x4320:
#  1. the whole tick in-process (tick_bench.exe): a run's first tick, then whole cycles, against
#     tjCompress2 + tjDecompress2 at the same qualities;
#  2. three 3840x2160 monitors in-process (monitor_tick_bench.exe): the cadence and the CPU of
#     all three per tick;
#  3. the built saver on a screen of each size showing the frame as its desktop: CPU per tick of
#     the program + wineserver + X server from /proc over whole cycles, against Debian's tjbench
#     (native, 4:2:0) at the qualities of those cycles; the tick period, the program's peak memory
#     (in frames of 4 bytes a pixel) and the bytes it writes per tick;
#  4. the built saver at 3840x2160 for LOCK_SECONDS ticking, then as long with the session
#     locked (the message the system sends, posted by session_event.exe): the CPU of the
#     program + wineserver + X server and the JPEG work files written, each way.
# Options by environment: SIZES="1920x1080 ..." DEGREES="10 1" CYCLES_10=3 CYCLES_1=1
# LOCK_SECONDS=60 SKIP_INPROCESS=1 SKIP_PROGRAM=1 SKIP_LOCK=1.
# BENCH_BIN=folder (built programs to measure, e.g. a saved copy of an older build; no build then)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ZARNIK_BUILD_DIR:-build}
sizes=${SIZES:-"1920x1080 3840x2160 7680x4320"}
degrees=${DEGREES:-"10 1"}

# The reference is Debian's own tjbench; only the benchmark needs it.
if ! command -v tjbench >/dev/null; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libjpeg-turbo-progs >/dev/null ||
    { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libjpeg-turbo-progs; }
fi
if [ -n "${BENCH_BIN:-}" ]; then
  bin=$(cd "$BENCH_BIN" && pwd)
elif [ -d "$build/bin" ]; then
  cmake --build "$build" --target tick_bench monitor_tick_bench session_event zarnik_scr Quorvel >/dev/null
  bin="$root/$build/bin"
else
  ./scripts/build.sh
  bin="$root/$build/bin"
fi

work="$root/$build/bench-run"
frames="$work/frames"
mkdir -p "$frames"
export ZARNIK_RUN_DIR="$work/env"
export ZARNIK_WINEPREFIX="$work/wineprefix"
. ./scripts/headless-env.sh
trap "zarnik_env_stop || true" EXIT

# Photo-like and reproducible: a fractal plasma, softened, scaled to the size, then grain.
make_frame() {
  local size=$1 out="$frames/frame-$1.bmp"
  [ -f "$out" ] && { echo "$out"; return; }
  [ -f "$frames/base.png" ] || convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x1.5 "$frames/base.png"
  convert "$frames/base.png" -resize "${size}!" -seed 11 -attenuate 0.35 +noise Gaussian \
    -type TrueColor "BMP3:$out"
  echo "$out"
}

winpath() { echo "Z:${1//\//\\}"; }

# The saver started in the program folder $prog over the frame as the desktop it captures:
# display sets the root's picture and ends. Wine's own desktop may still paint the root as it
# comes up, so the capture (the bitmap work file) is checked, and the start tried again when
# it came out black. Leaves the saver's pid in $saver.
start_saver() {
  local frame=$1 attempt level
  for attempt in 1 2 3; do
    timeout 120 display -window root "$frame" >/dev/null 2>&1 || true
    rm -f "$prog/Quorvel.bmp" "$prog/Quorvel.jpg"
    wine "$prog/Zarnik.scr" /s >/dev/null 2>&1 & saver=$!
    for _ in $(seq 300); do [ -s "$prog/Quorvel.jpg" ] && break; sleep 0.1; done
    level=$(identify -format '%[fx:int(255*mean)]' "$prog/Quorvel.bmp" 2>/dev/null || echo 0)
    echo "# capture $attempt: mean level $level of 255" >&2
    [ "${level:-0}" -gt 5 ] && break
    kill "$saver" 2>/dev/null || true
    wait "$saver" 2>/dev/null || true
    sleep 2
  done
}

# [Section] / 劣化度= degree, in code page 932, in $prog.
degree_settings() { printf '[Section]\r\n\227\362\211\273\223\170= %d\r\n' "$1" >"$prog/Quorvel.ini"; }

stop_saver() {
  xdotool key space >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
  kill "$saver" 2>/dev/null || true
}

largest=$(for s in $sizes; do echo "$s"; done | sort -t x -k1,1n | tail -n 1)
frame_args=()
for s in $sizes; do frame_args+=("$(winpath "$(make_frame "$s")")"); done

if [ -z "${SKIP_INPROCESS:-}" ]; then
  echo "== whole tick in-process, screen $largest (ms are medians; ratio = CPU per tick / the library's at the same qualities)"
  ZARNIK_SCREEN="${largest}x24" zarnik_env_start
  TICK_DEGREES="$degrees" wine "$bin/tick_bench.exe" "${frame_args[@]}"
  zarnik_env_stop
  # Three 4K monitors: each tick decays all three on worker threads; the cadence holds while a
  # tick ends well within its 500 ms.
  for d in $degrees; do
    echo "== three 3840x2160 monitors in-process, the 4K frame on each, degree $d"
    zarnik_env_start
    wine "$bin/monitor_tick_bench.exe" 3 3840 2160 "$d" "$(winpath "$(make_frame 3840x2160)")"
    zarnik_env_stop
  done
fi


# tjbench at every quality of the cycles, the fastest of three runs each: the reference is what
# the library can do, and a neighbour on a shared machine only ever slows it. tjbench times by
# the wall clock; its CPU share (CPU / wall of the whole run) scales that back to CPU time, as
# the saver's side is counted. Prints "quality comp_ms dec_ms" lines.
tj_reference() {
  local frame=$1 w=$2 h=$3
  for _ in 1 2 3; do
    /usr/bin/time -f 'share %e %U %S' tjbench "$frame" 11-99 -subsamp 420 -quiet -nowrite -benchtime 0.3 -warmup 0 2>&1 |
      awk -v w="$w" -v h="$h" '
        BEGIN { mp = w * h / 1000000 }
        $1 == "BGR" { q[$4] = 1; c[$4] = $7; d[$4] = $9 }
        $1 == "share" { s = ($3 + $4) / $2 }
        END { for (k in q) printf "%d %.3f %.3f\n", k, 1000 * mp / c[k] * s, 1000 * mp / d[k] * s }'
  done | sort -n -k1,1 -k2,2 | awk '!seen[$1]++'
}

prog="$work/program"
if [ -z "${SKIP_PROGRAM:-}" ]; then
  echo "== the saver under Wine, whole cycles"
  echo "cpu/tk = program + wineserver + X per tick; ref = tjbench comp + dec at the same qualities; ratio = cpu/tk / ref"
  printf '%-10s %3s %6s %7s %7s %7s %7s %7s %6s %8s %8s %7s %6s %11s\n' frame deg ticks cpu/tk prog wsrv X ref ratio period "max gap" "HWM MB" frames "wchar/tick"
  for s in $sizes; do
    frame=$(make_frame "$s")
    w=${s%x*} h=${s#*x}
    reference="$work/tj-$s.txt"
    tj_reference "$frame" "$w" "$h" >"$reference"
    for d in $degrees; do
      rm -rf "$prog"; mkdir -p "$prog"
      cp "$bin/Zarnik.scr" "$bin/Quorvel.dll" "$prog/"
      degree_settings "$d"
      ZARNIK_SCREEN="${s}x24" zarnik_env_start
      start_saver "$frame"
      cycles_var="CYCLES_$d"
      cycles=${!cycles_var:-$([ "$d" -ge 5 ] && echo 3 || echo 1)}
      line=$(python3 bench/program_tick.py "$WINEPREFIX" "$ZARNIK_XVFB_PID" "$prog/Quorvel.jpg" "$cycles" 900 || true)
      stop_saver
      zarnik_env_stop
      echo "# $line" >&2
      python3 - "$w" "$h" "$d" "$reference" "$line" <<'PY'
import sys
w, h, d = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
tj = {}
for row in open(sys.argv[4]):
    q, c, dec = row.split()
    tj[int(q)] = float(c) + float(dec)
r = dict(kv.split("=", 1) for kv in sys.argv[5].split())
if "qualities" not in r:
    print(f"{w}x{h:<5} {d:3d}  no whole cycle measured: {sys.argv[5]}")
    sys.exit(0)
qs = [int(q) for q in r["qualities"].split(",")]
ref = sum(tj[q] for q in qs) / len(qs)
cpu = float(r["cpu_ms"])
frames = float(r["hwm_mb"]) * 1024 * 1024 / (4 * w * h)
print(f"{w}x{h:<5} {d:3d} {int(r['ticks']):6d} {cpu:7.1f} {float(r['cpu_program_ms']):7.1f} {float(r['cpu_wineserver_ms']):7.1f} "
      f"{float(r['cpu_x_ms']):7.1f} {ref:7.1f} {cpu / ref:6.2f} {float(r['period_ms']):8.1f} {float(r['period_max_ms']):8.1f} "
      f"{float(r['hwm_mb']):7.0f} {frames:6.2f} {float(r['wchar_per_tick']):11.0f}   (qualities {max(qs)}..{min(qs)}, "
      f"{int(r['cycles'])} cycle(s); peak {frames:.2f} frames = {float(r['hwm_mb']):.0f} MB against 4 frames + 40 MB = "
      f"{4 * w * h * 4 / 1048576 + 40:.0f} MB)")
PY
    done
  done
fi

# A locked minute at 4K: a minute ticking, then a minute with the session locked.
lock_seconds=${LOCK_SECONDS:-60}
if [ -z "${SKIP_LOCK:-}" ] && [ "$lock_seconds" -gt 0 ]; then
  s=3840x2160
  echo "== the saver at $s, degree 1: ${lock_seconds} s ticking, then ${lock_seconds} s with the session locked"
  frame=$(make_frame "$s")
  rm -rf "$prog"; mkdir -p "$prog"
  cp "$bin/Zarnik.scr" "$bin/Quorvel.dll" "$prog/"
  degree_settings 1
  ZARNIK_SCREEN="${s}x24" zarnik_env_start
  start_saver "$frame"
  watch() { python3 bench/minute_cpu.py "$WINEPREFIX" "$ZARNIK_XVFB_PID" "$prog/Quorvel.jpg" "$lock_seconds"; }
  ticking=$(watch)
  wine "$bin/session_event.exe" lock || echo "# the lock was not taken" >&2
  # A tick under way when the lock came lands first.
  sleep 2
  locked=$(watch)
  wine "$bin/session_event.exe" unlock || echo "# the unlock was not taken" >&2
  before=$(stat -c %Y.%s "$prog/Quorvel.jpg" 2>/dev/null || true)
  again=no
  for _ in $(seq 100); do
    [ "$(stat -c %Y.%s "$prog/Quorvel.jpg" 2>/dev/null || true)" != "$before" ] && { again=yes; break; }
    sleep 0.1
  done
  stop_saver
  zarnik_env_stop
  echo "# ticking: $ticking" >&2
  echo "# locked: $locked" >&2
  printf '%-9s %9s %9s %9s %9s %7s %7s %14s\n' state "cpu s" prog wsrv X share JPEGs "bytes written"
  for row in "ticking $ticking" "locked $locked"; do
    read -r state rest <<<"$row"
    eval "$(echo "$rest" | tr ' ' '\n' | sed 's/^/m_/')"
    printf '%-9s %9.2f %9.2f %9.2f %9.2f %7.3f %7d %14d\n' "$state" "$m_cpu_s" "$m_cpu_program_s" "$m_cpu_wineserver_s" \
      "$m_cpu_x_s" "$m_cpu_share" "$m_jpeg_changes" "$m_wchar_bytes"
  done
  echo "JPEGs again within 10 s of the unlock: $again"
fi
