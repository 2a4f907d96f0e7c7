#!/usr/bin/env bash
# The logger's tests under ThreadSanitizer: configures build/tsan (gcc, Debug, TSan only), builds
# the unit tests and runs the Log4z suites.
# Exits non-zero when a test fails or ThreadSanitizer reports anything.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/tsan
[ -f "$dir/build.ninja" ] || cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DQY_SANITIZE=ON -DQY_SANITIZER=thread >/dev/null
echo "== build tsan"
flock /tmp/quilly-build.lock cmake --build "$dir" --target unit_tests
echo "== logger tests under ThreadSanitizer"
# A report ends the run at once with status 66, also inside a death test's child.
TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
  "$dir/tests/unit/unit_tests" --gtest_filter='Log4z*'
