#!/usr/bin/env bash
# The executable as a file: 32-bit (PE32), a GUI program, and importing
# nothing but Windows' own DLLs, so it runs on a bare Windows.
set -euo pipefail
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe")
status=0
fail() { echo "FAIL: $*"; status=1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 i386 image"
grep -Eq '^Magic[[:space:]]+010b' <<<"$dump" || fail "optional header is not PE32"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "not the Windows GUI subsystem"

windows_dlls='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|uxtheme|shcore|msvcrt|ntdll|version|msimg32|imm32|ws2_32)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no import found"
while read -r dll; do
  [ -z "$dll" ] && continue
  grep -Eq "$windows_dlls" <<<"$dll" || fail "imports $dll"
done <<<"$imports"

echo "imports: $(echo $imports)"
echo "size: $(stat -c %s "$exe") bytes"
exit $status
