#!/usr/bin/env bash
# Installs, builds and starts the screen saver full screen on the current display (under Wine).
# Without a display (no DISPLAY) it runs on a private virtual display over a sample desktop for
# about 15 seconds, and leaves a recording of the decay (an animated GIF and WebP) and its last
# frame.
set -euo pipefail
cd "$(dirname "$0")/.."

# What it runs and nothing else: not the tests, the benchmarks or the packages.
./scripts/build.sh zarnik_scr Quorvel
build=${ZARNIK_BUILD_DIR:-build}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$build/bin/Zarnik.scr" /s
fi

seconds=${ZARNIK_RECORD_SECONDS:-15}
out=$(mkdir -p "${ZARNIK_RECORDING_DIR:-$build/recording}" && cd "${ZARNIK_RECORDING_DIR:-$build/recording}" && pwd)
frames="$out/frames"
rm -rf "$frames"
mkdir -p "$frames"

export ZARNIK_RUN_DIR="$build/run-saver"
. ./scripts/headless-env.sh
saver_pid=""
viewer=""
stop_all() {
  [ -n "$saver_pid" ] && kill "$saver_pid" >/dev/null 2>&1
  [ -n "$viewer" ] && kill "$viewer" >/dev/null 2>&1
  zarnik_env_stop
  return 0
}
trap stop_all EXIT
echo "run-saver: no display; running on a private virtual display for ${seconds} s"
zarnik_env_start

# A photo-like desktop, made here: a plasma landscape under a sky, a sun and a caption.
desktop="$out/sample-desktop.png"
size=$(xdpyinfo | awk '/dimensions:/ && !seen { print $2; seen = 1 }')
convert -seed 7 -size "$size" plasma:'#3a7d44'-'#d9c27a' \
  \( -size "$size" gradient:'#5aa0e8'-'#ffffff' \) \
  -fx 'j < h*0.42 ? v : u' \
  -fill '#fff3b0' -draw "circle $((${size%x*} * 3 / 4)),$((${size#*x} / 6)) $((${size%x*} * 3 / 4 + 60)),$((${size#*x} / 6))" \
  -font DejaVu-Sans -pointsize 56 -fill white -stroke '#00000080' -strokewidth 2 \
  -gravity southwest -annotate +40+40 'Zarnik' \
  "$desktop"
# Shown in a window of its own that covers the screen rather than on the root window: each
# Wine process start repaints the root, and the saver reads the screen as it starts.
display -backdrop -geometry +0+0 "$desktop" >/dev/null 2>&1 &
viewer=$!
for _ in $(seq 30); do sleep 0.1; done

# The saver runs from a copy of its own, so the recording neither reads nor changes the settings
# beside the build; its degree makes a few whole cycles of decay fit the recording.
demo="$out/program"
rm -rf "$demo"
mkdir -p "$demo"
cp "$build/bin/Zarnik.scr" "$build/bin/Quorvel.dll" "$demo/"
printf '[Section]\r\n画像= 0\r\n画像ﾌｧｲﾙ=\r\n劣化度= %d\r\nBGM区分= 0\r\nBGMﾘﾋﾟｰﾄ= 0\r\nBGMﾌｧｲﾙ=\r\n' \
  "${ZARNIK_RECORD_DEGREE:-8}" | iconv -f UTF-8 -t CP932 >"$demo/Quorvel.ini"

wine "$demo/Zarnik.scr" /s >"$ZARNIK_RUN_DIR/saver.log" 2>&1 </dev/null &
saver_pid=$!

# A frame every quarter second, small enough to keep.
end=$((SECONDS + seconds))
n=0
while [ "$SECONDS" -lt "$end" ]; do
  import -window root -resize 640x "$frames/$(printf '%04d' "$n").png" 2>/dev/null || true
  n=$((n + 1))
  sleep 0.25
done
xdotool key space >/dev/null 2>&1 || true

last=$(ls "$frames"/*.png | tail -n 1)
cp "$last" "$out/last-frame.png"
# Frames come slower than asked on a busy machine: the delay spreads them over the real time.
delay=$((seconds * 100 / n))
convert -delay "$delay" -loop 0 "$frames"/*.png -colors 128 -layers Optimize "$out/zarnik.gif"
# The same in a fraction of the size, with few artefacts of its own.
convert -delay "$delay" -loop 0 "$frames"/*.png -quality 90 "$out/zarnik.webp"

echo "run-saver: $n frames in $frames"
echo "run-saver: recording  $out/zarnik.gif and $out/zarnik.webp"
echo "run-saver: last frame $out/last-frame.png"
