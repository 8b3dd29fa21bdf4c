#!/usr/bin/env bash
# Runs the read-only settings file cases in a process that cannot override
# file permissions (root otherwise writes anywhere), with a wineserver of its own.
set -euo pipefail
session=$1 dir=$2 tests=$3 work=$4

rm -rf "$work"
mkdir -p "$work/data/file" "$work/data/folder"
printf '[Registre OpenTrack]\r\nPath=ancien\r\n' >"$work/data/file/Trelvane.ini"
chmod 444 "$work/data/file/Trelvane.ini"
chmod 555 "$work/data/folder"
# A copy of the session's prefix, so its wineserver is a different one. The
# session's commands run where its Wine is (here, or in a chroot).
"$session" "$dir" copy "$work/prefix"
in_copy() { "$session" "$dir" run env WINEPREFIX="$work/prefix" "$@"; }

data=$work/data
export TRELVANE_READONLY_DIR="Z:${data//\//\\}"
drop="--bounding-set=-dac_override,-dac_read_search --inh-caps=-dac_override,-dac_read_search"
status=0
# shellcheck disable=SC2086
in_copy setpriv $drop -- wine "$tests" --gtest_filter='IniFileReadOnly.*' || status=$?
in_copy wineserver -k >/dev/null 2>&1 || true
chmod -R u+w "$work"
rm -rf "$work"
exit $status
