#!/usr/bin/env bash
# Installs what is missing, fetches and builds libjpeg-turbo for the target, and builds Zarnik
# into ${ZARNIK_BUILD_DIR:-build}: everything, or only the targets named
# (./scripts/build.sh zarnik_scr Quorvel builds the program and its converter).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZARNIK_BUILD_DIR:-build}
./scripts/install-deps.sh
jt=$(./scripts/fetch-libjpeg-turbo.sh "$build/deps")

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DZARNIK_LIBJPEG_TURBO_SOURCE="$jt" >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
if [ $# -gt 0 ]; then
  cmake --build "$build" --target "$@"
else
  cmake --build "$build"
fi
