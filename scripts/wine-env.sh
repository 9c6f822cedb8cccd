#!/usr/bin/env bash
# Sourced by scripts that run Windows programs. Sets up a private Wine prefix in
# the build folder (never ~/.wine) and, on request, a private X display.
#   mb_wine_prefix         create the prefix once (wineboot -i, font replacements, csmt off)
#   mb_start_display       start Xvfb on a free display and export DISPLAY
#   mb_stop_display        stop it again
#   MB_DESKTOP_LOCK        the prefix's desktop lock (flock), held by whatever shows windows
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/win64/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
# Every program in the prefix shares one Wine desktop: the foreground window,
# SendInput and the registry. Whatever shows windows or sends input holds this
# lock (tests/harness/mbwin.py takes it too), so parallel tests never click into
# each other's windows. Take it with `flock -o`: a Wine process that inherited
# the descriptor would keep it held for as long as the wineserver lives.
MB_DESKTOP_LOCK="$WINEPREFIX.desktop.lock"

# Bump when the prefix settings below change: existing prefixes then get them too.
mb_prefix_version=2

mb_wine_prefix() {
  if [ "$(cat "$WINEPREFIX/.mossbloom-ready" 2>/dev/null)" = "$mb_prefix_version" ]; then return 0; fi
  mkdir -p "$WINEPREFIX"
  # Two builds may race to create the prefix: one wins, the other waits.
  (
    flock 9
    if [ "$(cat "$WINEPREFIX/.mossbloom-ready" 2>/dev/null)" = "$mb_prefix_version" ]; then exit 0; fi
    [ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1 || true
    # The interface faces are not on Linux: DirectWrite and GDI get DejaVu Sans
    # instead. The icon font has no free stand-in (docs/window-testing.md).
    # csmt = 0: Direct3D draws on the calling thread, so the pixels are on the
    # screen when Present returns and a capture right after it sees the new frame.
    local reg="$WINEPREFIX/mossbloom.reg"
    cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Segoe UI Variable Display"="DejaVu Sans"
"Segoe UI Variable Text"="DejaVu Sans"
"Segoe UI"="DejaVu Sans"

[HKEY_CURRENT_USER\Software\Wine\Direct3D]
"csmt"=dword:00000000
REG
    # No `wineserver -w`: a persistent server of the window tests may be running,
    # and every client of the prefix reads the registry through it anyway.
    wine regedit /S "$reg" >/dev/null 2>&1 || true
    echo "$mb_prefix_version" > "$WINEPREFIX/.mossbloom-ready"
  ) 9>"$WINEPREFIX.lock"
}

mb_start_display() {
  if [ -n "${MB_XVFB_PID:-}" ]; then return 0; fi
  # Xvfb picks a free display itself and tells its number: no race with other tests.
  local numberFile
  numberFile="$(mktemp)"
  Xvfb -displayfd 9 -screen 0 1600x1000x24 -nolisten tcp 9>"$numberFile" >/dev/null 2>&1 &
  MB_XVFB_PID=$!
  local n=""
  for _ in $(seq 100); do
    n="$(tr -dc 0-9 < "$numberFile")"
    [ -n "$n" ] && break
    sleep 0.05
  done
  rm -f "$numberFile"
  if [ -z "$n" ]; then
    echo "wine-env: Xvfb did not start" >&2
    kill "$MB_XVFB_PID" 2>/dev/null
    unset MB_XVFB_PID
    return 1
  fi
  export DISPLAY=":$n" MB_XVFB_PID
}

mb_stop_display() {
  if [ -n "${MB_XVFB_PID:-}" ]; then
    kill "$MB_XVFB_PID" 2>/dev/null || true
    wait "$MB_XVFB_PID" 2>/dev/null || true
    unset MB_XVFB_PID DISPLAY
  fi
}
