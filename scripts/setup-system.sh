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
  wine64 xvfb x11-utils x11-apps imagemagick libgnutls30
  libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
  fonts-wqy-microhei
  # test peers and independent checkers
  zip unzip osslsigncode openssl nginx-light python3 hyperfine
  # source packages of the Windows dependencies
  autoconf automake libtool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# apt-get source needs the deb-src entries of the same suites.
# Only the main archive: its pool carries every pinned version.
src_list=/etc/apt/sources.list.d/quilly-deb-src.sources
if [ ! -f "$src_list" ]; then
  $SUDO tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
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
