#!/usr/bin/env bash
# Builds the picture and sound header readers natively with libFuzzer, AddressSanitizer and
# UBSan, and fuzzes them from the seeds kept in the tree (the picture corpus and the test
# sounds). Usage: tests/platform/fuzz-headers.sh [seconds | runs=N]   (needs clang; default 60 s)
# Prints libFuzzer's last lines: how many inputs ran, in how long; a failure exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/../.."
limit="-max_total_time=${1:-60}"
case "${1:-}" in runs=*) limit="-runs=${1#runs=}" ;; esac
out=${ZARNIK_BUILD_DIR:-build}/fuzz
mkdir -p "$out"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I. \
  platform/picture_header.cpp platform/sound_header.cpp tests/platform/header_fuzz.cpp -o "$out/header_fuzz"
# Each run starts from the seeds alone, so that one run is like the next.
corpus="$out/headers-corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
cp tests/platform/picture-corpus/* tests/music/data/* "$corpus/"
log="$out/header_fuzz.log"
rc=0
"$out/header_fuzz" "$limit" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$out/" "$corpus" >"$log" 2>&1 || rc=$?
grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' "$log" || true
if [ "$rc" -ne 0 ]; then
  tail -40 "$log"
  echo "header fuzzing failed: $log" >&2
fi
exit "$rc"
