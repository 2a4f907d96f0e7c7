#!/usr/bin/env bash
# The downloads the network tests fetch, then the servers that offer them.
#   prepare_and_start.sh STATE FILES
set -euo pipefail
state=${1:?state folder} files=${2:?files folder}
mkdir -p "$files"
[ -s "$files/payload.bin" ] || head -c 10485763 /dev/urandom >"$files/payload.bin"
printf 'abc' >"$files/tiny.bin"
exec "$(dirname "$0")/servers.sh" start "$state" "$files"
