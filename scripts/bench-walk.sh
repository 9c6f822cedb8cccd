#!/usr/bin/env bash
# Directory walk benchmark: generates 500 000 files in 1 000 folders under /tmp (once,
# kept for later runs), warms the page cache, then measures our walk + finalize beside
# `du -s` and `gdu -n -p` in the same run: wall time with hyperfine, peak memory with
# /usr/bin/time -v. Needs: hyperfine gdu (apt-get install hyperfine gdu) and a native build
# (cmake --preset native && cmake --build --preset native --target bench_walk).
#
# On a machine shared with other sessions, MB_BENCH_PRIORITY=1 (root only) runs everything in
# a session of its own whose autogroup has nice -20: the scheduler splits the processors
# between sessions (autogroups) first, so plain nice does not keep compile jobs of other
# sessions off the measured programs. All three programs run under the same priority.
#
# MB_BENCH_WALK_BASE=path/to/another/bench_walk adds that build's walk (e.g. main's) to the
# same hyperfine run and memory table, for a ratio measured side by side.
set -euo pipefail
if [ "${MB_BENCH_PRIORITY:-0}" = 1 ] && [ -z "${MB_BENCH_PRIORITY_SET:-}" ]; then
  export MB_BENCH_PRIORITY_SET=1
  exec setsid --wait bash -c 'echo -20 > /proc/self/autogroup && exec nice -n -20 "$0" "$@"' "$0" "$@"
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
root="${MB_WALK_BENCH_ROOT:-/tmp/mossbloom-walk-bench}"
bench="${MB_BENCH_WALK:-$here/build/native/bench/bench_walk}"
runs="${MB_BENCH_RUNS:-10}"
base="${MB_BENCH_WALK_BASE:-}"

if [ ! -f "$root.complete" ]; then
  echo "generating $root"
  rm -rf "$root"
  python3 "$here/scripts/bench-walk-tree.py" "$root"
  touch "$root.complete"
fi

"$bench" --once "$root"                      # warms the page cache (dentries, inodes)
[ -n "$base" ] && "$base" --once "$root" >/dev/null
du -s "$root" >/dev/null
echo "files: $(find "$root" -type f | wc -l), folders: $(find "$root" -mindepth 1 -type d | wc -l)"
echo "machine: $(nproc) logical processors, $(uname -sr)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), cpu pressure: $(head -1 /proc/pressure/cpu 2>/dev/null || echo n/a)"
[ -n "${MB_BENCH_PRIORITY_SET:-}" ] && echo "priority: $(cat /proc/self/autogroup), nice $(nice)"

base_args=()
[ -n "$base" ] && base_args=(-n "mossbloom (base)" "$base --once $root")
hyperfine --warmup 2 --runs "$runs" --style basic \
  -n mossbloom "$bench --once $root" \
  "${base_args[@]}" \
  -n "du -s" "du -s $root" \
  -n "gdu -n -p" "gdu -n -p $root"

echo
echo "peak resident memory (max of 3 runs, KiB):"
commands=("$bench --once $root")
[ -n "$base" ] && commands+=("$base --once $root")
for cmd in "${commands[@]}" "du -s $root" "gdu -n -p $root"; do
  peak=0
  for _ in 1 2 3; do
    kib=$( { /usr/bin/time -v $cmd >/dev/null; } 2>&1 | awk -F: '/Maximum resident set size/ {gsub(/ /,"",$2); print $2}')
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  printf '%10s  %s\n' "$peak" "$cmd"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
