# Sourced by the test and demo scripts: a private Xvfb display, a PulseAudio server with a
# null sink, and a Wine prefix in the Japanese locale (and one in English), all under
# $ZARNIK_RUN_DIR.
# zarnik_env_start brings them up and exports what Wine programs need; zarnik_env_stop ends them.

zarnik_env_start() {
  local run=${ZARNIK_RUN_DIR:?}
  mkdir -p "$run"
  run=$(cd "$run" && pwd)
  export ZARNIK_RUN_DIR=$run

  # Xvfb picks a free display number itself and tells it through the pipe.
  local fifo="$run/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 ${ZARNIK_SCREEN:-1280x1024x24} -nolisten tcp -ac 3>"$fifo" >"$run/xvfb.log" 2>&1 &
  ZARNIK_XVFB_PID=$!
  local num
  read -r -t 20 num <"$fifo" || { echo "Xvfb did not start" >&2; cat "$run/xvfb.log" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$num"

  # PulseAudio of our own (its own runtime folder), the null sink as its only sink.
  export PULSE_RUNTIME_PATH="$run/pulse"
  export XDG_RUNTIME_DIR="$run/xdg"
  mkdir -p "$PULSE_RUNTIME_PATH" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  export ZARNIK_SINK=zarnik_null
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes \
    --load="module-null-sink sink_name=$ZARNIK_SINK" \
    --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native" \
    >"$run/pulse.log" 2>&1 || { echo "PulseAudio did not start" >&2; cat "$run/pulse.log" >&2; return 1; }
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  local i
  for i in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-sink "$ZARNIK_SINK" >/dev/null 2>&1 || true
  # What the sink plays is what a test records.
  pactl set-default-source "$ZARNIK_SINK.monitor" >/dev/null 2>&1 || true

  zarnik_wine_prefix "${ZARNIK_WINEPREFIX:-$run/wineprefix}"
}

# Exports what Wine needs to run in the prefix (made on first use) on $DISPLAY, and brings
# its server and services up.
zarnik_wine_prefix() {
  local run=${ZARNIK_RUN_DIR:?}
  # Wine in the Japanese locale: the ANSI code page is then 932.
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  # No Mono or Gecko: their installers would try to download.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.zarnik-ready" ]; then
    wineboot -i >"$run/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d 'IPAGothic' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.zarnik-ready"
  fi
  wineserver -p >/dev/null 2>&1 || true
  # Bring up Wine's own services now, with their output to a file: started later by a test
  # they would inherit the test's output pipes and keep CTest waiting after the test ends.
  wine cmd /c exit >"$run/wine-services.log" 2>&1 </dev/null || true
}

# A second prefix for the tests that run with an English UI (code page 1252), after
# zarnik_env_start: CTest runs them with LANG, LC_ALL and WINEPREFIX set to it (see
# zarnik_add_english_run).
zarnik_english_prefix_start() {
  local run=$ZARNIK_RUN_DIR
  (
    export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 WINEPREFIX="$run/wineprefix-en"
    if [ ! -f "$WINEPREFIX/.zarnik-ready" ]; then
      wineboot -i >"$run/wineboot-en.log" 2>&1
      wineserver -w
      touch "$WINEPREFIX/.zarnik-ready"
    fi
    wineserver -p >/dev/null 2>&1 || true
    wine cmd /c exit >"$run/wine-services-en.log" 2>&1 </dev/null || true
  )
}

zarnik_env_stop() {
  # Each part may be gone already (or never made): that is no failure under set -e.
  [ -z "${WINEPREFIX:-}" ] || wineserver -k >/dev/null 2>&1 || true
  [ -z "${ZARNIK_RUN_DIR:-}" ] || WINEPREFIX="$ZARNIK_RUN_DIR/wineprefix-en" wineserver -k >/dev/null 2>&1 || true
  [ -z "${PULSE_RUNTIME_PATH:-}" ] || pulseaudio --kill >/dev/null 2>&1 || true
  [ -z "${ZARNIK_XVFB_PID:-}" ] || kill "$ZARNIK_XVFB_PID" >/dev/null 2>&1 || true
  return 0
}
