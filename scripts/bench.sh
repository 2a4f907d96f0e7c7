#!/usr/bin/env bash
# Builds the benchmarks (native ones without sanitizers in build/bench, the Windows ones in
# build/win64) and runs every one, each under a time limit: a hang (a message box nobody answers)
# fails the run and names the benchmark and its logs.
#   bench.sh [log_bench arguments...]   full size, the figures to compare
#   bench.sh --smoke                    every benchmark at a tiny size (scripts/test.sh runs it)
# Exits non-zero when a benchmark fails or passes its time limit.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/bench
win=$top/build/win64
smoke=""
if [ "${1:-}" = --smoke ]; then smoke=--smoke; shift; fi
[ -f "$dir/build.ninja" ] || cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQY_SANITIZE=OFF >/dev/null
[ -f "$win/build.ninja" ] || "$top/scripts/build.sh" win64
flock /tmp/quilly-build.lock cmake --build "$dir" --target log_bench package_bench config_bench checkdiff_bench \
  download_bench qypack
flock /tmp/quilly-build.lock cmake --build "$win" --target first_paint_bench PackageManager skin_archive

status=0
locked=""
running=""
# A benchmark runs in timeout's own process group, out of reach of Ctrl-C: pass it on.
trap 'if [ -n "$running" ]; then kill -TERM "$running" 2>/dev/null; wait "$running"; fi; exit 130' INT
# bench TITLE SECONDS LOGS COMMAND...: one benchmark under its time limit.
bench() {
  local title=$1 limit=$2 logs=$3 code=0
  shift 3
  echo "== $title"
  # The native ones take the build lock outside their limit: a build in progress is no hang.
  if [ -n "$locked" ]; then exec 9>/tmp/quilly-build.lock && flock 9; fi
  timeout -k 30 "$limit" "$@" </dev/null 9>&- &
  running=$!
  wait "$running" || code=$?
  running=""
  exec 9>&-
  if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
    echo "bench.sh: HUNG: ${1##*/} did not end within $limit s${logs:+; its logs: $logs}" >&2
    status=1
  elif [ "$code" -ne 0 ]; then
    echo "bench.sh: FAILED: ${1##*/} exited with $code${logs:+; its logs: $logs}" >&2
    status=1
  fi
}

# Limits: smoke sizes take seconds, full ones minutes; the scripts' own waits for the build lock
# count too.
if [ -n "$smoke" ]; then
  log_args=(2000) package_args=("$dir/package-smoke" 1 100 8) config_args=(2000 3) checkdiff_args=(1000 1000)
  short=120 long=600
else
  log_args=("$@") package_args=() config_args=() checkdiff_args=()
  short=900 long=3600
fi
locked=1
bench "logger" "$short" "" "$dir/bench/log_bench" "${log_args[@]}"
bench "package container (packing vs zip -9, extraction vs unzip)" "$short" "" \
  "$dir/bench/package_bench" "${package_args[@]}"
bench "configuration reader (component file near 10 MiB vs TinyXML's parse)" "$short" "" \
  "$dir/bench/config_bench" "${config_args[@]}"
bench "difference check (indexed vs the quadratic rule)" "$short" "" \
  "$dir/bench/checkdiff_bench" "${checkdiff_args[@]}"
# The scripts take the lock themselves around each timed run.
locked=""
bench "ranged download (4 parts vs curl and aria2c, loopback nginx)" "$long" \
  "$dir/download/got (NAME.out, our downloader's NAME.log/)" "$top/bench/download_bench.sh" $smoke
bench "the wizard's first paint under Wine" "$short" "/tmp/qybench-ui/{empty,skin}.txt" \
  "$top/bench/first_paint_bench.sh" $smoke
# Last: the longest, and its Wine session is the heaviest.
bench "silent install under Wine (ours vs NSIS)" "$long" \
  "the installer's, listed above (MVInstallLog in the Wine prefix)" "$top/bench/install_bench.sh" $smoke
[ "$status" -eq 0 ] || echo "bench.sh: some benchmarks failed or hung (above)" >&2
exit "$status"
