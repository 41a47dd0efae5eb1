#!/bin/sh
# Program folders the saver's work files cannot go into, for work_folder_process_tests: a small
# file system of their own (tmpfs, which needs root), one remounted read-only as for an
# all-users install in the system folder, one left too small for the bitmap work file as on a
# full disk. Each holds the program, its converter and a settings file (degree 10, desktop).
# Without the rights to mount, nothing is made and the tests say they were skipped.
# Usage: work_folders.sh setup|cleanup BASE BIN
set -u
base=$2
bin=${3:-}
settle() {
  for folder in "$base/readonly" "$base/small"; do
    mountpoint -q "$folder" 2>/dev/null && umount "$folder" 2>/dev/null
  done
  rm -rf "$base"
}
fill() {  # fill FOLDER: the program, the converter and the settings
  cp "$bin/Zarnik.scr" "$bin/Quorvel.dll" "$1/" || return 1
  # [Section] / 劣化度= 10 in code page 932.
  printf '[Section]\r\n\227\362\211\273\223\170= 10\r\n' >"$1/Quorvel.ini"
}
case $1 in
  setup)
    settle
    mkdir -p "$base/readonly" "$base/small" || exit 1
    if ! mount -t tmpfs -o size=16m tmpfs "$base/readonly" 2>/dev/null; then
      echo "mounting a tmpfs failed: no folders made"
      rm -rf "$base"
      exit 0
    fi
    fill "$base/readonly" && mount -o remount,ro "$base/readonly" || { echo "read-only folder failed"; settle; exit 0; }
    # Room for the program, its settings and small files, not for a bitmap of the screen.
    program=$(cat "$bin/Zarnik.scr" "$bin/Quorvel.dll" | wc -c)
    mount -t tmpfs -o size=$((program + 512 * 1024)) tmpfs "$base/small" && fill "$base/small" ||
      { echo "small folder failed"; settle; exit 0; }
    touch "$base/ready"
    ;;
  cleanup)
    settle
    ;;
esac
exit 0
