#!/usr/bin/env bash
# The installer's static imports are known DLLs only: the loader resolves every other import from
# the program's own folder first, before any of its code runs, so a DLL planted beside an
# installer in Downloads would run elevated. Anything else is loaded at run time from the system
# folder. Usage: check_imports.sh OBJDUMP PROGRAM.exe
set -euo pipefail
objdump=${1:?objdump} exe=${2:?program}
# Known DLLs on every supported system (Windows 7 to 11), lower case.
known="advapi32 comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4
sechost setupapi shell32 shlwapi user32 wldap32 ws2_32"
status=0
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
[ -n "$imports" ] || { echo "no import table read from $exe" >&2; exit 1; }
for dll in $imports; do
  if ! grep -qw "$dll" <<<"$known"; then
    echo "$exe imports $dll.dll, which is not a known DLL: load it with LoadSystemLibrary instead" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "imports: $(echo $imports)"
exit $status
