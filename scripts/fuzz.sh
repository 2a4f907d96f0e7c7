#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each one for a bounded time from
# its seed corpus in fuzz/corpus/<name>/ (the corpus grown by the run stays in build/fuzz/corpus).
#   fuzz.sh [seconds per target] [target...]      (default: 60 s, every *_fuzz target)
# Exits non-zero when a target finds a crash, a leak or a sanitizer error.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/fuzz
seconds=${1:-60}
shift || true
[ -f "$dir/build.ninja" ] || cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQY_FUZZ=ON -DQY_SANITIZE=OFF >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cmake --build "$dir" --target help | sed -n 's/^\([A-Za-z0-9_]*_fuzz\):.*/\1/p' | sort)
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets" >&2; exit 1; }
flock /tmp/quilly-build.lock cmake --build "$dir" --target "${targets[@]}"

# Targets that write files (package extraction) run several times faster on a memory file system.
[ -z "${TMPDIR:-}" ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

status=0
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  work=$dir/corpus/$name
  artifacts=$dir/artifacts/$name
  mkdir -p "$work" "$artifacts"
  args=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -f "$top/fuzz/$name.dict" ] && args+=(-dict="$top/fuzz/$name.dict")
  seeds=()
  [ -d "$top/fuzz/corpus/$name" ] && seeds=("$top/fuzz/corpus/$name")
  log=$dir/$target.log
  echo "== fuzz $target (${seconds}s)"
  # The first folder receives new inputs; the committed seeds are only read.
  if "$dir/fuzz/$target" "${args[@]}" "$work" "${seeds[@]}" >"$log" 2>&1; then
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units)' "$log" || true
  else
    tail -n 60 "$log"
    echo "fuzz $target failed; input in $artifacts, log in $log" >&2
    status=1
  fi
done
exit $status
