# shellcheck shell=bash
# Sourced by the run, test and bench scripts: the build's own Wine prefix and an X display.
# TAVRIK9_WINEPREFIX names another prefix of the build's (the release check's emulated one).
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${TAVRIK9_WINEPREFIX:-$repo_root/out/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko install prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Debian's wine command starts Wine's 32-bit loader whenever wine32 is installed, even for a 64-bit
# program, and a machine that runs no 32-bit code cannot start it. Wine's 64-bit loader runs a
# 64-bit program itself and hands a 32-bit one on to the 32-bit loader beside it: here `wine` is a
# script found first on the PATH that becomes that loader (exec, so that `wine PROGRAM &` gives the
# loader's own process id; a link would not do: the loader goes by the name it was started as).
# Written beside and moved into place, so that it never writes through an older link.
if [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  mkdir -p "$repo_root/out/wine-loader"
  printf '#!/bin/sh\nexec %s "$@"\n' "$WINELOADER" >"$repo_root/out/wine-loader/wine.new"
  chmod +x "$repo_root/out/wine-loader/wine.new"
  mv -f "$repo_root/out/wine-loader/wine.new" "$repo_root/out/wine-loader/wine"
  export PATH="$repo_root/out/wine-loader:$PATH"
fi

# PATH: the Windows path of a file, through Wine's drive Z:, the root (without winepath, which
# starts Debian's 32-bit loader, and before the display is there).
windows_path() { echo "Z:${1//\//\\}"; }

# Creates the prefix once; later calls only check for it. Wine draws the caption buttons with its
# Marlett font, which this Wine does not find among its own fonts (from fonts-wine): without a
# copy in the prefix's Fonts folder the buttons show the letters 0, 1 and r.
# A prefix that could not be made ends the caller with Wine's own words.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    echo "wine: creating prefix $WINEPREFIX"
    local said
    said=$(wine wineboot -i 2>&1)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine: could not make the prefix $WINEPREFIX:" >&2
      echo "$said" | tail -n 5 >&2
      return 1
    fi
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
    # An Xvfb that ends at once found the number taken where this /tmp does not show it (another
    # chroot's server, through the abstract socket): the next number then.
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      kill -0 "$started_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$started_xvfb_pid" 2>/dev/null || true
    started_xvfb_pid=
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

# One Wine server for the caller's whole run, its services started now (away from CTest's pipes and
# the caller's output: a server started here outlives the script), windows left to no window
# manager, and a crash ending the program with a backtrace instead of waiting for someone to close
# Wine's crash dialog. Needs the display.
start_wine_session() {
  wineserver -p >/dev/null 2>&1
  wine wineboot >/dev/null 2>&1
  set_wine_window_management N
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# Y or N. Wine hands its windows to the X window manager ("managed") and, when one is hidden, waits
# up to 2 s for the manager to confirm. Xvfb runs without a window manager, so there the windows
# are left unmanaged; on a desktop the manager draws their frames.
set_wine_window_management() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1
}

# Whether this machine runs 32-bit Windows programs, found by starting one under Wine: the kernel
# may run no 32-bit code at all. Sets win32_runs to yes or no (and win32_why), and product_preset
# to the preset whose program runs here (win32, the product, or its 64-bit twin win64), and prints
# one line saying which and why. TAVRIK9_64BIT_ONLY=1 takes the 64-bit road on purpose. Where the
# 32-bit Wine fails on a machine that does run 32-bit code, Wine is broken: an error, not the 64-bit
# road.
# shellcheck disable=SC2034  # read by the scripts that source this
probe_win32() {
  local probe=$repo_root/out/probe32.exe said
  if [ "${TAVRIK9_64BIT_ONLY:-}" = 1 ]; then
    win32_runs=no
    product_preset=win64
    win32_why="TAVRIK9_64BIT_ONLY=1 takes the 64-bit road"
    echo "wine: $win32_why: the 64-bit build stands in for the 32-bit one"
    return 0
  fi
  mkdir -p "$repo_root/out"
  echo 'int main(void) { return 32; }' | i686-w64-mingw32-gcc -x c - -o "$probe" || return 1
  local status=0
  said=$(wine "$probe" 2>&1) || status=$?
  if [ $status = 32 ]; then
    win32_runs=yes
    product_preset=win32
    echo "wine: this machine runs 32-bit Windows programs: the 32-bit build runs"
    return 0
  fi
  # A 32-bit Linux program of Wine's own tells a machine without 32-bit code (the kernel refuses
  # it: exit status 126) from a broken or missing 32-bit Wine.
  local refused
  status=0
  refused=$(/usr/lib/wine/wineserver32 --version 2>&1) || status=$?
  if [ $status != 126 ]; then
    echo "wine: no 32-bit Windows program ran, though this machine may run 32-bit code:" >&2
    echo "$said" | tail -n 5 >&2
    return 1
  fi
  win32_runs=no
  product_preset=win64
  win32_why="this machine runs no 32-bit code (${refused##*: })"
  echo "wine: $win32_why: the 64-bit build stands in for the 32-bit one"
}
