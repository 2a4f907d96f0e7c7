#!/usr/bin/env bash
# Reads shortcuts a test left in a folder of the Wine prefix with lnkinfo (liblnk-utils), a parser
# independent of the shell that wrote them, and compares target, working folder and arguments
# with the lines "file|field|value" of an expectations file.
#   check_shortcuts.sh ROOT FOLDER EXPECTED   FOLDER: a path pattern below the prefix's drive_c
set -euo pipefail
root=${1:?wine root}
pattern=${2:?folder pattern}
expected=${3:?expectations file}
. "$root/session.env"
folder=$(find "$WINEPREFIX/drive_c" -type d -path "$WINEPREFIX/drive_c/$pattern" | head -n1)
[ -n "$folder" ] || { echo "no folder $pattern: the test that writes the shortcuts did not run" >&2; exit 1; }
status=0
while IFS='|' read -r file field value; do
  [ -n "$file" ] || continue
  line=$(lnkinfo "$folder/$file" | grep -F "$field" | head -n1 | sed 's/^[^:]*:[[:space:]]*//')
  if [ "$line" != "$value" ]; then echo "$file: $field is '$line', expected '$value'" >&2; status=1; fi
done <"$expected"
[ $status -eq 0 ] && echo "shortcuts in $pattern read back by lnkinfo"
exit $status
