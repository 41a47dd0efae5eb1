#!/usr/bin/env bash
# The release packages, checked as a user would meet them: the zip's contents, and the installer
# run under Wine in a prefix of its own (so the screen-saver values and uninstall entries it
# writes never reach the other tests' prefix), or natively on Windows (MSYS2's bash), where it
# installs into this user's profile and changes this user's screen saver: there it runs only
# with ZARNIK_TEST_INSTALLS_HERE=1, on a machine that may be thrown away (a CI runner).
# Usage: installer_test.sh prepare|package|install|saver|upgrade|uninstall|all_users
# Environment (from CTest): ZARNIK_VERSION, ZARNIK_ZIP, ZARNIK_SETUP, ZARNIK_STAGE, ZARNIK_NSIS_SCRIPT,
# ZARNIK_ICON, ZARNIK_MAKENSIS, ZARNIK_OBJDUMP, ZARNIK_INSTALLER_PREFIX.
# Exit status 77: skipped, with the reason.
set -u
for var in ZARNIK_VERSION ZARNIK_ZIP ZARNIK_STAGE ZARNIK_OBJDUMP ZARNIK_INSTALLER_PREFIX; do
  [ -n "${!var:-}" ] || { echo "$var is not set" >&2; exit 2; }
done

native=""
case $(uname -s) in MINGW* | MSYS* | CYGWIN*) native=1 ;; esac
skip() { echo "SKIPPED: $*"; exit 77; }
needs() { local t; for t in "$@"; do command -v "$t" >/dev/null || skip "needs $t"; done; }
case ${1:-} in
  install | saver | upgrade | uninstall | all_users)
    [ -z "$native" ] || [ "${ZARNIK_TEST_INSTALLS_HERE:-}" = 1 ] ||
      skip "installs into this user's profile and changes the screen saver: set ZARNIK_TEST_INSTALLS_HERE=1 on a machine you can throw away"
    ;;
esac
# ImageMagick 7 (MSYS2) is magick; 6 (Debian) is convert.
im() { if command -v magick >/dev/null; then magick "$@"; else convert "$@"; fi; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else fail "$what"; fi
}
equal() {  # equal WHAT ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1: got [$2], expected [$3]"; fi
}
finish() {
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  exit 0
}

# ---------------------------------------------------------------------------------------------
# The package's files, without Wine.

case_package() {
  needs unzip wrestool
  local listing
  listing=$(unzip -Z1 "$ZARNIK_ZIP" | sort | tr '\n' ' ')
  equal "zip listing" "$listing" "LICENSE.txt Quorvel.dll README.txt THIRD-PARTY-NOTICES.txt Zarnik.scr "

  local unpacked; unpacked=$(mktemp -d)
  unzip -q "$ZARNIK_ZIP" -d "$unpacked"
  local f
  for f in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    check "$f has only CRLF line ends" bash -c "[ -s '$unpacked/$f' ] && ! grep -qv \$'\\r\$' '$unpacked/$f'"
  done
  check "README names the version" grep -q "Zarnik $ZARNIK_VERSION" "$unpacked/README.txt"
  check "LICENSE is MIT, the Zarnik developers" \
    bash -c "grep -q 'MIT License' '$unpacked/LICENSE.txt' && grep -q 'Copyright (c) the Zarnik developers' '$unpacked/LICENSE.txt'"
  for f in 'Independent JPEG Group' 'Modified (3-clause) BSD License' "altered from any source distribution"; do
    check "notices carry: $f" grep -q "$f" "$unpacked/THIRD-PARTY-NOTICES.txt"
  done

  for f in Zarnik.scr:VFT_APP Quorvel.dll:VFT_DLL; do
    local name=${f%%:*} bin="$unpacked/${f%%:*}"
    check "$name is stripped" bash -c "LC_ALL=C '$ZARNIK_OBJDUMP' --syms '$bin' | grep -q 'no symbols'"
    # Version strings are UTF-16 in the resource; without the zero bytes a key runs into its value.
    local strings
    strings=$(wrestool -x --raw -t 16 "$bin" | tr -d '\0')
    local expected
    for expected in "ProductVersion$ZARNIK_VERSION" "FileVersion$ZARNIK_VERSION" "ProductNameZarnik" \
                    "OriginalFilename$name" "LegalCopyrightCopyright (c) the Zarnik developers" \
                    "FileDescriptionZarnik "; do
      check "$name version resource: $expected" grep -qaF "$expected" <<<"$strings"
    done
  done
  # String block 1 holds strings 0 to 15, each a length and UTF-16 text: 0 is empty, 1 "Zarnik".
  local block
  block=$(wrestool -x --raw -t 6 -n 1 "$unpacked/Zarnik.scr" | od -An -tx1 | tr -d ' \n')
  equal "Zarnik.scr's string 1 is its display name" "${block:0:32}" 000006005a00610072006e0069006b00
  check "the manifest carries the version" \
    bash -c "wrestool -x --raw -t 24 '$unpacked/Zarnik.scr' | grep -qa 'version=\"$ZARNIK_VERSION.0\"'"
  rm -rf "$unpacked"

  if [ -n "${ZARNIK_SETUP:-}" ]; then
    check "the installer carries the version" \
      bash -c "wrestool -x --raw -t 16 '$ZARNIK_SETUP' | tr -d '\\0' | grep -qaF 'ProductVersion$ZARNIK_VERSION'"
  fi
}

# ---------------------------------------------------------------------------------------------
# Windows helpers: Wine's, or the system's own

UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarnik'
DESKTOP='HKCU\Control Panel\Desktop'

if [ -n "$native" ]; then
  # Windows programs get their arguments as written (/S, HKCU\...), not as MSYS2 paths.
  export MSYS2_ARG_CONV_EXCL='*'
  wine_quiet() { "$@" >/dev/null 2>&1 </dev/null; }
  wine() { "$@"; }
  settle() { :; }  # a program started from here has ended when it returns
  unix_path() { cygpath -u "$1"; }
  drive_c_path() { cygpath -u "$1"; }
  user_folders() { printf '%s\n' "${LOCALAPPDATA:?}" "${APPDATA:?}" "${ProgramW6432:-C:\\Program Files}"; }
  stop_programs() { taskkill /F /IM Zarnik.scr >/dev/null 2>&1; return 0; }
else
  export WINEPREFIX=$ZARNIK_INSTALLER_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine_quiet() { wine "$@" >/dev/null 2>&1 </dev/null; }
  settle() { timeout 120 wineserver -w; }
  unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
  # The prefix's own folders, without a Wine start: C:\a\b -> $WINEPREFIX/drive_c/a/b.
  drive_c_path() {
    local rest=${1#[Cc]:\\}
    [ "$rest" != "$1" ] || { echo "not on drive C: $1" >&2; return 1; }
    echo "$WINEPREFIX/drive_c/${rest//\\//}"
  }
  user_folders() {
    wine cmd /c 'echo %LOCALAPPDATA%&echo %APPDATA%&echo %ProgramW6432%' 2>/dev/null </dev/null | tr -d '\r'
  }
  stop_programs() { wineserver -k >/dev/null 2>&1; return 0; }
fi

# reg_query KEY NAME -> "TYPE<tab>DATA", nothing when the value is missing. A key is read once
# until something changes the registry (each Wine start costs seconds on a busy machine).
REG_CACHE=$(mktemp -d)
trap 'rm -rf "$REG_CACHE"' EXIT
reg_changed() { rm -f "$REG_CACHE"/*; }
reg_query() {
  local cache; cache="$REG_CACHE/$(md5sum <<<"$1" | cut -c1-32)"
  [ -f "$cache" ] || wine reg query "$1" 2>/dev/null </dev/null | tr -d '\r' >"$cache"
  awk -v name="$2" '{
      at = index($0, "    REG_")
      if (at > 5 && substr($0, 5, at - 5) == name) {
        rest = substr($0, at + 4); type = rest; sub(/    .*/, "", type)
        print type "\t" substr(rest, length(type) + 5); exit
      }
    }' "$cache"
}
reg_value() { reg_query "$1" "$2" | cut -f2-; }
reg_type() { reg_query "$1" "$2" | cut -f1; }
reg_set() { reg_changed; wine_quiet reg add "$1" /v "$2" /d "$3" /f; }
reg_unset() { reg_changed; wine_quiet reg delete "$1" /v "$2" /f; }

prepare_prefix() {
  [ -z "$native" ] || return 0
  if [ ! -f "$WINEPREFIX/.zarnik-installer-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 </dev/null
    settle
    touch "$WINEPREFIX/.zarnik-installer-ready"
  fi
}

# Each case starts from a prefix without Zarnik and with known screen-saver values.
begin() {
  stop_programs
  wine_quiet cmd /c exit  # Wine's services, their output away from CTest's pipes
  local folders
  mapfile -t folders < <(user_folders)
  LOCAL_DIR_WIN="${folders[0]}\\Programs\\Zarnik"
  APPDATA_WIN=${folders[1]}
  LOCAL_DIR=$(drive_c_path "$LOCAL_DIR_WIN")
  APPDATA_DIR=$(drive_c_path "$APPDATA_WIN")
  SYS_DIR=$(drive_c_path 'C:\windows\system32')
  rm -rf "$LOCAL_DIR" "$APPDATA_DIR/Zarnik" "$(drive_c_path "${folders[2]}\\Zarnik")"
  rm -f "$SYS_DIR"/Zarnik.scr "$SYS_DIR"/Quorvel.*
  reg_changed
  wine_quiet reg delete "HKCU\\$UNINSTALL_KEY" /f
  wine_quiet reg delete "HKLM\\$UNINSTALL_KEY" /f
  reg_set "$DESKTOP" SCRNSAVE.EXE 'C:\windows\system32\previous.scr'
  reg_set "$DESKTOP" ScreenSaveActive 0
  reg_set "$DESKTOP" ScreenSaveTimeOut 420
}
end_case() { stop_programs; }

run_setup() {  # run_setup SETUP ARGS...
  local setup=$1; shift
  reg_changed
  wine_quiet "$setup" /S "$@"
  settle
}
# Runs the program of an uninstall entry's QuietUninstallString, as Windows would.
run_quiet_uninstall() {  # run_quiet_uninstall HKCU|HKLM
  local quiet program
  quiet=$(reg_value "$1\\$UNINSTALL_KEY" QuietUninstallString)
  program=$(sed -E 's/^"([^"]+)".*/\1/' <<<"$quiet")
  [ -n "$program" ] || { fail "no QuietUninstallString under $1"; return; }
  reg_changed
  wine_quiet "$program" /S
  settle
  # An NSIS uninstaller runs on from a copy of itself in the temporary folder and removes its
  # entry last: until then it is not done (Windows; under Wine settle waited for it).
  local i
  for i in $(seq 240); do
    reg_changed
    entry_exists "$1" || break
    sleep 0.5
  done
}
current_saver_is() {  # current_saver_is UNIX_FILE
  local value; value=$(reg_value "$DESKTOP" SCRNSAVE.EXE)
  [ -n "$value" ] && [ "$(unix_path "$value")" -ef "$1" ]
}
entry_exists() { [ -n "$(reg_query "$1\\$UNINSTALL_KEY" DisplayName)" ]; }
no_entry() { ! entry_exists "$1"; }

# ---------------------------------------------------------------------------------------------
# Cases

case_install() {
  begin
  run_setup "$ZARNIK_SETUP"
  local f
  for f in Zarnik.scr Quorvel.dll; do
    check "$f installed as packaged" cmp -s "$ZARNIK_STAGE/$f" "$LOCAL_DIR/$f"
  done
  for f in Uninstall.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    check "$f installed" test -s "$LOCAL_DIR/$f"
  done
  check "SCRNSAVE.EXE names the installed saver" current_saver_is "$LOCAL_DIR/Zarnik.scr"
  equal "ScreenSaveActive" "$(reg_value "$DESKTOP" ScreenSaveActive)" 1
  equal "ScreenSaveTimeOut left alone" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" 420

  local key="HKCU\\$UNINSTALL_KEY"
  equal DisplayName "$(reg_value "$key" DisplayName)" Zarnik
  equal DisplayVersion "$(reg_value "$key" DisplayVersion)" "$ZARNIK_VERSION"
  equal Publisher "$(reg_value "$key" Publisher)" "the Zarnik developers"
  equal DisplayIcon "$(reg_value "$key" DisplayIcon)" "$LOCAL_DIR_WIN\\Zarnik.scr,0"
  equal InstallLocation "$(reg_value "$key" InstallLocation)" "$LOCAL_DIR_WIN"
  equal UninstallString "$(reg_value "$key" UninstallString)" "\"$LOCAL_DIR_WIN\\Uninstall.exe\""
  equal QuietUninstallString "$(reg_value "$key" QuietUninstallString)" "\"$LOCAL_DIR_WIN\\Uninstall.exe\" /S"
  equal NoModify "$(reg_query "$key" NoModify)" $'REG_DWORD\t0x1'
  equal NoRepair "$(reg_query "$key" NoRepair)" $'REG_DWORD\t0x1'
  equal "EstimatedSize type" "$(reg_type "$key" EstimatedSize)" REG_DWORD
  local kb bytes
  kb=$(( $(reg_value "$key" EstimatedSize) ))
  bytes=$(cat "$LOCAL_DIR"/* | wc -c)
  check "EstimatedSize ($kb KB) covers the installed files ($bytes bytes)" \
    test "$kb" -ge $((bytes / 1024)) -a "$kb" -le $((bytes / 1024 + 16))
  check "nothing of the all-users mode" bash -c "[ ! -e '$SYS_DIR/Zarnik.scr' ]"
  end_case
}

# The installed saver runs from its folder and reads the settings file beside it: a picture
# chosen there is what decays.
case_saver() {
  begin
  run_setup "$ZARNIK_SETUP"
  im -size 640x480 xc:'#d01010' BMP3:"$LOCAL_DIR/red.bmp"
  { printf '[Section]\r\n'
    printf '画像=1\r\n画像ﾌｧｲﾙ=%s\\red.bmp\r\n劣化度=1\r\n' "$LOCAL_DIR_WIN"
  } | iconv -f UTF-8 -t CP932 >"$LOCAL_DIR/Quorvel.ini"
  cp "$LOCAL_DIR/Quorvel.ini" "$LOCAL_DIR/settings.before"

  (cd "$LOCAL_DIR" && wine ./Zarnik.scr /s >/dev/null 2>&1 </dev/null) &
  local jpg="$LOCAL_DIR/Quorvel.jpg" first="" now="" i
  for i in $(seq 600); do
    [ -s "$jpg" ] && first=$(md5sum <"$jpg") && break
    sleep 0.1
  done
  check "Quorvel.jpg appears beside the installed saver" test -n "$first"
  for i in $(seq 600); do
    [ -s "$jpg" ] && now=$(md5sum <"$jpg") && [ "$now" != "$first" ] && break
    sleep 0.1
  done
  check "Quorvel.jpg changes as the picture decays" test -n "$now" -a "$now" != "$first"
  local pixel
  pixel=$(im "$jpg" -gravity center -crop 1x1+0+0 -depth 8 txt:- 2>/dev/null |
          sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -n 1)
  check "the picture chosen in the settings file beside it is shown (centre $pixel)" \
    bash -c "read -r r g b <<<'$pixel'; [ \"\$r\" -gt 150 ] && [ \"\$g\" -lt 90 ] && [ \"\$b\" -lt 90 ]"
  check "no fallback folder in the user's profile" test ! -e "$APPDATA_DIR/Zarnik"
  end_case
  check "the settings file is left as it was" cmp -s "$LOCAL_DIR/settings.before" "$LOCAL_DIR/Quorvel.ini"
}

case_upgrade() {
  begin
  run_setup "$ZARNIK_SETUP"
  # Settings as the user left them: code page 932 text, odd spacing, no final line end.
  { printf '[Section]\r\n画像=0\r\n劣化度 =  5\r\n'
    printf 'BGMﾌｧｲﾙ=C:\\音楽\\曲.mp3\r\n; kept\r\n\r\n[Other]\r\nx=1'
  } | iconv -f UTF-8 -t CP932 >"$LOCAL_DIR/Quorvel.ini"
  local before; before=$(mktemp)
  cp "$LOCAL_DIR/Quorvel.ini" "$before"

  local next_version next_setup
  next_version=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$ZARNIK_VERSION")
  next_setup="$(dirname "$ZARNIK_SETUP")/upgrade-test-$next_version-setup.exe"
  "$ZARNIK_MAKENSIS" -V1 -DVERSION="$next_version" -DSTAGE="$ZARNIK_STAGE" \
    -DOUTFILE="$next_setup" -DICON="$ZARNIK_ICON" "$ZARNIK_NSIS_SCRIPT" >/dev/null ||
    fail "building the next version's installer"
  run_setup "$next_setup"
  rm -f "$next_setup"

  check "the settings file is kept byte for byte" cmp -s "$before" "$LOCAL_DIR/Quorvel.ini"
  equal "DisplayVersion after the upgrade" "$(reg_value "HKCU\\$UNINSTALL_KEY" DisplayVersion)" "$next_version"
  check "Zarnik.scr still installed" cmp -s "$ZARNIK_STAGE/Zarnik.scr" "$LOCAL_DIR/Zarnik.scr"
  check "Zarnik still the current saver" current_saver_is "$LOCAL_DIR/Zarnik.scr"

  # The saver replaced by the first install is still the one an uninstall puts back.
  run_quiet_uninstall HKCU
  equal "SCRNSAVE.EXE after uninstalling the upgrade" \
    "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
  check "a silent uninstall keeps the settings file" cmp -s "$before" "$LOCAL_DIR/Quorvel.ini"
  rm -f "$before"
  end_case
}

case_uninstall() {
  begin
  run_setup "$ZARNIK_SETUP"
  local f
  for f in Quorvel.bmp Quorvel.jpg Quorvel-2.bmp Quorvel-2.jpg Quorvel.ini; do
    echo work >"$LOCAL_DIR/$f"
  done
  mkdir -p "$APPDATA_DIR/Zarnik"
  echo settings >"$APPDATA_DIR/Zarnik/Quorvel.ini"
  echo work >"$APPDATA_DIR/Zarnik/Quorvel.jpg"

  run_quiet_uninstall HKCU
  for f in Zarnik.scr Quorvel.dll Uninstall.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt \
           Quorvel.bmp Quorvel.jpg Quorvel-2.bmp Quorvel-2.jpg; do
    check "$f removed" test ! -e "$LOCAL_DIR/$f"
  done
  check "work file in the fallback folder removed" test ! -e "$APPDATA_DIR/Zarnik/Quorvel.jpg"
  check "silent: settings beside the program kept" test -s "$LOCAL_DIR/Quorvel.ini"
  check "silent: settings in the fallback folder kept" test -s "$APPDATA_DIR/Zarnik/Quorvel.ini"
  check "uninstall entry removed" no_entry HKCU
  equal "previous SCRNSAVE.EXE restored" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
  equal "previous ScreenSaveActive restored" "$(reg_value "$DESKTOP" ScreenSaveActive)" 0
  equal "ScreenSaveTimeOut left alone" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" 420

  # A saver the user chose after installing stays.
  begin
  run_setup "$ZARNIK_SETUP"
  reg_set "$DESKTOP" SCRNSAVE.EXE 'C:\windows\system32\chosen-later.scr'
  run_quiet_uninstall HKCU
  equal "a saver chosen since stays" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\chosen-later.scr'
  check "with nothing of the user's left, the folder goes" test ! -e "$LOCAL_DIR"

  # With no saver before, none after.
  begin
  reg_unset "$DESKTOP" SCRNSAVE.EXE
  run_setup "$ZARNIK_SETUP"
  check "installed over no saver" current_saver_is "$LOCAL_DIR/Zarnik.scr"
  run_quiet_uninstall HKCU
  equal "no SCRNSAVE.EXE again" "$(reg_query "$DESKTOP" SCRNSAVE.EXE)" ""
  end_case
}

case_all_users() {
  begin
  run_setup "$ZARNIK_SETUP" /ALLUSERS
  local f
  for f in Zarnik.scr Quorvel.dll; do
    check "$f in the 64-bit system folder" cmp -s "$ZARNIK_STAGE/$f" "$SYS_DIR/$f"
  done
  check "nothing in the per-user folder" test ! -e "$LOCAL_DIR/Zarnik.scr"
  check "machine-wide uninstall entry" entry_exists HKLM
  check "no per-user uninstall entry" no_entry HKCU
  # Windows writes its system folder's name in any letter case (C:\WINDOWS\system32).
  local icon; icon=$(reg_value "HKLM\\$UNINSTALL_KEY" DisplayIcon)
  equal "DisplayIcon" "${icon,,}" 'c:\windows\system32\zarnik.scr,0'
  check "current saver is the system copy" current_saver_is "$SYS_DIR/Zarnik.scr"

  run_quiet_uninstall HKLM
  for f in Zarnik.scr Quorvel.dll; do
    check "$f removed from the system folder" test ! -e "$SYS_DIR/$f"
  done
  check "machine-wide entry removed" no_entry HKLM
  equal "previous SCRNSAVE.EXE restored" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" 'C:\windows\system32\previous.scr'
  end_case
}

case ${1:-} in
  prepare) prepare_prefix ;;
  package) case_package ;;
  install) case_install ;;
  saver) case_saver ;;
  upgrade) case_upgrade ;;
  uninstall) case_uninstall ;;
  all_users) case_all_users ;;
  *) echo "usage: $0 prepare|package|install|saver|upgrade|uninstall|all_users" >&2; exit 2 ;;
esac
finish
