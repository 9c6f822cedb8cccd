#!/usr/bin/env bash
# Sets up, builds every target and runs every test: native, sanitizers, fuzzers,
# and the Windows program under Wine. Exits non-zero on any failure.
# MB_PRESETS="native win64" ./test.sh runs a subset.
set -uo pipefail
cd "$(dirname "$0")"
scripts/setup.sh || { echo "test.sh: setup failed"; exit 1; }

presets=(${MB_PRESETS:-native native-asan fuzz win64})
passed=0; failed=0; broken=()
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1

# The Windows programs of a run share one X display: Wine's desktop process lives on
# the display of the program that started it, and a program that came without a display
# (or whose private Xvfb has gone) would leave the next window nowhere to appear. The
# window tests' harness starts its own display and wineserver around each group.
start_windows_display() {
  source scripts/wine-env.sh
  # A private Xvfb even on a desktop: the checks need exact pixels and no other windows.
  unset DISPLAY
  mb_start_display || return 1
  # The prefix's server may still run with an older display: start it afresh.
  wineserver -k 2>/dev/null || true
}

for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 || ! cmake --build --preset "$preset" >>"build-$preset.log" 2>&1; then
    tail -n 60 "build-$preset.log"
    echo "=== $preset: BUILD FAILED (full log: build-$preset.log)"
    broken+=("$preset(build)"); failed=$((failed + 1))
    continue
  fi
  rm -f "build-$preset.log"
  echo "=== $preset: test"
  jobs=2
  if [ "$preset" = win64 ]; then start_windows_display; fi
  log="build/$preset/ctest.log"
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  if [ -z "$summary" ]; then
    broken+=("$preset(no tests)"); failed=$((failed + 1)); continue
  fi
  passed=$((passed + total - bad)); failed=$((failed + bad))
  [ "$bad" -eq 0 ] || broken+=("$preset")
done

if [ -d build/win64/wineprefix ]; then
  (source scripts/wine-env.sh && wineserver -k 2>/dev/null || true)
fi
if [ -n "${MB_XVFB_PID:-}" ]; then mb_stop_display; fi
echo
if [ ${#broken[@]} -gt 0 ]; then echo "test.sh: failures in ${broken[*]}"; fi
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
