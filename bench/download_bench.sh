#!/usr/bin/env bash
# One file from the loopback servers (tests/net/servers.sh): our downloader in 4 ranges beside curl
# (one stream) and aria2c (4 connections), on plain HTTP/1.1, on TLS with HTTP/2 and on the
# throttled TLS port. Prints the best wall time of RUNS runs and the peak memory of that run, then
# the ratios, then our peak memory at a quarter of the size, to show it does not grow with it.
# Our time includes the join and the MD5 check; curl and aria2c are also shown with an md5sum of
# their file added, so both sides have the digest.
#   bench/download_bench.sh [megabytes] [runs] [slow-megabytes]      (default 200 3 40)
#   bench/download_bench.sh --smoke                                   (4 1 1: does it still run)
# QY_NET_RATE sets the throttled port's rate per request (default 4m).
set -euo pipefail
shopt -s inherit_errexit
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
[ "${1:-}" != --smoke ] || set -- 4 1 1
megabytes=${1:-200}
runs=${2:-3}
slow_megabytes=${3:-40}
quarter_megabytes=$((megabytes / 4))

out=build/bench/download
bench=build/bench/bench/download_bench
[ -x "$bench" ] || { echo "download_bench: $bench is missing (scripts/bench.sh builds it)" >&2; exit 1; }
for tool in curl aria2c nginx; do
  command -v "$tool" >/dev/null || { echo "download_bench: $tool is missing (scripts/setup-system.sh)" >&2; exit 1; }
done
mkdir -p "$out/files" "$out/got"
files=$(cd "$out/files" && pwd)
got=$(cd "$out/got" && pwd)
state=$top/$out/state

# Random data: nothing on the way compresses it. A file of the right size is kept from last time.
make_file() {
  local name=$1 mb=$2
  [ "$(stat -c %s "$files/$name" 2>/dev/null)" = $((mb * 1048576)) ] ||
    head -c $((mb * 1048576)) /dev/urandom >"$files/$name"
}
make_file full.bin "$megabytes"
make_file quarter.bin "$quarter_megabytes"
make_file slow.bin "$slow_megabytes"
declare -A md5
for name in full.bin quarter.bin slow.bin; do md5[$name]=$(md5sum "$files/$name" | cut -d' ' -f1); done

trap 'tests/net/servers.sh stop "$state"' EXIT
tests/net/servers.sh start "$state" "$files"
# shellcheck disable=SC1091
. "$state/servers.env"
export QY_NET_CA  # our downloader trusts the loopback servers' root from it

# Runs CMD once under the build lock, its output into LOG; prints "seconds peak-KB". The lock
# keeps builds off the cores while the run is timed.
measure() {
  local log=$1
  shift
  # shellcheck disable=SC2016  # the inner shell expands these
  flock /tmp/quilly-build.lock bash -c '
    log=$1; shift
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$log.time" "$@" >"$log" 2>&1 || { echo "download_bench: failed: $*" >&2; cat "$log" >&2; exit 1; }
    t1=$(date +%s%N)
    awk -v ns=$((t1 - t0)) -v kb="$(tail -n1 "$log.time")" "BEGIN { printf \"%.3f %d\n\", ns / 1e9, kb }"' \
    _ "$log" "$@"
}

check_md5() {
  local file=$1 want=$2 have
  have=$(md5sum "$file" | cut -d' ' -f1)
  [ "$have" = "$want" ] || { echo "download_bench: $file has MD5 $have, expected $want" >&2; exit 1; }
}

# One download by TOOL of URL/NAME into the got folder, from a clean start. Prints
# "seconds peak-KB md5-seconds"; ours checks its MD5 inside, so its md5-seconds is 0.
download_once() {
  local tool=$1 url=$2 name=$3 target=$got/$1-$3 line
  rm -rf "$target" "$target"-* "$target".*
  # Writeback of the previous run's file stays out of this one.
  sync
  case $tool in
    ours) line=$(measure "$target.out" "$bench" "$url/$name" "$target" "${md5[$name]}" 4) ;;
    curl)
      local http2=()
      [[ $url == https://* ]] && http2=(--http2)
      line=$(measure "$target.out" curl -sS --cacert "$QY_NET_CA" "${http2[@]}" -o "$target" "$url/$name")
      ;;
    aria2c)
      line=$(measure "$target.out" aria2c -x4 -s4 -k1M --ca-certificate="$QY_NET_CA" --allow-overwrite=true \
        -d "$got" -o "$tool-$name" "$url/$name")
      ;;
  esac
  if [ "$tool" = ours ]; then
    check_md5 "$target" "${md5[$name]}"
    rm -f "$target"
    echo "$line 0"
    return
  fi
  # The digest the other side computes inside, timed the same way; it doubles as the check.
  local digest
  digest=$(measure "$target.md5" md5sum "$target")
  [ "$(cut -d' ' -f1 "$target.md5")" = "${md5[$name]}" ] ||
    { echo "download_bench: $target has MD5 $(cut -d' ' -f1 "$target.md5"), expected ${md5[$name]}" >&2; exit 1; }
  rm -f "$target"
  echo "$line ${digest% *}"
}

# Best of RUNS: "seconds peak-KB seconds-with-md5", the first two of the fastest download, the
# last the best of download plus md5sum.
best_of() {
  local best="" best_sum="" line sum s kb m
  for _ in $(seq "$runs"); do
    line=$(download_once "$@")
    read -r s kb m <<<"$line"
    sum=$(awk -v a="$s" -v b="$m" 'BEGIN { printf "%.3f", a + b }')
    echo "  $1 $3 from $2: $s s (+ md5sum $m s), $kb KB" >&2
    if [ -z "$best" ] || awk -v a="$s" -v b="${best% *}" 'BEGIN { exit !(a < b) }'; then best="$s $kb"; fi
    if [ -z "$best_sum" ] || awk -v a="$sum" -v b="$best_sum" 'BEGIN { exit !(a < b) }'; then best_sum=$sum; fi
  done
  echo "$best $best_sum"
}

declare -A result
servers=(http https slow)
declare -A url=([http]=$QY_NET_HTTP [https]=$QY_NET_HTTPS [slow]=$QY_NET_SLOW)
declare -A file=([http]=full.bin [https]=full.bin [slow]=slow.bin)
declare -A label=([http]="HTTP/1.1" [https]="HTTP/2 TLS" [slow]="HTTP/2 TLS $QY_NET_RATE/req")
for server in "${servers[@]}"; do
  echo "== ${label[$server]}: ${file[$server]}, best of $runs"
  for tool in ours curl aria2c; do
    result[$server.$tool]=$(best_of "$tool" "${url[$server]}" "${file[$server]}")
  done
done
echo "== ours at a quarter ($quarter_megabytes MB), once"
for server in http https; do
  line=$(download_once ours "${url[$server]}" quarter.bin)
  result[$server.quarter]=${line% *}
done

declare -A size=([full.bin]=$megabytes [slow.bin]=$slow_megabytes)
echo
printf '%-22s %-26s %9s %9s %14s\n' server tool "best (s)" "MB/s" "peak RSS (MB)"
row() {
  local server=$1 tool=$2 seconds=$3 kb=$4
  awk -v server="${label[$server]}" -v tool="$tool" -v t="$seconds" -v kb="$kb" -v mb="${size[${file[$server]}]}" \
    'BEGIN { printf "%-22s %-26s %9.3f %9.1f %14s\n", server, tool, t, mb / t, kb == "-" ? "-" : sprintf("%.1f", kb / 1024) }'
}
for server in "${servers[@]}"; do
  read -r s kb _ <<<"${result[$server.ours]}"
  row "$server" "ours, 4 parts (+ MD5)" "$s" "$kb"
  read -r s kb sum <<<"${result[$server.curl]}"
  row "$server" "curl, 1 stream" "$s" "$kb"
  row "$server" "curl + md5sum" "$sum" -
  # aria2c has no HTTP/2: over TLS it takes four HTTP/1.1 connections.
  aria=aria2c
  [ "$server" = http ] || aria="aria2c (HTTP/1.1 only)"
  read -r s kb sum <<<"${result[$server.aria2c]}"
  row "$server" "$aria -x4" "$s" "$kb"
  row "$server" "aria2c + md5sum" "$sum" -
done

field() { awk -v n="$2" '{ print $n }' <<<"${result[$1]}"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
for server in http https; do
  echo "${label[$server]}: ours / (curl + md5sum) = $(ratio "$(field "$server.ours" 1)" "$(field "$server.curl" 3)") (goal <= 1.3)," \
    "ours / curl alone = $(ratio "$(field "$server.ours" 1)" "$(field "$server.curl" 1)")"
done
echo "${label[slow]}: ours speed / one stream (curl + md5sum) = $(ratio "$(field slow.curl 3)" "$(field slow.ours 1)") (goal >= 3.5)," \
  "/ curl alone = $(ratio "$(field slow.curl 1)" "$(field slow.ours 1)")"
echo "${label[slow]}: ours speed / (aria2c + md5sum) = $(ratio "$(field slow.aria2c 3)" "$(field slow.ours 1)") (goal >= 1: not slower)," \
  "/ aria2c alone = $(ratio "$(field slow.aria2c 1)" "$(field slow.ours 1)")"
for server in http https; do
  awk -v server="${label[$server]}" -v full="$(field "$server.ours" 2)" -v q="${result[$server.quarter]#* }" -v m="$megabytes" -v qm="$quarter_megabytes" \
    'BEGIN { printf "ours, peak RSS over %s: %.1f MB at %d MB, %.1f MB at %d MB\n", server, full / 1024, m, q / 1024, qm }'
done
