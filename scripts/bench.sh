#!/usr/bin/env bash
# Builds the benchmarks without sanitizers (build/bench) and runs them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/bench
[ -f "$dir/build.ninja" ] || cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQY_SANITIZE=OFF >/dev/null
flock /tmp/quilly-build.lock cmake --build "$dir" --target log_bench
echo "== logger"
"$dir/bench/log_bench" "$@"
echo "== package container (packing vs zip -9, extraction vs unzip)"
flock /tmp/quilly-build.lock cmake --build "$dir" --target package_bench
# The lock keeps builds off the cores while the figures are taken.
flock /tmp/quilly-build.lock "$dir/bench/package_bench"
echo "== configuration reader (component file near 10 MiB vs TinyXML's parse)"
flock /tmp/quilly-build.lock cmake --build "$dir" --target config_bench
flock /tmp/quilly-build.lock "$dir/bench/config_bench"
echo "== difference check (indexed vs the quadratic rule)"
flock /tmp/quilly-build.lock cmake --build "$dir" --target checkdiff_bench
flock /tmp/quilly-build.lock "$dir/bench/checkdiff_bench"
echo "== ranged download (4 parts vs curl and aria2c, loopback nginx)"
flock /tmp/quilly-build.lock cmake --build "$dir" --target download_bench
# Takes the lock itself around each timed run.
"$top/bench/download_bench.sh"
