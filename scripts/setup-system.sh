#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the fuzzers and the benchmarks use.
# Idempotent: packages already present are skipped by apt.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

packages=(
  # build tools
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config dpkg-dev devscripts
  # native libraries
  zlib1g-dev libminizip-dev libtinyxml-dev nlohmann-json3-dev libcurl4-openssl-dev libssl-dev
  libgtest-dev libgmock-dev libspdlog-dev
  # cross compilers (posix thread model for std::thread) and Windows zlib
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libz-mingw-w64-dev
  # wine and what its display driver needs under Xvfb
  wine64 xvfb x11-utils x11-apps imagemagick libgnutls30 xdotool
  libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
  fonts-wqy-microhei
  # test peers and independent checkers
  zip unzip osslsigncode openssl nginx-light python3 hyperfine liblnk-utils curl bsdutils
  # benchmark peers
  nsis aria2
  # source packages of the Windows dependencies
  autoconf automake libtool
  # the skin's pictures are drawn as SVG and rendered in the build
  librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# apt-get source needs deb-src entries for the suites the machine already installs from. They are
# derived from the machine's own deb entries (same URIs, suites, components and keyring), so a
# local mirror or proxy keeps working. Only the release suite and its -updates suite are taken:
# the pinned versions live in the main archive's pool, security mirrors often carry no sources,
# and third-party repositories may publish none.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "setup-system: cannot tell the Debian release" >&2; exit 1; }

# Prints one deb822 stanza per matching deb entry of the one-line and deb822 source files.
derive_deb_src() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # deb [options] uri suite component...
    awk -v cn="$codename" '
      $1 == "deb" {
        i = 2; opts = ""
        if ($i ~ /^\[/) { while (i <= NF) { opts = opts " " $i; if ($i ~ /\]$/) { i++; break } i++ } }
        uri = $i; suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps " " $j
        if (suite != cn && suite != cn "-updates") next
        keyring = ""
        if (match(opts, /signed-by=[^] ]+/)) keyring = substr(opts, RSTART + 10, RLENGTH - 10)
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n", uri, suite, comps
        if (keyring != "") printf "Signed-By: %s\n", keyring
        printf "\n"
      }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$src_list" ] && continue
    # Stanzas are separated by blank lines; comment lines are dropped.
    awk -v cn="$codename" '
      function flush(   n, s, i, keep) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no") {
          n = split(suites, s, " "); keep = ""
          for (i = 1; i <= n; i++) if (s[i] == cn || s[i] == cn "-updates") keep = keep " " s[i]
          if (keep != "") {
            printf "Types: deb-src\nURIs: %s\nSuites:%s\nComponents: %s\n", uris, keep, comps
            if (keyring != "") printf "Signed-By: %s\n", keyring
            printf "\n"
          }
        }
        types = uris = suites = comps = keyring = enabled = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      { key = tolower($1); sub(/:$/, "", key); val = $0; sub(/^[^:]*:[ \t]*/, "", val) }
      key == "types" { types = val } key == "uris" { uris = val } key == "suites" { suites = val }
      key == "components" { comps = val } key == "signed-by" { keyring = val }
      key == "enabled" { enabled = tolower(val) }
      END { flush() }' "$f"
  done
}

src_list=/etc/apt/sources.list.d/quilly-deb-src.sources
wanted=$(derive_deb_src)
[ -n "$wanted" ] || { echo "setup-system: no deb entry of $codename to derive deb-src entries from" >&2; exit 1; }
if [ ! -f "$src_list" ] || [ "$(cat "$src_list")" != "$wanted" ]; then
  printf '%s\n' "$wanted" | $SUDO tee "$src_list" >/dev/null
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# nginx-light enables a default site on installation; the tests start their own instances.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now nginx >/dev/null 2>&1 || true; fi
$SUDO service nginx stop >/dev/null 2>&1 || true
echo "system packages ready"
