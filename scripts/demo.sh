#!/usr/bin/env bash
# The main job: builds PackageManager.exe, the packing tool and the sample product, packs the
# sample into build/demo/QuillySetup.exe, installs it silently under Wine in a fresh prefix, and
# shows what was installed (files with sizes, registry values, shortcuts and their targets, the
# uninstall entry), the exit code and the log. Then it clicks through the interactive wizards as a
# user would (an update install, the uninstall's first page) and writes their pages' screenshots
# into build/demo/screenshots.
#   demo.sh [installer arguments...]   default /silent; e.g. demo.sh /silent:C:\Games\Tarn /norestart
#   demo.sh uninstall                  uninstalls it again from the same prefix and shows what is left
#   demo.sh wizard                     opens the real install wizard on your display ($DISPLAY)
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

# ---- the wizards, clicked through on the session's display ----
shots=$top/build/demo/screenshots
probe=$win/tests/win/ui/ui_probe.exe
# The centre of a skin's control in client pixels, from the skin through the framework.
centre() {
  run "$probe" rects "$(winpath "$win/skin")" "$1" "$2" | tr -d '\r' |
    awk -v n="$2" '$1 == n { print int(($2 + $4) / 2), int(($3 + $5) / 2) }'
}
# The wizard window's place on the screen ("x y w h"), once it is shown.
wizard_place() {
  local info
  for _ in $(seq 300); do
    if info=$(DISPLAY=$display xwininfo -name Quilly 2>/dev/null); then
      echo "$info" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                          /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
      return 0
    fi
    sleep 0.2
  done
  return 1
}
click() {
  local at place
  at=$(centre "$1" "$2"); place=$(wizard_place)
  read -r cx cy <<<"$at"; read -r wx wy _ _ <<<"$place"
  DISPLAY=$display xdotool mousemove $((wx + cx)) $((wy + cy)) sleep 0.2 click 1
}
shot() {
  local place
  place=$(wizard_place); read -r wx wy ww wh <<<"$place"
  sleep 0.5
  DISPLAY=$display xwd -root -silent | convert xwd:- -crop "$((ww + 48))x$((wh + 48))+$((wx - 24))+$((wy - 24))" \
    +repage "$shots/$1.png"
  echo "  $shots/$1.png"
}
newest_log() {
  find "$prefix/drive_c/users" -path '*MVInstallLog*' -name '*_Main_*.log' -printf '%T@ %p\n' 2>/dev/null |
    sort -n | tail -n1 | cut -d' ' -f2-
}
wait_for_log() {
  for _ in $(seq 600); do grep -q "$1" "$(newest_log)" 2>/dev/null && return 0; sleep 0.2; done
  return 1
}
wizard_pages() {
  local folder=$1
  display=$(. "$root/session.env" && echo "$DISPLAY")
  mkdir -p "$shots"
  rm -f "$shots"/*.png
  echo "== the install wizard over the installed product (an update), screenshots:"
  # The sample's updater, run by the install's rule before the copy, takes its time, so that the
  # progress page can be seen.
  QY_PROBE_WAIT_MS=4000 timeout 180 "$top/scripts/wine-run" "$root" "$exe" &
  local wizard=$!
  wizard_place >/dev/null || { echo "  the wizard did not show"; kill $wizard 2>/dev/null; return 1; }
  sleep 1.5
  shot install-start
  click install.xml BtnInstall
  sleep 1.5
  shot install-progress
  wait_for_log "In_Install, Install complete" || echo "  the install did not complete"
  sleep 1.5
  shot install-final
  click install.xml BtnQuickStart  # starts the product and ends the wizard
  wait $wizard || true
  echo "== the uninstall wizard's first page:"
  timeout 120 "$top/scripts/wine-run" "$root" "$folder\\PackageManager.exe" /uninstall &
  wizard=$!
  wizard_place >/dev/null && sleep 1.5 && shot uninstall-start
  click uninstall.xml BtnClose  # leaves the product installed
  wait $wizard || true
}

if [ "${1:-}" = wizard ]; then
  [ -f "$exe" ] || { echo "demo.sh wizard: no installer yet (run scripts/demo.sh first)" >&2; exit 1; }
  [ -n "${DISPLAY:-}" ] || { echo "demo.sh wizard: no display (DISPLAY is not set)" >&2; exit 1; }
  mkdir -p "$top/build/demo/desktop"
  WINEPREFIX=$top/build/demo/desktop/prefix WINEDLLOVERRIDES="mscoree=;mshtml=" \
    exec "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$exe"
fi

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
if [ -n "$folder" ]; then
  wizard_pages "$folder"
fi
echo "uninstall it again with: scripts/demo.sh uninstall"
echo "open the wizard on your display with: scripts/demo.sh wizard"
