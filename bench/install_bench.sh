#!/usr/bin/env bash
# Silent install of one product under Wine: our installer beside NSIS installers of the same files
# (zlib, non-solid and solid). Prints the best wall time of RUNS runs and the peak memory of that
# run, then the peak memory of ours at a quarter of the product and at four times its files in
# the same bytes, to show it grows neither with the bytes nor with the number of files.
#   bench/install_bench.sh [files] [megabytes] [runs]      (default 5000 200 3)
#   bench/install_bench.sh --smoke                         (40 2 1, a folder and Wine prefix of its own)
# Needs build/bench/tools/qypack, build/win64/src/PackageManager.exe and makensis (nsis).
set -euo pipefail
shopt -s inherit_errexit
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=build/bench-install
root=/tmp/qybench-wine
limit=900  # seconds one install may take
settle=65  # seconds the file system rests before the timed runs (see below)
if [ "${1:-}" = --smoke ]; then
  # Its own prefix: starting the session ends any other in the same folder.
  set -- 40 2 1
  out=$out-smoke root=$root-smoke limit=120 settle=0
fi
files=${1:-5000}
megabytes=${2:-200}
runs=${3:-3}

drive_c=$root/prefix/drive_c
qypack=build/bench/tools/qypack
stub=build/win64/src/PackageManager.exe
skin=build/win64/skin/PackageManager.zip
for tool in "$qypack" "$stub" "$skin"; do
  [ -f "$tool" ] || { echo "install_bench: $tool is missing (build it first)" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "install_bench: makensis is missing (scripts/setup-system.sh)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out/run.start"

# The installer's logs since the last run started, and its output.
show_logs() {
  [ -f "$out/run.start" ] || { echo "  none: no install had started" >&2; return 0; }
  find "$drive_c/users" -path '*MVInstallLog*' -type f -name '*.log' -newer "$out/run.start" -printf '  %p\n' >&2 || true
  echo "  $out/last-run.log (its output)" >&2
}
# A time limit around the whole script (scripts/bench.sh) ends it with TERM.
trap 'echo "install_bench: terminated; the installer'"'"'s logs since the last run started:" >&2; show_logs; exit 124' TERM

# Our installer of DIR/corpus: the setup package names the product and its components, the
# program package holds the files and what the install copies besides them (the configuration
# files and the package manager).
make_ours() {
  local dir=$1 count=$2 size=$3
  python3 bench/make_install_corpus.py "$dir/corpus" "$count" "$size" "$dir/manifest.tsv"
  mkdir -p "$dir/setup/package"
  printf '[Product]\r\nProduct=Product.config\r\n' | iconv -f UTF-8 -t UTF-16LE >"$dir/setup/_setup.ini"
  cat >"$dir/setup/package/Product.config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ProductRoot type="offline" version="1.0.0.1">
  <ProductInfo>
    <Common ProductID="1" ProductOS="7" ProductType="Client" ProductRunMode="1"
            ProductVer="1.0.0" ProductVer2="1.0.0.1" SysVersion="6.1"/>
    <Components>
      <Component name="Bench" config="Bench.config"/>
      <Component name="Setup" config="setup.config"/>
    </Components>
  </ProductInfo>
  <InstallInfo Path="QuillyBench" RegKey="HKLM\Software\QuillyTarn"
               Name_0804="Quilly Bench" Name_0404="Quilly Bench" Name_0409="Quilly Bench"/>
  <ExtraModule Path="PackageManager.exe"/>
  <SetupInfo name="Setup" config="setup.config"/>
</ProductRoot>
XML
  {
    cat <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ComponentRoot name_0804="Bench" name_0404="Bench" name_0409="Bench" type="Client"
               version="1.0.0" isEssential="yes" isDisplay="yes">
  <Config usereg="FALSE">
    <Files>
XML
    # Generated names are plain ASCII: nothing to escape.
    awk -F'\t' '{ printf "      <file path=\"%s\" md5=\"%s\" size=\"%s\" time=\"%s\" isUpgrade=\"TRUE\" isInstall=\"TRUE\" noDelete=\"FALSE\" type=\"data\"/>\n", $1, $3, $2, $4 }' \
      "$dir/manifest.tsv"
    cat <<'XML'
    </Files>
  </Config>
</ComponentRoot>
XML
  } >"$dir/setup/package/Bench.config"
  local stub_size stub_md5
  stub_size=$(stat -c %s "$stub")
  stub_md5=$(md5sum "$stub" | cut -d' ' -f1)
  cat >"$dir/setup/package/setup.config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<ComponentRoot name_0804="Setup" name_0404="Setup" name_0409="Setup" type="Client"
               version="1.0.0" isEssential="yes" isDisplay="no">
  <Config>
    <Files>
      <file path="Setup\\PackageManager.exe" newpath="PackageManager.exe" md5="$stub_md5" size="$stub_size"
            time="$(($(stat -c %Y "$stub") * 1000))" isUpgrade="TRUE" isInstall="TRUE" noDelete="FALSE" type="setup"/>
      <file path="Setup\\PackageManager.zip" md5="$(md5sum "$skin" | cut -d' ' -f1)" size="$(stat -c %s "$skin")"
            time="$(($(stat -c %Y "$skin") * 1000))" isUpgrade="TRUE" isInstall="TRUE" noDelete="FALSE" type="setup"/>
    </Files>
  </Config>
</ComponentRoot>
XML
  # "./" entries are read from the repository root, where this script runs.
  local name
  for name in Product Bench setup; do
    echo "./$dir/setup/package/$name.config|package\\$name.config"
  done >"$dir/program-extra.lst"
  # The wizard's skin travels in both packages, as in a real product: the install loads it.
  printf '%s\n' "./$stub|Setup\\PackageManager.exe" "./$skin|Setup\\PackageManager.zip" >>"$dir/program-extra.lst"
  printf '%s\n' '_setup.ini' 'package\Product.config' 'package\Bench.config' 'package\setup.config' \
    "./$stub|Setup\\PackageManager.exe" "./$skin|Setup\\PackageManager.zip" >"$dir/setup.lst"
  # The component file doubles as the list of the product's files.
  "$qypack" --quiet --stub "$stub" --program-base "$dir/corpus" --program "$dir/setup/package/Bench.config" \
    --program "$dir/program-extra.lst" --setup-base "$dir/setup" --setup "$dir/setup.lst" -o "$dir/QuillyBench.exe"
}

make_nsis() {
  local name=$1 compressor=$2
  cat >"$out/$name.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor $compressor
Name "Bench"
OutFile "$top/$out/$name.exe"
InstallDir "C:\\BenchNSIS"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$top/$out/corpus/*"
SectionEnd
NSI
  makensis -V1 "$out/$name.nsi"
}

# Every file of the manifest is in FOLDER with its size (the install may add files of its own).
check_installed() {
  local folder=$1 manifest=$2 missing
  missing=$(comm -23 <(awk -F'\t' '{ gsub(/\\/, "/", $1); print $1 "\t" $2 }' "$manifest" | sort) \
    <(find "$folder" -type f -printf '%P\t%s\n' 2>/dev/null | sort) | wc -l)
  if [ "$missing" -ne 0 ]; then
    echo "install_bench: $missing of $(wc -l <"$manifest") files missing or of another size in $folder" >&2
    return 1
  fi
}

# Runs installer EXE with ARG into C:\FOLDER once, from a clean state; prints "seconds peak-KB".
# Wine's loader execs into the Windows program, so time's peak RSS is that of the installer's
# own process (wineserver, the services and the desktop run outside it).
install_once() {
  local exe=$1 folder=$2 manifest=$3 arg=$4
  if [ "${folder#BenchQuilly}" != "$folder" ]; then
    local key
    for key in 'HKLM\Software\QuillyTarn' 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilly'; do
      scripts/wine-run "$root" reg delete "$key" /f >/dev/null 2>&1 || true
    done
  fi
  # The last run's 200 MB are written out first, so that no run pays for its predecessor's.
  sync
  touch "$out/run.start"
  # The lock keeps builds off the cores while the run is timed.
  local code=0
  flock /tmp/quilly-build.lock timeout -k 30 "$limit" /usr/bin/time -f '%e %M' -o "$out/time.txt" \
    scripts/wine-run "$root" "$exe" "$arg" </dev/null >"$out/last-run.log" 2>&1 || code=$?
  if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
    echo "install_bench: $(basename "$exe") $arg did not end within $limit s (a message box?); its logs:" >&2
    show_logs
    return 1
  elif [ "$code" -ne 0 ]; then
    # wine reports the low byte of the Windows exit code.
    echo "install_bench: $(basename "$exe") $arg exited with $code; its logs:" >&2
    show_logs
    return 1
  fi
  check_installed "$drive_c/$folder" "$manifest"
  tail -n1 "$out/time.txt"
}

# Each run installs into a folder of its own, and the folders go only when the benchmark ends:
# ext4 makes files slowly for minutes after many were deleted (it skips recently freed inodes),
# so removing the last run's files just before the next would slow whichever installer comes
# next. For the same reason the installers take turns rather than each running RUNS times in a row.
run_number=0
# Sets folder to NAME and the next run number (in this shell: a $(...) would lose the count).
fresh_folder() { run_number=$((run_number + 1)); folder=$1$run_number; }
quarter_files=$((files / 4))
quarter_megabytes=$(awk -v m="$megabytes" 'BEGIN { print m / 4 }')
many_files=$((files * 4))
echo "== our installer: $files files, $megabytes MB"
make_ours "$out" "$files" "$megabytes"
echo "== our installer at a quarter: $quarter_files files, $quarter_megabytes MB"
make_ours "$out/quarter" "$quarter_files" "$quarter_megabytes"
echo "== our installer with four times the files: $many_files files, $megabytes MB"
make_ours "$out/many" "$many_files" "$megabytes"
echo "== NSIS installers (zlib, zlib solid)"
make_nsis NsisZlib zlib
make_nsis NsisZlibSolid "/SOLID zlib"
for exe in QuillyBench NsisZlib NsisZlibSolid; do
  awk -v name="$exe.exe" -v size="$(stat -c %s "$out/$exe.exe")" 'BEGIN { printf "  %-20s %6.1f MB\n", name, size / 1048576 }'
done

echo "== Wine session"
keeper=""
finish() {
  [ -z "$keeper" ] || kill "$keeper" 2>/dev/null || true
  scripts/wine-session stop "$root"
  rm -rf "${drive_c:?}"/Bench*
}
trap finish EXIT
scripts/wine-session start "$root"
# A window left open keeps the session's wineserver, services and desktop up between the runs,
# as on a machine someone is logged on to: otherwise a run after a pause of a second or two pays
# their start-up (about 0.7 s here) and one right after the previous run does not.
scripts/wine-run "$root" notepad >/dev/null 2>&1 &
keeper=$!
sleep 3
# The corpora and the fresh prefix replaced tens of thousands of files just now. For a minute
# after many files are deleted (five while their inode tables are unwritten) ext4 skips the freed
# inodes one by one when it makes a file, which made the same install take 2 s or 6 s depending
# on when it ran. Written out and rested, every run starts from the same file system.
sync
sleep "$settle"

echo "== silent installs, best of $runs, taking turns"
ours="" plain="" solid=""
# Keeps in the named variable the faster of its value and LINE ("seconds peak-KB").
keep_best() {
  local name=$1 line=$2 label=$3
  echo "  $label: ${line% *} s, ${line#* } KB" >&2
  if [ -z "${!name}" ] || awk -v a="${line% *}" -v b="${!name% *}" 'BEGIN { exit !(a < b) }'; then printf -v "$name" '%s' "$line"; fi
}
for _ in $(seq "$runs"); do
  fresh_folder BenchQuilly
  keep_best ours "$(install_once "$out/QuillyBench.exe" "$folder" "$out/manifest.tsv" "/silent:C:\\$folder")" QuillyBench.exe
  fresh_folder BenchNSIS
  keep_best plain "$(install_once "$out/NsisZlib.exe" "$folder" "$out/manifest.tsv" "/D=C:\\$folder")" NsisZlib.exe
  fresh_folder BenchNSIS
  keep_best solid "$(install_once "$out/NsisZlibSolid.exe" "$folder" "$out/manifest.tsv" "/D=C:\\$folder")" NsisZlibSolid.exe
done
fresh_folder BenchQuilly
quarter=$(install_once "$out/quarter/QuillyBench.exe" "$folder" "$out/quarter/manifest.tsv" "/silent:C:\\$folder")
fresh_folder BenchQuilly
many=$(install_once "$out/many/QuillyBench.exe" "$folder" "$out/many/manifest.tsv" "/silent:C:\\$folder")

echo
printf '%-18s %9s %14s %12s %11s\n' installer "best (s)" "peak RSS (MB)" "time / NSIS" "RSS / NSIS"
row() {
  awk -v name="$1" -v t="${2% *}" -v kb="${2#* }" -v base="${plain% *}" -v base_kb="${plain#* }" \
    'BEGIN { printf "%-18s %9.2f %14.1f %12.2f %11.2f\n", name, t, kb / 1024, t / base, kb / base_kb }'
}
row "Quilly (ours)" "$ours"
row "NSIS zlib" "$plain"
row "NSIS zlib solid" "$solid"
echo
peak() { awk -v f="$1" -v m="$2" -v kb="$3" 'BEGIN { printf "ours, peak RSS at %6d files / %5s MB: %6.1f MB\n", f, m, kb / 1024 }'; }
peak "$quarter_files" "$quarter_megabytes" "${quarter#* }"
peak "$files" "$megabytes" "${ours#* }"
peak "$many_files" "$megabytes" "${many#* }"
# Flat: neither the bytes nor the number of files may cost more than 8 MB.
awk -v q="${quarter#* }" -v n="${many#* }" -v qf="$quarter_files" -v qm="$quarter_megabytes" -v f="$many_files" -v m="$megabytes" \
  'BEGIN { d = (n - q) / 1024; printf "ours, peak RSS at %d files / %s MB minus at %d files / %s MB: %+.1f MB (target: within 8 MB, %s)\n",
           f, m, qf, qm, d, (d <= 8 && d >= -8) ? "met" : "MISSED" }'
