#!/usr/bin/env bash
# The long fuzzing runs, one command:
#  1. the header readers natively with libFuzzer, AddressSanitizer and UBSan, RUNS inputs
#     (default 1,000,000) from the seeds kept in the tree (tests/platform/fuzz-headers.sh);
#  2. the real load path under Wine: FILES mutated picture files (default 5,000; seeds of every
#     kind with bytes flipped, tails cut and sizes that lie) loaded in batches in child processes
#     (build/bin/picture_load_fuzz.exe), counting crashes, hangs, loads over the time bound and
#     the children's peak memory.
# Options by environment: RUNS=N FILES=N SEED=N SKIP_NATIVE=1 SKIP_WINE=1.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZARNIK_BUILD_DIR:-build}
rc=0
if [ -z "${SKIP_NATIVE:-}" ]; then
  echo "== header readers, native, ${RUNS:-1000000} inputs"
  start=$(date +%s)
  ZARNIK_BUILD_DIR=$build tests/platform/fuzz-headers.sh "runs=${RUNS:-1000000}" || rc=1
  echo "   $(( $(date +%s) - start )) s with the build"
fi
if [ -z "${SKIP_WINE:-}" ]; then
  echo "== the load path under Wine, ${FILES:-5000} files"
  cmake --build "$build" --target picture_load_fuzz >/dev/null
  export ZARNIK_RUN_DIR="$build/run-load-fuzz"
  . ./scripts/headless-env.sh
  trap zarnik_env_stop EXIT
  zarnik_env_start
  wine "$build/bin/picture_load_fuzz.exe" "${FILES:-5000}" "${SEED:-24}" || rc=1
fi
exit "$rc"
