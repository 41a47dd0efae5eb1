# Sourced by tests that need several monitors: an X.Org server with the dummy driver, whose
# RandR outputs Wine reports as monitors, and a Wine prefix of its own (a prefix's server
# is tied to one display). zarnik_multi_start LAYOUT brings them up with the layout and a
# known picture on the root window; zarnik_multi_stop ends them.
#   right: 1280x800 primary, 1024x768 to its right
#   left:  1280x800 primary, 800x600 to its left (negative x), 100 pixels lower

. "$(dirname "${BASH_SOURCE[0]}")/headless-env.sh"

zarnik_multi_layout() {
  case $1 in
    right)
      xrandr --newmode 1024x768_60 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
      xrandr --addmode DUMMY1 1024x768_60
      xrandr --output DUMMY0 --mode 1280x800 --pos 0x0 --primary --output DUMMY1 --mode 1024x768_60 --pos 1280x0
      ZARNIK_MONITORS="0,0,1280,800;1280,0,2304,768"
      ZARNIK_SECONDARY_ON="--output DUMMY1 --mode 1024x768_60 --pos 1280x0"
      ;;
    left)
      xrandr --newmode 800x600_60 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync
      xrandr --addmode DUMMY1 800x600_60
      xrandr --output DUMMY0 --mode 1280x800 --pos 800x0 --primary --output DUMMY1 --mode 800x600_60 --pos 0x100
      ZARNIK_MONITORS="0,0,1280,800;-800,100,0,700"
      ZARNIK_SECONDARY_ON="--output DUMMY1 --mode 800x600_60 --pos 0x100 --output DUMMY0 --pos 800x0"
      ;;
    *)
      echo "unknown layout $1" >&2
      return 1
      ;;
  esac >/dev/null
  # What the tests check the rig against, primary first, and the xrandr arguments that bring
  # the second monitor back after a test turned it off.
  export ZARNIK_MONITORS ZARNIK_SECONDARY_ON
}

zarnik_multi_start() {
  local layout=$1
  local run=${ZARNIK_RUN_DIR:?}
  mkdir -p "$run/multi"
  run=$(cd "$run" && pwd)
  export ZARNIK_RUN_DIR=$run

  cat >"$run/multi/dummy.conf" <<'CONF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 2304
  EndSubSection
EndSection
CONF

  # The server picks a free display number itself and tells it through the pipe. As root it
  # takes a configuration file by absolute path.
  local fifo="$run/multi/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  Xorg -displayfd 3 -config "$run/multi/dummy.conf" -noreset -nolisten tcp \
    -logfile "$run/multi/xorg.log" 3>"$fifo" >"$run/multi/xorg.out" 2>&1 &
  ZARNIK_XORG_PID=$!
  local num
  read -r -t 30 num <"$fifo" || { echo "Xorg did not start" >&2; tail -20 "$run/multi/xorg.out" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$num"
  local i up=""
  for i in $(seq 100); do
    xrandr >/dev/null 2>&1 && { up=1; break; }
    sleep 0.2
  done
  [ -n "$up" ] || { echo "Xorg does not answer" >&2; tail -20 "$run/multi/xorg.out" >&2; return 1; }
  zarnik_multi_layout "$layout" || return 1
  local want=$(($(echo "$ZARNIK_MONITORS" | tr -cd ';' | wc -c) + 1))
  up=""
  for i in $(seq 50); do
    [ "$(xrandr --listmonitors | head -1)" = "Monitors: $want" ] && { up=1; break; }
    sleep 0.1
  done
  [ -n "$up" ] || { echo "the layout did not take" >&2; xrandr --listmonitors >&2; return 1; }

  # The known picture on the root: a gradient with shapes, no colour near white or black,
  # so that only captions are.
  local size
  size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
  local w=${size%x*} h=${size#*x}
  convert -size "${h}x${w}" gradient:'#3050a0-#a09040' -rotate -90 \
    -fill '#60a060' -draw "circle $((w / 6)),$((h / 2)) $((w / 6)),$((h / 2 + h / 5))" \
    -fill '#a04070' -draw "rectangle $((w * 3 / 5)),$((h / 5)) $((w * 4 / 5)),$((h * 3 / 5))" \
    -fill '#4090a0' -draw "rectangle $((w * 2 / 5)),$((h * 3 / 4)) $((w * 9 / 20)),$((h * 9 / 10))" \
    "$run/multi/root.png"
  display -window root "$run/multi/root.png" >/dev/null 2>&1 &
  local shower=$!
  local seen=""
  for i in $(seq 100); do
    seen=$(import -window root -crop 1x1+2+2 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1)
    [ -n "$seen" ] && [ "$seen" != "#000000" ] && break
    sleep 0.2
  done
  kill "$shower" >/dev/null 2>&1 || true
  wait "$shower" 2>/dev/null || true
  [ "$seen" != "#000000" ] || { echo "root picture not shown" >&2; return 1; }

  zarnik_wine_prefix "$run/wineprefix-multi"
}

zarnik_multi_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
  [ -n "${ZARNIK_XORG_PID:-}" ] && kill "$ZARNIK_XORG_PID" >/dev/null 2>&1 && wait "$ZARNIK_XORG_PID" 2>/dev/null
  return 0
}
