#!/usr/bin/env bash
# The test launcher: a Wine start that failed before writing anything is tried again (up to
# three times, each logged); a program that wrote something is run once, whatever its exit code.
set -u
template=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # expect WHAT ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then echo "FAIL: $1: got '$2', expected '$3'"; failures=$((failures + 1)); fi
}

# A stand-in for Wine: a program whose behaviour on each start is the next word of $work/plan
# ("silent" fails without output, "fail" fails after writing, "pass" writes and succeeds).
cat >"$work/fake-wine" <<'FAKE'
#!/usr/bin/env bash
plan=$(dirname "$0")/plan
read -r step rest <"$plan"; echo "$rest" >"$plan"
echo "$step" >>"$(dirname "$0")/starts"
case $step in
  silent) exit 3 ;;
  fail) echo "[  FAILED  ] $*"; exit 1 ;;
  pass) echo "[  PASSED  ] $*"; exit 0 ;;
esac
FAKE
chmod +x "$work/fake-wine"
sed -e "s|@ZARNIK_TEST_WINE@|$work/fake-wine|" -e "s|@ZARNIK_LAUNCH_LOG@|$work/log|" \
  "$template" >"$work/launcher"

run() {  # run PLAN -> sets output, rc, starts, logged
  echo "$1" >"$work/plan"; rm -f "$work/starts" "$work/log"; touch "$work/starts" "$work/log"
  output=$(bash "$work/launcher" prog.exe --gtest_filter=X 2>&1); rc=$?
  starts=$(paste -sd' ' "$work/starts"); logged=$(wc -l <"$work/log")
}

run "silent silent pass"
expect "two silent failures, then a start: exit code" "$rc" 0
expect "two silent failures, then a start: starts" "$starts" "silent silent pass"
expect "two silent failures, then a start: output" "$output" "[  PASSED  ] prog.exe --gtest_filter=X"
expect "two silent failures, then a start: refusals logged" "$logged" 2

run "fail pass"
expect "a program that wrote and failed: exit code" "$rc" 1
expect "a program that wrote and failed: starts" "$starts" "fail"
expect "a program that wrote and failed: nothing logged" "$logged" 0

run "silent silent silent pass"
expect "three silent failures: exit code" "$rc" 3
expect "three silent failures: starts" "$starts" "silent silent silent"
expect "three silent failures: logged" "$logged" 3
case $output in *"three times"*) ;; *) expect "three silent failures: said so" "$output" "...three times..." ;; esac

[ "$failures" -eq 0 ] && echo "launcher: all cases passed"
exit $((failures > 0))
