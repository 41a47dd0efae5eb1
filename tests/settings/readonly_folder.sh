#!/bin/sh
# A program folder nobody can write to, for readonly_folder_tests: made on the Linux side,
# where root can make a folder unchangeable (chattr +i); Wine then cannot create files in it.
# Without the rights the folder stays writable and the tests say they were skipped.
# Usage: readonly_folder.sh setup|cleanup FOLDER
set -u
folder=$2
case $1 in
  setup)
    if [ -d "$folder" ]; then chattr -i "$folder" 2>/dev/null; rm -rf "$folder"; fi
    mkdir -p "$folder" || exit 1
    # [Section] / 劣化度= 3 in code page 932.
    printf '[Section]\r\n\227\362\211\273\223\170= 3\r\n' >"$folder/Quorvel.ini"
    chattr +i "$folder" 2>/dev/null || echo "chattr +i failed: the folder stays writable"
    ;;
  cleanup)
    chattr -i "$folder" 2>/dev/null
    rm -rf "$folder"
    ;;
esac
exit 0
