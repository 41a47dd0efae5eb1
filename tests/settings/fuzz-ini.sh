#!/usr/bin/env bash
# Builds the profile codec natively with libFuzzer, AddressSanitizer and UBSan and fuzzes it.
# Usage: tests/settings/fuzz-ini.sh [seconds]   (needs clang; default 60 s)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=${ZARNIK_BUILD_DIR:-build}/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I. \
  settings/ini_file.cpp tests/settings/ini_fuzz.cpp -o "$out/ini_fuzz"
# Seeds: the dialog's file and a few odd ones.
printf '[Section]\r\n\211\346\221\234= 1\r\n\227\362\211\273\223\170= 3\r\n\376\376Section\376\376k\376\376v' >"$out/corpus/dialog"
printf '[S]\n[\203]\nk\201=v\r\na="q"\n\0x=1\376\376S\376\376a\376\376b' >"$out/corpus/odd"
"$out/ini_fuzz" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
