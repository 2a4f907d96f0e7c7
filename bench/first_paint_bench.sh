#!/usr/bin/env bash
# The install wizard's first paint under Wine beside an empty Win32 window of the same size: the
# median of RUNS starts each (a process per start), and the skinned window's idle processor time.
#   bench/first_paint_bench.sh [runs]      (default 10)
#   bench/first_paint_bench.sh --smoke     (1 run: does it still run)
# Needs the win64 build (scripts/build.sh win64). A start that does not end within a minute (a
# message box nobody answers) fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ "${1:-}" != --smoke ] || set -- 1
runs=${1:-10}
bench=$top/build/win64/bench/first_paint_bench.exe
skin=$top/build/win64/skin
[ -f "$bench" ] && [ -f "$skin/PackageManager.zip" ] || {
  echo "first_paint_bench: build win64 first (scripts/build.sh win64)" >&2; exit 1; }
root=/tmp/qybench-ui
# The prefix stays for the next run (no wineboot then); the display and wineserver end with this one.
"$top/scripts/wine-session" resume "$root" >/dev/null
trap '"$top/scripts/wine-session" stop "$root"' EXIT
limit=60  # seconds one start may take
# One start, its output on stdout. The lock keeps builds off the cores while it is timed.
run() {
  flock /tmp/quilly-build.lock timeout -k 10 $limit "$top/scripts/wine-run" "$root" "$bench" "$@" </dev/null | tr -d '\r' || {
    echo "first_paint_bench: the $1 start failed or did not end within $limit s; its output: $root/$1.txt" >&2
    return 1
  }
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
run empty >"$root/empty.txt"  # the first start of a prefix loads more than the others
for mode in empty skin; do
  : >"$root/$mode.txt"
  for _ in $(seq "$runs"); do
    if [ "$mode" = skin ]; then run skin "Z:${skin//\//\\}"; else run empty; fi >>"$root/$mode.txt"
  done
  [ "$(grep -c first-paint-ms "$root/$mode.txt")" = "$runs" ] ||
    { echo "first_paint_bench: $mode: not every start printed its first paint; see $root/$mode.txt" >&2; exit 1; }
  printf '%-6s first paint, median of %s starts: %s ms\n' "$mode" "$runs" \
    "$(grep first-paint-ms "$root/$mode.txt" | awk '{print $2}' | median)"
done
printf 'skin   idle processor time over 2 s, median: %s ms\n' \
  "$(grep idle-cpu-ms "$root/skin.txt" | awk '{print $2}' | median)"
