#!/usr/bin/env bash
# Signs the packed sample installer as a product team would, with certificates of a throw-away
# code-signing CA (ca.pem in WORKDIR, put into the prefix's Root store by the e2e.net.trust step):
#   SIGNED             signed by "Quilly Test Publisher"
#   SIGNED-renewed.exe the same publisher's certificate renewed with a new key
#   SIGNED-other.exe   another publisher under the same CA
#   SIGNED-changed.exe SIGNED with one byte changed after signing
# It checks that osslsigncode accepts the signatures and that both packages of the signed
# installer still read and extract the same.
#   sign_installer.sh INSTALLER SIGNED WORKDIR WINE-RUN WINE-ROOT QYPACK.EXE
set -euo pipefail
installer=$1 signed=$2 work=$3 wine_run=$4 wine_root=$5 qypack=$6
stem=${signed%.exe}
rm -rf "$work" "$signed" "$stem"-*.exe && mkdir -p "$work"  # osslsigncode does not overwrite

openssl req -x509 -newkey rsa:2048 -nodes -days 30 -sha256 -subj "/CN=Quilly Test Code Root" \
  -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca-key.pem" -out "$work/ca.pem" 2>/dev/null
# issue NAME SUBJECT: a code-signing certificate NAME.pem with a new key NAME-key.pem.
issue() {
  openssl req -newkey rsa:2048 -nodes -subj "$2" -keyout "$work/$1-key.pem" -out "$work/$1.csr" 2>/dev/null
  printf 'basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$work/$1.ext"
  openssl x509 -req -in "$work/$1.csr" -CA "$work/ca.pem" -CAkey "$work/ca-key.pem" -CAcreateserial -days 30 \
    -sha256 -extfile "$work/$1.ext" -out "$work/$1.pem" 2>/dev/null
  cat "$work/$1.pem" "$work/ca.pem" >"$work/$1-chain.pem"
}
issue publisher "/O=Morvane/CN=Quilly Test Publisher"
issue renewed "/O=Morvane/CN=Quilly Test Publisher"
issue other "/O=Elsewhere/CN=Other Test Publisher"
sign() {
  osslsigncode sign -certs "$work/$1-chain.pem" -key "$work/$1-key.pem" -n "Quilly Setup" -h sha256 \
    -in "$installer" -out "$2" >/dev/null
  osslsigncode verify -CAfile "$work/ca.pem" -in "$2" | grep -q "Signature verification: ok" \
    || { echo "osslsigncode does not accept the signature of $2" >&2; exit 1; }
}
sign publisher "$signed"
sign renewed "$stem-renewed.exe"
sign other "$stem-other.exe"
# The DOS stub's text is covered by the signature and read by nobody.
python3 - "$signed" "$stem-changed.exe" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"DOS mode")
data[at:at + 8] = b"DOS MODE"
open(sys.argv[2], "wb").write(data)
PY
osslsigncode verify -CAfile "$work/ca.pem" -in "$stem-changed.exe" 2>&1 | grep -q "Signature verification: ok" \
  && { echo "osslsigncode accepts the changed file" >&2; exit 1; }

winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
"$wine_run" "$wine_root" "$qypack" --extract "$(winpath "$installer")" "$(winpath "$work")\\plain" >/dev/null
"$wine_run" "$wine_root" "$qypack" --extract "$(winpath "$signed")" "$(winpath "$work")\\signed" >/dev/null
[ -d "$work/signed/1" ] && [ -d "$work/signed/2" ] || { echo "the signed installer lost a package" >&2; exit 1; }
diff -r "$work/plain" "$work/signed" || { echo "the signed installer extracts differently" >&2; exit 1; }
echo "signed installers made; both packages extract unchanged"
