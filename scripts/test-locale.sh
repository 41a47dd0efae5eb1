#!/usr/bin/env bash
# Makes the locales the tests run in, when missing: ja_JP.UTF-8 (Wine's ANSI code page is then
# 932) and en_US.UTF-8 (the English UI's runs, code page 1252). Only the tests need them;
# building does not. Without root or sudo it says so and goes on: the tests that need a missing
# locale then skip.
set -euo pipefail

missing=()
for name in ja_JP en_US; do
  locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$" || missing+=("$name")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo"
  else
    echo "test-locale: ${missing[*]/%/.UTF-8} missing and cannot be generated without root; tests that need them will skip" >&2
    exit 0
  fi
fi
for name in "${missing[@]}"; do
  echo "Generating $name.UTF-8"
  $sudo sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
done
$sudo locale-gen >/dev/null
