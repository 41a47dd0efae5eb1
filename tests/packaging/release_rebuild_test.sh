#!/usr/bin/env bash
# Two builds of one commit, in two folders on two dates, give the same bytes, and
# scripts/verify-release.sh says so: this build's packages, put in a folder as a user would
# download them, are checked against a rebuild of the commit in a clean folder elsewhere, with
# the clock a year and some hours on (faketime), another time zone and another umask. Then one
# byte of the zip is changed: the check must fail, whether SHA256SUMS was left alone or made
# again for the changed zip.
# Usage: release_rebuild_test.sh SOURCE BUILD WORK VERSION   (exit 77: skipped, with the reason)
set -u
source=$1 build=$2 work=$3 version=$4

skip() { echo "SKIPPED: $*"; exit 77; }
command -v faketime >/dev/null || skip "faketime is not installed (scripts/install-deps.sh installs it)"
git -C "$source" rev-parse -q --verify HEAD >/dev/null 2>&1 || skip "$source is not a git checkout"
git -C "$source" diff --quiet HEAD -- ||
  skip "the working tree has changes not committed; a rebuild of the commit cannot match this build"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

zip=Zarnik-$version-win64.zip setup=Zarnik-$version-setup.exe
downloads="$work/downloads"
# A clean folder each time: nothing of an earlier rebuild is reused.
rm -rf "$work"
mkdir -p "$downloads"
for f in SHA256SUMS "$zip" "$setup"; do
  cp "$build/package/$f" "$downloads/" || { fail "this build made no $f"; exit 1; }
done

# libfaketime also shifts the file times stat() reports unless told not to; a machine whose clock
# shows another day would not.
later=$(date -u -d '+400 days 7 hours' '+%Y-%m-%d %H:%M:%S')
echo "rebuilding as of $later (Asia/Tokyo) in $work/build"
out=$( (umask 0002
        TZ=Asia/Tokyo NO_FAKE_STAT=1 ZARNIK_VERIFY_REF=HEAD ZARNIK_VERIFY_WORK="$work" \
          faketime "$later" "$source/scripts/verify-release.sh" "$downloads") 2>&1)
rc=$?
echo "$out"
[ "$rc" -eq 0 ] || fail "verify-release refused this build's own packages (exit $rc)"

# All four files, the binaries as packaged and as linked, are the same in both builds.
for f in package/stage/Zarnik.scr package/stage/Quorvel.dll "package/$zip" "package/$setup" \
         bin/Zarnik.scr bin/Quorvel.dll; do
  a=$(sha256sum <"$build/$f" | cut -d' ' -f1)
  b=$(sha256sum <"$work/build/$f" | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then echo "same: $f $a"; else fail "$f differs: $a here, $b in the rebuild"; fi
done

# One byte of the zip changed, in the middle of its compressed data.
mkdir -p "$work/changed"
cp "$downloads"/* "$work/changed/"
size=$(stat -c %s "$work/changed/$zip")
at=$((size / 2))
old=$(od -An -tu1 -j "$at" -N1 "$work/changed/$zip" | tr -d ' ')
printf "$(printf '\\%03o' $(((old + 1) % 256)))" |
  dd of="$work/changed/$zip" bs=1 seek="$at" conv=notrunc status=none
cmp -s "$downloads/$zip" "$work/changed/$zip" && fail "the zip was not changed"

out=$(ZARNIK_VERIFY_REF=HEAD ZARNIK_VERIFY_WORK="$work" "$source/scripts/verify-release.sh" "$work/changed" 2>&1)
rc=$?
echo "$out"
[ "$rc" -ne 0 ] || fail "a zip with one byte changed passed against the release's SHA256SUMS"
grep -q "DOWNLOADED $zip DOES NOT MATCH SHA256SUMS" <<<"$out" || fail "the changed download was not named"

# The same zip with sums made for it: only the rebuild can tell (the build in WORK is reused).
(cd "$work/changed" && sha256sum "$setup" "$zip" >SHA256SUMS)
out=$(ZARNIK_VERIFY_REF=HEAD ZARNIK_VERIFY_WORK="$work" "$source/scripts/verify-release.sh" "$work/changed" 2>&1)
rc=$?
echo "$out"
[ "$rc" -ne 0 ] || fail "a changed zip with sums to match passed against the rebuild"
grep -q "$zip: DIFFERS" <<<"$out" || fail "the rebuild did not name the changed zip"
grep -q "$setup: .*the same as the rebuild" <<<"$out" || fail "the untouched installer was not found the same"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "ok: two builds, two folders, two dates, the same bytes; a changed byte is caught"
