#!/usr/bin/env bash
# Loopback servers for the network client's tests, all state inside STATE_DIR.
#   servers.sh start STATE_DIR FILES_DIR  nginx (HTTP, HTTPS+h2, throttled HTTPS+h2) serving
#                                         FILES_DIR, and the update-server stand-in; writes
#                                         STATE_DIR/servers.env
#   servers.sh check STATE_DIR            prints servers.env and smoke-checks each server
#   servers.sh stop STATE_DIR             ends exactly the processes start made (idempotent)
# QY_NET_RATE sets the slow port's per-request rate (nginx size, default 4m).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=${1:?start|check|stop}
state=$(mkdir -p "${2:?state folder}" && cd "$2" && pwd)
env_file=$state/servers.env
NGINX=${NGINX:-$(command -v nginx || echo /usr/sbin/nginx)}
START_TIMEOUT=10

die() { echo "servers.sh: $*" >&2; exit 1; }

# True when PID is alive and its command line names this state folder, so a recycled pid
# belonging to someone else is never signalled.
ours() {
  local pid=$1
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$state/"
}

end_pid() {
  local pid=$1 i
  ours "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 50; i++)); do
    ours "$pid" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

stop() {
  local nginx_pid="" update_pid=""
  if [ -f "$env_file" ]; then
    nginx_pid=$(sed -n 's/^QY_NET_NGINX_PID=//p' "$env_file")
    update_pid=$(sed -n 's/^QY_NET_UPDATE_PID=//p' "$env_file")
  fi
  # A start that failed half way has pid files but no servers.env yet.
  [ -n "$nginx_pid" ] || nginx_pid=$(cat "$state/nginx.pid" 2>/dev/null || true)
  [ -n "$update_pid" ] || update_pid=$(cat "$state/update.pid" 2>/dev/null || true)
  end_pid "$nginx_pid"
  end_pid "$update_pid"
  rm -f "$env_file" "$state/nginx.pid" "$state/update.pid"
}

# N distinct free loopback ports, held together while picked so they differ.
free_ports() {
  python3 - "$1" <<'EOF'
import socket, sys
socks = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    socks.append(s)
print(" ".join(str(s.getsockname()[1]) for s in socks))
EOF
}

port_open() {
  python3 -c 'import socket,sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close()' "$1" 2>/dev/null
}

# A test CA and what it issues, plus the two certificates a client must refuse:
#   ca.pem                 the root the tests trust (QY_NET_CA)
#   cert.pem, key.pem      127.0.0.1 and localhost, issued by the CA
#   self.pem, self-key.pem 127.0.0.1, self-signed
#   other.pem, other-key.pem  another host's name (other.quilly.example), issued by the CA
make_cert() {
  local log=$state/openssl.log
  {
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -sha256 -keyout "$state/ca-key.pem" -out "$state/ca.pem" \
      -subj "/CN=Quilly Test Root" -addext "basicConstraints=critical,CA:true" \
      -addext "keyUsage=critical,keyCertSign,cRLSign" &&
    issue cert 127.0.0.1 "subjectAltName=IP:127.0.0.1,DNS:localhost" &&
    issue other other.quilly.example "subjectAltName=DNS:other.quilly.example" &&
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -sha256 -keyout "$state/self-key.pem" -out "$state/self.pem" \
      -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1" -addext "extendedKeyUsage=serverAuth"
  } >/dev/null 2>"$log" || die "certificates: $(cat "$log")"
  chmod 600 "$state"/*key.pem
}

# issue NAME CN SAN: a server certificate NAME.pem with its key NAME-key.pem, signed by the CA.
issue() {
  local name=$1 cn=$2 san=$3 key
  [ "$name" = cert ] && key=$state/key.pem || key=$state/$name-key.pem
  openssl req -newkey rsa:2048 -nodes -keyout "$key" -out "$state/$name.csr" -subj "/CN=$cn" &&
    printf '%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:false\n' "$san" >"$state/$name.ext" &&
    openssl x509 -req -in "$state/$name.csr" -CA "$state/ca.pem" -CAkey "$state/ca-key.pem" -CAcreateserial \
      -days 30 -sha256 -extfile "$state/$name.ext" -out "$state/$name.pem"
}

render_conf() {
  local http=$1 https=$2 slow=$3 self=$4 other=$5 user_line="# not root: the worker keeps the caller's user"
  # As root the worker would drop to nobody and could not read a private FILES_DIR.
  [ "$(id -u)" -ne 0 ] || user_line="user $(id -un) $(id -gn);"
  sed -e "s|@USER_LINE@|$user_line|" -e "s|@STATE@|$state|g" -e "s|@FILES@|$files|g" \
    -e "s|@HTTP_PORT@|$http|g" -e "s|@HTTPS_PORT@|$https|g" -e "s|@SLOW_PORT@|$slow|g" \
    -e "s|@SELF_PORT@|$self|g" -e "s|@OTHER_PORT@|$other|g" -e "s|@UPDATE_PORT@|$update_port|g" \
    -e "s|@RATE@|$rate|g" "$here/nginx.conf.in" >"$state/nginx.conf"
}

# Sets nginx_pid and the three ports; a port taken between picking and binding gets a retry.
start_nginx() {
  local i
  mkdir -p "$state/nginx-tmp"
  for _ in 1 2 3; do
    read -r http_port https_port slow_port self_port other_port < <(free_ports 5)
    render_conf "$http_port" "$https_port" "$slow_port" "$self_port" "$other_port"
    rm -f "$state/nginx.pid"
    # nginx binds before it forks into the background, so a bad config or a busy port fails here.
    if timeout "$START_TIMEOUT" "$NGINX" -p "$state/" -c "$state/nginx.conf" -e "$state/nginx-error.log" \
      </dev/null >"$state/nginx.out" 2>&1 9>&-; then
      for ((i = 0; i < START_TIMEOUT * 10; i++)); do
        nginx_pid=$(cat "$state/nginx.pid" 2>/dev/null || true)
        if [ -n "$nginx_pid" ] && port_open "$http_port" && port_open "$https_port" && port_open "$slow_port" &&
          port_open "$self_port" && port_open "$other_port"; then
          return 0
        fi
        sleep 0.1
      done
      stop
      die "nginx did not come up in ${START_TIMEOUT}s: $(tail -5 "$state/nginx-error.log" 2>/dev/null)"
    fi
    { cat "$state/nginx.out"; tail -3 "$state/nginx-error.log" 2>/dev/null; } | grep -q "Address already in use" ||
      die "nginx failed: $(tail -5 "$state/nginx.out")"
  done
  die "nginx: no free ports after 3 attempts"
}

# Sets update_pid and update_port.
start_update() {
  local i args=(--port 0 --state "$state/" --files "$files")
  [ -z "${QY_NET_DEFAULTS:-}" ] || args+=(--defaults "$QY_NET_DEFAULTS")
  : >"$state/update.out"
  python3 -u "$here/update_server.py" "${args[@]}" </dev/null >"$state/update.out" 2>"$state/update.log" 9>&- &
  update_pid=$!
  echo "$update_pid" >"$state/update.pid"
  for ((i = 0; i < START_TIMEOUT * 10; i++)); do
    update_port=$(head -1 "$state/update.out")
    if [ -n "$update_port" ] && port_open "$update_port"; then return 0; fi
    kill -0 "$update_pid" 2>/dev/null || break
    sleep 0.1
  done
  stop
  die "update stand-in did not come up: $(tail -5 "$state/update.log")"
}

start() {
  files=$(cd "${1:?files folder}" && pwd) || die "no files folder: $1"
  rate=${QY_NET_RATE:-4m}
  [[ $rate =~ ^[0-9]+[kKmMgG]?$ ]] || die "QY_NET_RATE must be an nginx size such as 512k or 4m"
  # Paths go into nginx.conf and servers.env unquoted.
  [[ $state$files =~ ^[A-Za-z0-9_./@+=,:-]+$ ]] || die "state and files folders need plain path characters"
  stop
  make_cert
  start_update
  start_nginx
  # TLS addresses name the host: certificate checks on Windows match names, not addresses.
  {
    echo "QY_NET_HTTP=http://127.0.0.1:$http_port"
    echo "QY_NET_HTTPS=https://localhost:$https_port"
    echo "QY_NET_SLOW=https://localhost:$slow_port"
    echo "QY_NET_SELFSIGNED=https://localhost:$self_port"
    echo "QY_NET_WRONGHOST=https://localhost:$other_port"
    echo "QY_NET_UPDATE=http://127.0.0.1:$update_port"
    echo "QY_NET_UPDATE_TLS=https://localhost:$https_port"
    echo "QY_NET_CA=$state/ca.pem"
    echo "QY_NET_FILES=$files"
    echo "QY_NET_RATE=$rate"
    echo "QY_NET_NGINX_PID=$nginx_pid"
    echo "QY_NET_UPDATE_PID=$update_pid"
  } >"$env_file.tmp"
  mv "$env_file.tmp" "$env_file"
}

check() {
  [ -f "$env_file" ] || die "not running: no $env_file"
  cat "$env_file"
  # shellcheck disable=SC1090
  . "$env_file"
  local f name size url got code range ver fail=0
  f=$(find "$QY_NET_FILES" -maxdepth 1 -type f -size +0 | sort | head -1)
  [ -n "$f" ] || die "no file in $QY_NET_FILES to fetch"
  name=$(basename "$f")
  size=$(stat -c %s "$f")
  for url in "$QY_NET_HTTP" "$QY_NET_HTTPS" "$QY_NET_SLOW"; do
    got=$(curl -sS --max-time 10 --cacert "$QY_NET_CA" -r 0-9 -o /dev/null -D - "$url/$name" | tr -d '\r')
    code=$(sed -n '1s/^HTTP[^ ]* \([0-9]*\).*/\1/p' <<<"$got")
    range=$(sed -n 's/^[Cc]ontent-[Rr]ange: //p' <<<"$got")
    echo "range $url/$name: $code $range"
    if [ "$code" != 206 ] || [ "$range" != "bytes 0-9/$size" ]; then echo "  FAIL: expected 206 bytes 0-9/$size"; fail=1; fi
  done
  for url in "$QY_NET_HTTPS" "$QY_NET_SLOW"; do
    ver=$(curl -sS --max-time 10 --http2 --cacert "$QY_NET_CA" -r 0-0 -o /dev/null -w '%{http_version}' "$url/$name")
    echo "http version $url: $ver"
    [ "$ver" = 2 ] || { echo "  FAIL: expected HTTP/2"; fail=1; }
  done
  got=$(curl -sS --max-time 10 -o /dev/null -w '%{http_code} %{redirect_url}' "$QY_NET_HTTP/redirect/$name")
  echo "redirect: $got"
  [ "$got" = "302 $QY_NET_HTTP/$name" ] || { echo "  FAIL: expected 302 to /$name"; fail=1; }
  got=$(curl -sS --max-time 10 -w ' %{http_code}' "$QY_NET_HTTP/missing")
  echo "missing: ${got//$'\n'/ }"
  [[ $got == *" 404" ]] || { echo "  FAIL: expected 404"; fail=1; }
  got=$(curl -sS --max-time 10 -w ' %{http_code}' "$QY_NET_UPDATE/__health")
  echo "update stand-in: $got"
  [ "$got" = '"ok" 200' ] || { echo "  FAIL: update stand-in"; fail=1; }
  return $fail
}

case $cmd in
  start) (flock 9; start "${3:?files folder}") 9>"$state/.lock" ;;
  stop) (flock 9; stop) 9>"$state/.lock" ;;
  check) check ;;
  *) die "unknown command $cmd" ;;
esac
