#!/usr/bin/env bash
# The main job: builds PackageManager.exe, the packing tool and the sample product, packs the
# sample into build/demo/QuillySetup.exe, installs it silently under Wine in a fresh prefix, and
# shows what was installed (files with sizes, registry values, shortcuts and their targets, the
# uninstall entry), the exit code and the log.
#   demo.sh [installer arguments...]   default /silent; e.g. demo.sh /silent:C:\Games\Tarn /norestart
#   demo.sh uninstall                  uninstalls it again from the same prefix and shows what is left
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=$top/build/demo/wine
win=$top/build/win64
exe=$top/build/demo/QuillySetup.exe
prefix=$root/prefix
run() { "$top/scripts/wine-run" "$root" "$@"; }
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
# A Windows path of the prefix as a host path.
hostpath() { local p=${1//\\//}; echo "$prefix/drive_c/${p#[Cc]:/}"; }
# wine reports the low byte of the Windows exit code: 255 is -1, 254 is -2, 67 is 1603.
shown_code() { case $1 in 255) echo -1 ;; 254) echo -2 ;; 67) echo "1603 (not completed)" ;; *) echo "$1" ;; esac; }
reg_value() { { run reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }

show_registry() {
  for key in 'HKLM\Software\QuillyTarn' 'HKCU\Software\QuillyTarn' \
             'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilly' \
             'HKLM\Software\Classes\CLSID\{73FB7454-0B7D-4845-B3EB-02355A6E48B7}' \
             'HKLM\Software\Classes\CLSID\{1629E7BB-ADEC-405C-BD7C-3F35AB09B3BD}'; do
    if ! out=$(run reg query "$key" /s 2>/dev/null); then
      echo "$key: none"
    elif [ -z "$(echo "$out" | tr -d '\r' | sed '/^$/d')" ]; then
      echo "$key: an empty key"
    else
      echo "$out" | tr -d '\r' | sed '/^$/d'
    fi
  done
}

show_shortcuts() {
  local found=0
  while IFS= read -r -d '' link; do
    found=1
    local target args
    target=$(lnkinfo "$link" 2>/dev/null | awk -F': ' '/Local path/ { print $2; exit }')
    args=$(lnkinfo "$link" 2>/dev/null | awk -F': ' '/Command line arguments/ { print $2; exit }')
    echo "${link#"$prefix"/drive_c/} -> $target${args:+ $args}"
  done < <(find "$prefix/drive_c/users" -name '*.lnk' -path '*Quilly Tarn*' -print0 2>/dev/null)
  [ $found = 1 ] || echo "none"
}

show_log() {
  local log
  log=$(find "$prefix/drive_c/users" -path '*MVInstallLog*' -name '*_Main_*.log' -printf '%T@ %p\n' 2>/dev/null |
        sort -n | tail -n1 | cut -d' ' -f2-)
  echo "log:       ${log:-none}"
  if [ -n "$log" ]; then
    echo "--- the log's last lines ---"
    tail -n 12 "$log" | cut -c1-200
  fi
}

if [ "${1:-}" = uninstall ]; then
  [ -f "$prefix/system.reg" ] || { echo "demo.sh uninstall: nothing installed yet (run scripts/demo.sh first)" >&2; exit 1; }
  "$top/scripts/wine-session" resume "$root"
  trap '"$top/scripts/wine-session" stop "$root"' EXIT
  folder=$(reg_value 'HKLM\Software\QuillyTarn' InstallPath)
  [ -n "$folder" ] || { echo "demo.sh uninstall: the product is not installed in $prefix" >&2; exit 1; }
  echo "== uninstalling from $folder ($folder\\PackageManager.exe /unsilent)"
  set +e
  timeout 120 "$top/scripts/wine-run" "$root" "$folder\\PackageManager.exe" /unsilent
  code=$?
  set -e
  # The package manager deletes itself once its process has ended.
  for _ in $(seq 100); do [ -e "$(hostpath "$folder")/PackageManager.exe" ] || break; sleep 0.2; done
  echo "exit code: $(shown_code $code)"
  echo "--- left in $folder ---"
  if [ -d "$(hostpath "$folder")" ]; then
    (cd "$(hostpath "$folder")" && find . -mindepth 1 | sort | sed 's|^\./||'); echo "(end; an empty folder goes at the next restart)"
  else
    echo "the folder is gone"
  fi
  echo "--- registry ---"
  show_registry
  echo "--- shortcuts ---"
  show_shortcuts
  show_log
  exit 0
fi

"$top/scripts/setup-system.sh"
"$top/scripts/build-win-deps.sh" x86_64
"$top/scripts/build.sh" win64

"$top/scripts/wine-session" start "$root"
trap '"$top/scripts/wine-session" stop "$root"' EXIT
lists=$win/tests/e2e/sample
mkdir -p "$top/build/demo"
echo "== packing the sample product"
run "$win/tools/qypack.exe" --stub "$(winpath "$win/src/PackageManager.exe")" \
  --program-base "$(winpath "$win/samples/product/program")" --program "$(winpath "$lists/program.lst")" \
  --setup-base "$(winpath "$win/samples/product/setup")" --setup "$(winpath "$lists/setup.lst")" \
  -o "$(winpath "$exe")"
run "$win/tools/qypack.exe" --list "$(winpath "$exe")"
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/silent)
echo "== running QuillySetup.exe ${args[*]}"
set +e
# A rejected command line shows a message box that nobody answers here: give up after two minutes.
timeout 120 "$top/scripts/wine-run" "$root" "$exe" "${args[@]}"
code=$?
set -e
echo "exit code: $(shown_code $code)"
folder=$(reg_value 'HKLM\Software\QuillyTarn' InstallPath)
if [ -n "$folder" ]; then
  echo "--- installed into $folder ---"
  (cd "$(hostpath "$folder")" && find . -type f -printf '%10s  %P\n' | sort -k2)
else
  echo "--- nothing installed (no InstallPath registered) ---"
fi
echo "--- registry ---"
show_registry
echo "--- shortcuts ---"
show_shortcuts
show_log
echo "uninstall it again with: scripts/demo.sh uninstall"
