#!/usr/bin/env bash
# Installs, builds and starts the screen saver full screen on the current display (under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build.sh
build=${ZARNIK_BUILD_DIR:-build}
if [ -z "${DISPLAY:-}" ]; then
  echo "run-saver: no display (DISPLAY is not set); scripts/run-tests.sh runs everything headless." >&2
  exit 1
fi
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$build/bin/Zarnik.scr" /s
