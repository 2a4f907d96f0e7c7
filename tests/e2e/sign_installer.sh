#!/usr/bin/env bash
# Signs the packed sample installer with a throw-away code-signing certificate and checks that
# osslsigncode accepts the signature and that both packages still read and extract the same.
#   sign_installer.sh INSTALLER SIGNED WORKDIR WINE-RUN WINE-ROOT QYPACK.EXE
set -euo pipefail
installer=$1 signed=$2 work=$3 wine_run=$4 wine_root=$5 qypack=$6
rm -rf "$work" "$signed" && mkdir -p "$work"  # osslsigncode does not overwrite

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quilly Test Signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Quilly Setup" -h sha256 \
  -in "$installer" -out "$signed" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" | grep -q "Signature verification: ok" \
  || { echo "osslsigncode does not accept the signature" >&2; exit 1; }

winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
"$wine_run" "$wine_root" "$qypack" --extract "$(winpath "$installer")" "$(winpath "$work")\\plain" >/dev/null
"$wine_run" "$wine_root" "$qypack" --extract "$(winpath "$signed")" "$(winpath "$work")\\signed" >/dev/null
[ -d "$work/signed/1" ] && [ -d "$work/signed/2" ] || { echo "the signed installer lost a package" >&2; exit 1; }
diff -r "$work/plain" "$work/signed" || { echo "the signed installer extracts differently" >&2; exit 1; }
echo "signed installer verified; both packages extract unchanged"
