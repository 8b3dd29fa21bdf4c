#!/usr/bin/env bash
# The executable as a file: 32-bit (PE32), a GUI program, and importing
# nothing but Windows' own DLLs, so it runs on a bare Windows.
#
#   executable_format.sh EXE WINDOWS_DLLS   (the list: one DLL name a line)
set -euo pipefail
exe=$1
windows_dlls=$(grep -v '^#' "$2")
dump=$(i686-w64-mingw32-objdump -p "$exe")
status=0
fail() { echo "FAIL: $*"; status=1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 i386 image"
grep -Eq '^Magic[[:space:]]+010b' <<<"$dump" || fail "optional header is not PE32"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "not the Windows GUI subsystem"
if ! grep -Eq '^MajorSubsystemVersion[[:space:]]+6$' <<<"$dump" ||
  ! grep -Eq '^MinorSubsystemVersion[[:space:]]+0$' <<<"$dump"; then
  fail "subsystem version is not 6.0"
fi
for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
  grep -Eq "^[[:space:]]+$flag\$" <<<"$dump" || fail "DllCharacteristics lacks $flag"
done

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$imports" ] || fail "no import found"
while read -r dll; do
  [ -z "$dll" ] && continue
  grep -qxF "$dll" <<<"$windows_dlls" || fail "imports $dll"
done <<<"$imports"

echo "imports: ${imports//$'\n'/ }"
echo "size: $(stat -c %s "$exe") bytes"
exit $status
