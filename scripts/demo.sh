#!/usr/bin/env bash
# The main job: builds PackageManager.exe, the packing tool and the sample product, packs the
# sample into build/demo/QuillySetup.exe, runs that installer under Wine in a fresh prefix, and
# prints the mode it chose, its exit code, the log it wrote and what it unpacked.
#   demo.sh [installer arguments...]      e.g. demo.sh /silent /norestart
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-system.sh"
"$top/scripts/build-win-deps.sh" x86_64
"$top/scripts/build.sh" win64

root=$top/build/demo/wine
"$top/scripts/wine-session" start "$root"
trap '"$top/scripts/wine-session" stop "$root"' EXIT

winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
win=$top/build/win64
lists=$win/tests/e2e/sample
exe=$top/build/demo/QuillySetup.exe
mkdir -p "$top/build/demo"
echo "== packing the sample product"
"$top/scripts/wine-run" "$root" "$win/tools/qypack.exe" --stub "$(winpath "$win/src/PackageManager.exe")" \
  --program-base "$(winpath "$win/samples/product/program")" --program "$(winpath "$lists/program.lst")" \
  --setup-base "$(winpath "$win/samples/product/setup")" --setup "$(winpath "$lists/setup.lst")" \
  -o "$(winpath "$exe")"
"$top/scripts/wine-run" "$root" "$win/tools/qypack.exe" --list "$(winpath "$exe")"
echo "== running QuillySetup.exe $*"
set +e
# A rejected command line shows a message box that nobody answers here: give up after a minute.
timeout 60 "$top/scripts/wine-run" "$root" "$exe" "$@"
code=$?
set -e
# wine reports the low byte of the Windows exit code: 255 is -1, 254 is -2.
case $code in 255) shown=-1 ;; 254) shown=-2 ;; *) shown=$code ;; esac

log=$(find "$root/prefix/drive_c/users" -path '*MVInstallLog*' -name '*_Main_*.log' -printf '%T@ %p\n' 2>/dev/null | sort -n | tail -n1 | cut -d' ' -f2-)
if [ -n "$log" ]; then
  mode=$(grep -o 'CmdLine: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
  names=(install uninstall update silent unsilent webinstall websilent)
  echo "mode:      ${mode:-?} (${names[${mode:-0}]:-?})"
  echo "exit code: $shown"
  echo "log:       $log"
  echo "--- log ---"
  cat "$log"
  work=$(find "$root/prefix/drive_c/users" -maxdepth 4 -type d -name '~QYSetup' | head -n1)
  if [ -n "$work" ]; then
    echo "--- unpacked into the working folder ($work) ---"
    (cd "$work" && find . -type f | sort)
  fi
else
  echo "mode:      none (the command line was rejected before the log started)"
  echo "exit code: $shown"
  echo "log:       none"
fi
