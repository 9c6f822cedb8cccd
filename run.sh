#!/usr/bin/env bash
# Sets up, builds both targets and runs Mossbloom's main job on FOLDER
# (default: this repository): the headless export of that folder to CSV, then
# the window: mossbloom.exe scanning FOLDER, shown under Wine with a display; without
# one, drawn on a private X display once the scan has ended and saved as
# build/run/window.png.
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

window=(build/win64/app/mossbloom.exe "Z:${folder//\//\\}")
class=MossbloomWindow
if [ -n "${DISPLAY:-}" ]; then
  echo "run.sh: showing the window on $DISPLAY under Wine (close it to end)"
  (source scripts/wine-env.sh && mb_wine_prefix && wine "${window[@]}") || status=$?
else
  echo "run.sh: no display: drawing the window on a private X display"
  python3 scripts/window-screenshot.py "$out/window.png" "$class" "${window[@]}" || status=$?
fi
exit $status
