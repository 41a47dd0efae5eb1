#!/usr/bin/env bash
# Makes the en_US.UTF-8 locale the English UI's tests run in (Wine's UI language is then
# English and its ANSI code page 1252), when it is missing. Without root or sudo it says so and
# goes on.
set -euo pipefail

locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$' && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo"
  else
    echo "english-locale: en_US.UTF-8 is missing and cannot be generated without root" >&2
    exit 0
  fi
fi
echo "Generating en_US.UTF-8"
$sudo sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
$sudo locale-gen >/dev/null
