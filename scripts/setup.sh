#!/usr/bin/env bash
# Everything the builds and tests need on a fresh Debian machine: system packages, then the
# Windows libraries cross-compiled into the cache (skipped when already there).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-system.sh"
"$here/build-win-deps.sh" "$@"
