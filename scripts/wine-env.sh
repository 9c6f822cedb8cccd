#!/usr/bin/env bash
# Sourced by scripts that run Windows programs. Sets up a private Wine prefix in
# the build folder (never ~/.wine) and, on request, a private X display.
#   mb_wine_prefix         create the prefix once (wineboot -i + font replacements)
#   mb_start_display       start Xvfb on a free display and export DISPLAY
#   mb_stop_display        stop it again
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/win64/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

mb_wine_prefix() {
  if [ -f "$WINEPREFIX/.mossbloom-ready" ]; then return 0; fi
  mkdir -p "$WINEPREFIX"
  # Two builds may race to create the prefix: one wins, the other waits.
  (
    flock 9
    if [ -f "$WINEPREFIX/.mossbloom-ready" ]; then exit 0; fi
    wine wineboot -i >/dev/null 2>&1 || true
    # The interface faces are not on Linux: DirectWrite gets DejaVu Sans instead.
    local reg="$WINEPREFIX/fonts.reg"
    cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Segoe UI Variable Display"="DejaVu Sans"
"Segoe UI Variable Text"="DejaVu Sans"
"Segoe UI"="DejaVu Sans"
REG
    wine regedit /S "$reg" >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.mossbloom-ready"
  ) 9>"$WINEPREFIX.lock"
}

mb_start_display() {
  if [ -n "${MB_XVFB_PID:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
      MB_XVFB_PID=$!
      for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
      done
      export DISPLAY=":$n" MB_XVFB_PID
      return 0
    fi
  done
  echo "wine-env: no free X display" >&2
  return 1
}

mb_stop_display() {
  if [ -n "${MB_XVFB_PID:-}" ]; then
    kill "$MB_XVFB_PID" 2>/dev/null || true
    wait "$MB_XVFB_PID" 2>/dev/null || true
    unset MB_XVFB_PID DISPLAY
  fi
}
