#!/usr/bin/env bash
# Cross-compiles the Windows build's libraries from Debian's source packages into a cache
# outside the source tree, once per triplet and version:
#   $QUILLY_DEPS_CACHE/<triplet>/prefix/{include,lib}
# zlib itself comes from Debian's mingw package (libz-mingw-w64-dev).
# Usage: build-win-deps.sh [x86_64|i686]...   (default: both)
set -euo pipefail
shopt -s inherit_errexit

# Pinned source versions. If Debian's archive has moved past a pin, the current
# candidate is taken instead (with a warning) and cached under its own version.
declare -A PIN=(
  [zlib]="1:1.2.13.dfsg-1"
  [tinyxml]="2.6.2-6+deb12u1"
  [nghttp2]="1.52.0-1+deb12u3"
  [curl]="7.88.1-10+deb12u15"
  [googletest]="1.12.1-0.2"
)

CACHE=${QUILLY_DEPS_CACHE:-$HOME/.cache/quilly-deps}
SRC_CACHE=$CACHE/src
JOBS=${JOBS:-$(nproc)}
mkdir -p "$SRC_CACHE"

log() { printf '[win-deps] %s\n' "$*" >&2; }

# Unpacks a Debian source package (patches applied) once; prints its folder.
fetch_source() {
  local pkg=$1 want=${PIN[$1]} ver dir
  ver=$want
  if ! apt-cache showsrc "$pkg" 2>/dev/null | grep -qx "Version: $want"; then
    ver=$(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -V | tail -n1)
    log "warning: $pkg $want is no longer in the archive; using $ver"
  fi
  dir=$SRC_CACHE/$pkg-${ver//:/_}
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" "$dir.tmp" && mkdir -p "$dir.tmp"
    if ! (cd "$dir.tmp" && apt-get source -qq --only-source "$pkg=$ver" >/dev/null 2>"$dir.tmp/err"); then
      cat "$dir.tmp/err" >&2; log "error: apt-get source $pkg=$ver failed"; exit 1
    fi
    local top
    top=$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)
    [ -n "$top" ] || { log "error: $pkg source did not unpack"; exit 1; }
    mv "$top" "$dir" && rm -rf "$dir.tmp"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

stamp_ok() { [ -f "$PREFIX/.stamps/$1" ]; }
stamp() { mkdir -p "$PREFIX/.stamps" && touch "$PREFIX/.stamps/$1"; }

cmake_cross() {
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER="$TRIPLET-gcc-posix" -DCMAKE_CXX_COMPILER="$TRIPLET-g++-posix" \
    -DCMAKE_RC_COMPILER="$TRIPLET-windres" \
    -DCMAKE_FIND_ROOT_PATH="/usr/$TRIPLET;$PREFIX" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >/dev/null
  cmake --build "$bld" -j "$JOBS" >/dev/null
  cmake --install "$bld" >/dev/null
}

build_minizip() {
  local src ver; src=$(fetch_source zlib); ver=$(basename "$src")
  stamp_ok "minizip-$ver" && return
  log "$TRIPLET: minizip from $ver"
  local bld=$WORK/minizip && mkdir -p "$bld"
  for f in ioapi zip unzip; do
    "$TRIPLET-gcc-posix" -O2 -c "$src/contrib/minizip/$f.c" -o "$bld/$f.o" -I/usr/$TRIPLET/include
  done
  "$TRIPLET-ar" rcs "$PREFIX/lib/libminizip.a" "$bld"/*.o
  mkdir -p "$PREFIX/include/minizip"
  cp "$src/contrib/minizip/"{ioapi.h,zip.h,unzip.h,crypt.h} "$PREFIX/include/minizip/"
  stamp "minizip-$ver"
}

build_tinyxml() {
  local src ver; src=$(fetch_source tinyxml); ver=$(basename "$src")
  stamp_ok "$ver" && return
  log "$TRIPLET: $ver"
  local bld=$WORK/tinyxml && mkdir -p "$bld"
  for f in tinyxml tinyxmlparser tinyxmlerror tinystr; do
    "$TRIPLET-g++-posix" -O2 -DTIXML_USE_STL -c "$src/$f.cpp" -o "$bld/$f.o"
  done
  "$TRIPLET-ar" rcs "$PREFIX/lib/libtinyxml.a" "$bld"/*.o
  cp "$src/tinyxml.h" "$src/tinystr.h" "$PREFIX/include/"
  stamp "$ver"
}

build_nghttp2() {
  local src ver; src=$(fetch_source nghttp2); ver=$(basename "$src")
  stamp_ok "$ver-r2" && return
  log "$TRIPLET: $ver"
  cmake_cross "$src" "$WORK/nghttp2" -DENABLE_LIB_ONLY=ON -DENABLE_STATIC_LIB=ON \
    -DENABLE_SHARED_LIB=OFF -DENABLE_DOC=OFF -DENABLE_EXAMPLES=OFF \
    -DHAVE_CLOCK_GETTIME=0  # with both clock_gettime (winpthreads) and GetTickCount64 found, 1.52 fails to link
  stamp "$ver-r2"
}

# Schannel's ALPN, which lets HTTP/2 be negotiated over TLS, is compiled upstream for MSVC only;
# mingw-w64's sspi.h has everything it needs, so it is switched on here (HAS_ALPN). curl itself
# still leaves it off below Windows 8.1 and under Wine.
#
# Schannel checks a server's certificate only when curl leaves the check to it ("automatic
# validation"), and Wine's Schannel leaves it undone. curl's own check, which it otherwise takes
# only with a CA file (the chain through the system's chain engine and Root store, revocation, the
# host name), is made the check of every connection, so Windows and Wine verify alike.
build_curl() {
  local src ver; src=$(fetch_source curl); ver=$(basename "$src")
  stamp_ok "$ver-alpn-verify" && return
  log "$TRIPLET: $ver (Schannel, nghttp2)"
  sed -i 's/^    backend->use_manual_cred_validation = false;$/    backend->use_manual_cred_validation = true;/' \
    "$src/lib/vtls/schannel.c"
  grep -q '^    backend->use_manual_cred_validation = true;$' "$src/lib/vtls/schannel.c" ||
    { log "error: curl's Schannel check could not be switched on"; exit 1; }
  cmake_cross "$src" "$WORK/curl" -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_ZLIB=ON -DZLIB_INCLUDE_DIR=/usr/$TRIPLET/include -DZLIB_LIBRARY=/usr/$TRIPLET/lib/libz.a \
    -DUSE_NGHTTP2=ON -DNGHTTP2_INCLUDE_DIR="$PREFIX/include" -DNGHTTP2_LIBRARY="$PREFIX/lib/libnghttp2.a" \
    -DCMAKE_C_FLAGS="-DNGHTTP2_STATICLIB -DHAS_ALPN=1" -DENABLE_UNICODE=ON
  stamp "$ver-alpn-verify"
}

build_googletest() {
  local src ver; src=$(fetch_source googletest); ver=$(basename "$src")
  stamp_ok "$ver" && return
  log "$TRIPLET: $ver"
  cmake_cross "$src" "$WORK/googletest" -Dgtest_disable_pthreads=OFF -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
  stamp "$ver"
}

arches=("$@"); [ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)
for arch in "${arches[@]}"; do
  TRIPLET=$arch-w64-mingw32
  PREFIX=$CACHE/$TRIPLET/prefix
  WORK=$CACHE/$TRIPLET/build
  mkdir -p "$PREFIX/lib" "$PREFIX/include" "$WORK"
  build_minizip
  build_tinyxml
  build_nghttp2
  build_curl
  build_googletest
  rm -rf "$WORK"
  log "$TRIPLET: ready in $PREFIX"
done
