# shellcheck shell=bash
# Sourced by the run, test and bench scripts: the build's own Wine prefix and an X display.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$repo_root/out/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko install prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Creates the prefix once; later calls only check for it. Wine draws the caption buttons with its
# Marlett font, which this Wine does not find among its own fonts (from fonts-wine): without a
# copy in the prefix's Fonts folder the buttons show the letters 0, 1 and r.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    set_wine_window_management N
    wineserver -w
  fi
  cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# Starts Xvfb when no display is set; the caller stops it with stop_display.
started_xvfb_pid=
start_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    kill "$started_xvfb_pid" 2>/dev/null; started_xvfb_pid=
    unset DISPLAY
  done
  echo "could not start Xvfb" >&2; return 1
}

stop_display() {
  wineserver -k 2>/dev/null || true
  if [ -n "$started_xvfb_pid" ]; then
    kill "$started_xvfb_pid" 2>/dev/null || true
    wait "$started_xvfb_pid" 2>/dev/null || true
  fi
}

# Y or N. Wine hands its windows to the X window manager ("managed") and, when one is hidden, waits
# up to 2 s for the manager to confirm. Xvfb runs without a window manager, so there the windows
# are left unmanaged; on a desktop the manager draws their frames.
set_wine_window_management() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1
}
