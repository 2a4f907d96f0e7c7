#!/usr/bin/env bash
# The install wizard's first paint under Wine beside an empty Win32 window of the same size: the
# median of RUNS starts each (a process per start), and the skinned window's idle processor time.
#   bench/first_paint_bench.sh [runs]      (default 10)
# Needs the win64 build (scripts/build.sh win64).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
bench=$top/build/win64/bench/first_paint_bench.exe
skin=$top/build/win64/skin
[ -f "$bench" ] && [ -f "$skin/PackageManager.zip" ] || {
  echo "first_paint_bench: build win64 first (scripts/build.sh win64)" >&2; exit 1; }
root=/tmp/qybench-ui
"$top/scripts/wine-session" ensure "$root" >/dev/null
run() { "$top/scripts/wine-run" "$root" "$bench" "$@" | tr -d '\r'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
run empty >/dev/null  # the first start of a prefix loads more than the others
for mode in empty skin; do
  : >"$root/$mode.txt"
  for _ in $(seq "$runs"); do
    if [ "$mode" = skin ]; then run skin "$(winepath -w "$skin" 2>/dev/null || echo "Z:${skin//\//\\}")"; else run empty; fi >>"$root/$mode.txt"
  done
  printf '%-6s first paint, median of %s starts: %s ms\n' "$mode" "$runs" \
    "$(grep first-paint-ms "$root/$mode.txt" | awk '{print $2}' | median)"
done
printf 'skin   idle processor time over 2 s, median: %s ms\n' \
  "$(grep idle-cpu-ms "$root/skin.txt" | awk '{print $2}' | median)"
