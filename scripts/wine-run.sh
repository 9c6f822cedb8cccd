#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's private prefix; its exit
# code (low byte, as POSIX keeps it) becomes ours. MB_DISPLAY=1 gives it an X display
# and the prefix's desktop lock.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
mb_wine_prefix
run=(wine "$@")
if [ "${MB_DISPLAY:-0}" = 1 ]; then
  if [ -z "${DISPLAY:-}" ]; then
    mb_start_display
    trap mb_stop_display EXIT
  fi
  run=(flock -o "$MB_DESKTOP_LOCK" "${run[@]}")
fi
"${run[@]}"
