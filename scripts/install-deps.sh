#!/usr/bin/env bash
# Installs the Debian packages Zarnik needs to build and test, and the workflow schema checker
# from npm, only when one is missing: with everything installed it needs no root. The Japanese
# locale the tests want is made by scripts/test-locale.sh, which run-tests.sh calls.
set -euo pipefail

packages=(
  cmake ninja-build nasm make
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  googletest dpkg-dev
  wine wine64
  xvfb xauth x11-utils xdotool imagemagick
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  pulseaudio pulseaudio-utils sox lame
  gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav
  locales fonts-ipafont-gothic fonts-liberation
  nsis icoutils unzip
  python3 git curl faketime
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The workflows' schema check (action-validator carries the schema: it needs no network once
# installed). npm from Debian where there is none.
if ! command -v action-validator >/dev/null; then
  if ! command -v npm >/dev/null; then
    echo "Installing: npm"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm
  fi
  echo "Installing: @action-validator/cli (npm)"
  $sudo npm install --global --no-fund --no-audit @action-validator/cli@0.6.0 >/dev/null
fi
