#!/usr/bin/env bash
# Sets up a fresh machine, builds all three configurations and runs every test:
# native unit tests (sanitizers), Win32 layer and end-to-end tests under Wine, each fuzz target
# for a bounded time (QY_FUZZ_SECONDS, default 60), and every benchmark at a tiny size, so that
# none of them stops running unnoticed (the figures come from scripts/bench.sh without --smoke).
# Exits non-zero when anything fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" native win64 win32

status=0
rm -rf "$top/build/native/test-results" "$top/build/win64/test-results"
mkdir -p "$top/build/native/test-results" "$top/build/win64/test-results"
echo "== native tests"
(cd "$top/build/native" && ctest --output-on-failure) || status=1
echo "== logger under ThreadSanitizer"; "$top/scripts/tsan.sh" || status=1
echo "== Windows tests under Wine"
(cd "$top/build/win64" && ctest --output-on-failure) || status=1

echo "== fuzz targets, bounded"
"$top/scripts/fuzz.sh" "${QY_FUZZ_SECONDS:-60}" || status=1

echo "== benchmarks, smoke size"
"$top/scripts/bench.sh" --smoke || status=1

python3 "$top/scripts/test-summary.py" "$top/build/native/test-results" "$top/build/win64/test-results" || status=1
echo "total time: $(( $(date +%s) - start )) s"
exit $status
