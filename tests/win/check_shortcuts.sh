#!/usr/bin/env bash
# Reads the start-menu shortcuts that ShortcutTest.cpp wrote with lnkinfo (liblnk-utils), a
# parser independent of the shell that wrote them: target, working folder and arguments.
set -euo pipefail
root=${1:?wine root}
. "$root/session.env"
menu=$(find "$WINEPREFIX/drive_c/users" -type d -path '*Start Menu/Programs/QuillyLnkTest' | head -n1)
[ -n "$menu" ] || { echo "no QuillyLnkTest start-menu folder: the shortcut test did not run" >&2; exit 1; }
status=0
expect() {  # file, field, value
  local line
  line=$(lnkinfo "$menu/$1" | grep -F "$2" | head -n1 | sed 's/^[^:]*:[[:space:]]*//')
  if [ "$line" != "$3" ]; then echo "$1: $2 is '$line', expected '$3'" >&2; status=1; fi
}
expect Tarn.lnk "Local path" 'C:\QuillyLnkTarget\Tarn.exe'
expect Tarn.lnk "Working directory" 'C:\QuillyLnkTarget'
expect Tarn.lnk "Command line arguments" '/quiet'
expect Readme.lnk "Local path" 'C:\QuillyLnkTarget\docs\readme.txt'
expect Readme.lnk "Working directory" 'C:\QuillyLnkTarget\docs'
[ $status -eq 0 ] && echo "shortcuts read back by lnkinfo"
exit $status
