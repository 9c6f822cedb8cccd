#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's private prefix; its exit
# code (low byte, as POSIX keeps it) becomes ours. MB_DISPLAY=1 gives it an X display.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
mb_wine_prefix
if [ "${MB_DISPLAY:-0}" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  mb_start_display
  trap mb_stop_display EXIT
fi
wine "$@"
