#!/usr/bin/env bash
# Configures and builds one or more of the three configurations:
#   build.sh [native|win64|win32|all]...     (default: all)
# Build folders: build/native, build/win64, build/win32. Builds run one at a time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
configs=("$@"); [ ${#configs[@]} -gt 0 ] || configs=(all)
[ "${configs[0]}" = all ] && configs=(native win64 win32)

for config in "${configs[@]}"; do
  case $config in
    native) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
    win32) args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
    *) echo "unknown configuration: $config" >&2; exit 2 ;;
  esac
  dir=$top/build/$config
  [ -f "$dir/build.ninja" ] || cmake -S "$top" -B "$dir" -G Ninja "${args[@]}" >/dev/null
  echo "== build $config"
  # One build at a time on this machine, also across shells.
  flock /tmp/quilly-build.lock cmake --build "$dir"
done
