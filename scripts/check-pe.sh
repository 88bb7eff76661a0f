#!/bin/sh
# Checks a Windows executable built here: its machine type, and that it
# imports nothing but DLLs every Windows (and Windows PE) has, so that it
# runs from a boot medium without a runtime beside it.
#
#   scripts/check-pe.sh EXE x86_64|i686
set -eu

if [ $# -ne 2 ]; then
  echo "usage: $0 EXE x86_64|i686" >&2
  exit 2
fi
exe=$1
arch=$2
case $arch in
  x86_64) format=pei-x86-64 ;;
  i686) format=pei-i386 ;;
  *) echo "$0: unknown architecture '$arch'" >&2; exit 2 ;;
esac
# The 64-bit tools read both formats, so a wrong one is reported, not refused.
objdump=
for o in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
  if command -v "$o" >/dev/null 2>&1; then objdump=$o; break; fi
done
[ -n "$objdump" ] || { echo "$0: no objdump for PE files" >&2; exit 2; }
[ -f "$exe" ] || { echo "$0: no such file: $exe" >&2; exit 1; }

if ! "$objdump" -f "$exe" | grep -q "file format $format\$"; then
  echo "FAIL $exe: not $format ($("$objdump" -f "$exe" | sed -n 's/.*file format //p'))" >&2
  exit 1
fi

# Windows' own libraries only; the C runtime is msvcrt or the universal CRT.
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll oleaut32.dll
advapi32.dll msvcrt.dll uxtheme.dll shlwapi.dll version.dll ntdll.dll setupapi.dll winmm.dll"
status=0
imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
for dll in $imports; do
  ok=no
  case $dll in
    api-ms-win-crt-*.dll) ok=yes ;;
  esac
  for a in $allowed; do
    [ "$dll" = "$a" ] && ok=yes
  done
  if [ $ok = no ]; then
    echo "FAIL $exe: imports $dll, which Windows does not carry" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok $exe ($format): imports $(echo $imports | tr ' ' ',')"
exit $status
