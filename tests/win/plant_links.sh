#!/usr/bin/env bash
# Plants links in the test prefix that the Windows tests cannot make themselves: Wine 8 reports
# success for CreateSymbolicLinkW without making a link and refuses junctions, but shows a Unix
# symbolic link to a folder as a folder with the reparse-point attribute, as Windows shows a
# junction. Layout below C:\qylinks:
#   target\canary.txt       what no deletion or extraction may reach
#   tree\inner -> target    a link inside a folder that is deleted
#   toplink -> target       a folder that is itself a link
#   extract\setup -> target a link where an extracted item's folder would go
#   temp\~QYSetup -> target a planted working folder (the installer runs with TMP=C:\qylinks\temp)
set -euo pipefail
root=${1:?wine root}
. "$root/session.env"
base=$WINEPREFIX/drive_c/qylinks
rm -rf "$base"
mkdir -p "$base/target" "$base/tree" "$base/extract" "$base/temp"
echo canary > "$base/target/canary.txt"
echo other > "$base/tree/file.txt"
ln -s "$base/target" "$base/tree/inner"
ln -s "$base/target" "$base/toplink"
ln -s "$base/target" "$base/extract/setup"
ln -s "$base/target" "$base/temp/~QYSetup"
