#!/usr/bin/env bash
# An executable in a folder whose path is far longer than MAX_PATH must still
# find its settings file beside itself, not in a folder cut out of the path.
set -euo pipefail
session=$1 dir=$2 probe=$3 work=$4

rm -rf "$work"
long=$work
for part in un-dossier-au-nom-assez-long-pour-le-test deuxieme-niveau-de-dossiers-tres-long \
  troisieme-niveau-de-dossiers-encore-plus-long quatrieme-niveau-pour-passer-la-limite \
  cinquieme-niveau-au-dela-des-deux-cent-soixante sixieme-niveau-pour-faire-bonne-mesure; do
  long=$long/$part
done
mkdir -p "$long"
cp "$probe" "$long/Trelvane_Project.exe"

# The answer goes beside the work folder, within the build folder.
out=$work.out
"$session" "$dir" run wine "$long/Trelvane_Project.exe" "Z:${out//\//\\}"
expected="Z:${long//\//\\}\\Trelvane.ini"
actual=$(cat "$out")
rm -rf "$work" "$out"
echo "path length: ${#expected}"
if [ "$actual" != "$expected" ]; then
  echo "expected: $expected"
  echo "actual:   $actual"
  exit 1
fi
