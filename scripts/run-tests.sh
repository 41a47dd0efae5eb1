#!/usr/bin/env bash
# Installs, builds and runs every test headless: its own Xvfb, PulseAudio and Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build.sh
./scripts/test-locale.sh
build=${ZARNIK_BUILD_DIR:-build}

export ZARNIK_RUN_DIR="$build/run"
. ./scripts/headless-env.sh
trap zarnik_env_stop EXIT
zarnik_env_start
# The English UI's tests run in a prefix of their own.
zarnik_english_prefix_start

rm -f "$build/run/launch-retries.log"
rc=0
ctest --test-dir "$build" --output-on-failure --timeout 300 -j "${ZARNIK_TEST_JOBS:-2}" "$@" || rc=$?
if [ -s "$build/run/launch-retries.log" ]; then
  echo "Wine starts that failed before the program ran, and were tried again:"
  cat "$build/run/launch-retries.log"
fi
exit "$rc"
