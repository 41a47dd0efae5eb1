#!/usr/bin/env bash
# Makes the ja_JP.UTF-8 locale the tests run in (Wine's ANSI code page is then 932), when it
# is missing. Only the tests need it; building does not. Without root or sudo it says so and
# goes on: the tests that need code page 932 then skip.
set -euo pipefail

locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo"
  else
    echo "test-locale: ja_JP.UTF-8 is missing and cannot be generated without root; tests that need code page 932 will skip" >&2
    exit 0
  fi
fi
echo "Generating ja_JP.UTF-8"
$sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
$sudo locale-gen >/dev/null
