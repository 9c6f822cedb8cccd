#!/usr/bin/env bash
# Benchmark mode on the 500 000-file tree: mossbloom --bench natively and under Wine
# (scan / aggregate / layout / render / extensions, peak memory, tree bytes), next to
# `du -s` and `gdu -n -p` measured in the same run (wall time with hyperfine, peak
# resident memory with /usr/bin/time -v). The tree is generated once under /tmp.
# Needs: hyperfine gdu, a native build and a win64 build of the mossbloom target.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
root="${MB_WALK_BENCH_ROOT:-/tmp/mossbloom-walk-bench}"
native="${MB_NATIVE_BIN:-$here/build/native/app/mossbloom}"
windows="${MB_WIN64_BIN:-$here/build/win64/app/mossbloom.exe}"
runs="${MB_BENCH_RUNS:-3}"
out="${MB_BENCH_OUT:-/tmp/mossbloom-bench}"
mkdir -p "$out"

if [ ! -f "$root.complete" ]; then
  echo "generating $root"
  rm -rf "$root"
  python3 "$here/scripts/bench-walk-tree.py" "$root"
  touch "$root.complete"
fi
du -s "$root" >/dev/null   # warms the page cache (dentries, inodes)
echo "files: $(find "$root" -type f | wc -l), folders: $(find "$root" -mindepth 1 -type d | wc -l)"
echo "machine: $(nproc) logical processors, $(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"

echo; echo "== mossbloom --bench (native), $runs runs"
"$native" --bench "$root" --runs "$runs" --out "$out/native.json"
echo; echo "== mossbloom.exe --bench (Wine), $runs runs"
"$here/scripts/wine-run.sh" "$windows" --bench "Z:${root//\//\\}" --runs "$runs" --out "Z:${out//\//\\}\\wine.json" | cat

echo; echo "== whole-process wall time (one scan each)"
hyperfine --warmup 1 --runs "$runs" --style basic \
  -n "mossbloom --bench --runs 1" "$native --bench $root --runs 1" \
  -n "du -s" "du -s $root" \
  -n "gdu -n -p" "gdu -n -p $root"

echo; echo "peak resident memory (KiB):"
for cmd in "$native --bench $root --runs 1" "du -s $root" "gdu -n -p $root"; do
  kib=$( { /usr/bin/time -v $cmd >/dev/null; } 2>&1 | awk -F: '/Maximum resident set size/ {gsub(/ /,"",$2); print $2}')
  printf '%10s  %s\n' "$kib" "$cmd"
done
echo; echo "reports: $out/native.json $out/wine.json"
