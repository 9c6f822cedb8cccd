#!/usr/bin/env bash
# Sets up, builds both targets and runs Mossbloom's main job on FOLDER
# (default: this repository): the headless export of that folder to CSV.
set -euo pipefail
cd "$(dirname "$0")"
folder="$(realpath "${1:-.}")"
scripts/setup.sh
for preset in native win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
out="build/run"
mkdir -p "$out"
echo "run.sh: build/native/app/mossbloom --export $folder $out/export.csv"
status=0
build/native/app/mossbloom --export "$folder" "$out/export.csv" || status=$?
echo "run.sh: exit code $status"
if [ -f "$out/export.csv" ]; then
  echo "run.sh: $(wc -l < "$out/export.csv") lines in $out/export.csv; the largest entries:"
  head -n 8 "$out/export.csv"
fi
exit $status
