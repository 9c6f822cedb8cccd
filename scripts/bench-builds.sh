#!/usr/bin/env bash
# Benchmarks two builds side by side, interleaved (before, after, before, after, ...), so
# the load of a shared machine falls on both alike: the walk (bench_walk --once on the
# 500 000-file tree of scripts/bench-walk.sh, 5 runs through hyperfine), the fast scan
# (bench_mft_scan: table read and scan + finalize of an image from bench/make_mft_image.sh),
# the tree (bench_tree: addNode and finalizeTree, 10 M nodes) and the CSV import (bench_csv
# Import, 5 repetitions, on one export file both builds read). The load average is noted
# before every run. Prints one line per run and a summary per benchmark at the end.
#   scripts/bench-builds.sh BEFORE_ROOT AFTER_ROOT
# Each root needs build/native/bench/. MB_BENCH_ROUNDS (default 3) rounds; MB_BENCH_ONLY
# picks benchmarks ("walk mft tree csv"); MB_MFT_IMAGE names the image (default
# /tmp/mossbloom-mft-bench.img; without it the fast scan is left out); MB_BENCH_PRIORITY=1
# (root only) runs everything in a session of its own at nice -20, as scripts/bench-walk.sh
# explains. Needs hyperfine for the walk.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BEFORE_ROOT AFTER_ROOT" >&2
  exit 2
fi
if [ "${MB_BENCH_PRIORITY:-0}" = 1 ] && [ -z "${MB_BENCH_PRIORITY_SET:-}" ]; then
  export MB_BENCH_PRIORITY_SET=1
  exec setsid --wait bash -c 'echo -20 > /proc/self/autogroup && exec nice -n -20 "$0" "$@"' "$0" "$@"
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
rounds=${MB_BENCH_ROUNDS:-3}
only=${MB_BENCH_ONLY:-walk mft tree csv}
walk_root="${MB_WALK_BENCH_ROOT:-/tmp/mossbloom-walk-bench}"
image="${MB_MFT_IMAGE:-/tmp/mossbloom-mft-bench.img}"
csv_input="${MB_BENCH_CSV_INPUT:-/tmp/mossbloom-bench-import.csv}"
results=$(mktemp /tmp/mossbloom-bench-builds-XXXXXX.tsv)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

wanted() { [[ " $only " == *" $1 "* ]]; }
if wanted walk && [ ! -f "$walk_root.complete" ]; then
  echo "generating $walk_root"
  rm -rf "$walk_root"
  python3 "$here/scripts/bench-walk-tree.py" "$walk_root"
  touch "$walk_root.complete"
fi
if wanted mft && [ ! -f "$image" ]; then
  echo "no image $image (bench/make_mft_image.sh makes it): the fast scan is left out"
  only=${only/mft/}
fi
if wanted csv && [ ! -f "$csv_input" ]; then
  # One export for both builds: the synthetic tree of bench/csv.cpp, written by the after build.
  MB_BENCH_CSV="$csv_input" "$after/build/native/bench/bench_csv" --benchmark_filter='^Export/' >/dev/null 2>&1
fi
echo "machine: $(nproc) logical processors, $(uname -sr)"
echo "before: $before ($(git -C "$before" rev-parse --short HEAD 2>/dev/null || echo ?))"
echo "after:  $after ($(git -C "$after" rev-parse --short HEAD 2>/dev/null || echo ?))"
[ -n "${MB_BENCH_PRIORITY_SET:-}" ] && echo "priority: $(cat /proc/self/autogroup), nice $(nice)"
printf 'benchmark\tround\tside\tload\tmeasure\tvalue\n' >"$results"

# Google Benchmark JSON to "name<TAB>real ms<TAB>cpu ms" lines; with repetitions the
# fastest repetition.
gbench_lines() {
  python3 - "$1" <<'PY'
import json, sys
best = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") == "aggregate" or "error_occurred" in b and b["error_occurred"]:
        continue
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    name = b.get("run_name", b["name"]).replace("/iterations:5", "").replace("/iterations:2", "").replace("/real_time", "")
    real, cpu = b["real_time"] * scale, b["cpu_time"] * scale
    if name not in best or real < best[name][0]:
        best[name] = (real, cpu)
for name, (real, cpu) in best.items():
    print(f"{name}\t{real:.1f}\t{cpu:.1f}")
PY
}

record() {   # BENCH ROUND SIDE LOAD MEASURE VALUE
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$results"
  printf '%-5s round %s %-6s load %-5s %-40s %s\n' "$@"
}

run_one() {   # BENCH SIDE ROUND
  local bench=$1 side=$2 round=$3 root=$before
  [ "$side" = after ] && root=$after
  local dir="$root/build/native/bench" load name real cpu
  load=$(cut -d' ' -f1 /proc/loadavg)
  case $bench in
    walk)
      hyperfine -N --warmup 1 --runs 5 --style none --export-json "$scratch/h.json" \
        "$dir/bench_walk --once $walk_root" >/dev/null
      read -r real cpu < <(python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"][0]; print("%.1f %.1f" % (min(r["times"])*1e3, (r["user"]+r["system"])*1e3))' "$scratch/h.json")
      record walk "$round" "$side" "$load" "walk+finalize min wall ms" "$real"
      record walk "$round" "$side" "$load" "walk+finalize mean CPU ms" "$cpu" ;;
    mft)
      MB_MFT_IMAGE="$image" "$dir/bench_mft_scan" --benchmark_filter='BM_ReadTableBytes|BM_MftScanAndFinalize/' \
        --benchmark_format=json >"$scratch/g.json" 2>/dev/null
      while IFS=$'\t' read -r name real cpu; do
        record mft "$round" "$side" "$load" "$name wall ms" "$real"
      done < <(gbench_lines "$scratch/g.json") ;;
    tree)
      "$dir/bench_tree" --benchmark_format=json >"$scratch/g.json" 2>/dev/null
      while IFS=$'\t' read -r name real cpu; do
        record tree "$round" "$side" "$load" "$name CPU ms" "$cpu"
      done < <(gbench_lines "$scratch/g.json") ;;
    csv)
      MB_BENCH_CSV_INPUT="$csv_input" "$dir/bench_csv" --benchmark_filter='^Import/' --benchmark_repetitions=5 \
        --benchmark_format=json >"$scratch/g.json" 2>/dev/null
      while IFS=$'\t' read -r name real cpu; do
        record csv "$round" "$side" "$load" "$name min wall ms" "$real"
      done < <(gbench_lines "$scratch/g.json") ;;
  esac
}

if wanted walk; then "$before/build/native/bench/bench_walk" --once "$walk_root" >/dev/null; fi   # warm the caches
for bench in $only; do
  for round in $(seq "$rounds"); do
    run_one "$bench" before "$round"
    run_one "$bench" after "$round"
  done
done

echo
echo "summary (after / before):"
python3 - "$results" <<'PY'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1]), delimiter="\t"))
keys = []
for r in rows:
    if (r["benchmark"], r["measure"]) not in keys:
        keys.append((r["benchmark"], r["measure"]))
for bench, measure in keys:
    side = lambda s: [float(r["value"]) for r in rows if r["benchmark"] == bench and r["measure"] == measure and r["side"] == s]
    b, a = side("before"), side("after")
    if not b or not a:
        continue
    # The fastest run is the one least disturbed by other work; the median shows the spread's middle.
    print(f"{bench:5} {measure:42} before {' '.join(f'{v:.1f}' for v in b)}  after {' '.join(f'{v:.1f}' for v in a)}  "
          f"ratio of minima {min(a) / min(b):.3f}, of medians {statistics.median(a) / statistics.median(b):.3f}")
PY
echo "runs: $results"
