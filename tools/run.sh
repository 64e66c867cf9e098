#!/usr/bin/env bash
# Sets everything up, builds the program and starts it on the simulated device.
# With a display it runs there until closed; without one it runs on Xvfb, saves a screenshot of the
# window and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
source tools/wine-env.sh
ensure_wine_prefix
cmake --preset win32 >out/configure-win32.log 2>&1 || { cat out/configure-win32.log; exit 1; }
cmake --build --preset win32 --target tavrik9 tavrikx_sim | grep -v '^\[' || true
dist="$repo_root/out/win32/dist"
# The stand-in library simulates a device only when told where to keep its memory (a Windows path;
# Wine's drive Z: is the root, and winepath would start Wine before the display is there).
export TAVRIKX_SIM_MEMORY="Z:${dist//\//\\}\\TAVRIKX.mem"
echo "program: $dist/TAVRIK9.exe (the simulated device keeps its memory in $dist/TAVRIKX.mem)"

if [ -n "${DISPLAY:-}" ]; then
  set_wine_window_management Y
  exec wine "$dist/TAVRIK9.exe"
fi

start_display
trap stop_display EXIT
set_wine_window_management N
screenshot="$repo_root/out/screenshot.png"
wine "$dist/TAVRIK9.exe" >/dev/null 2>&1 &
program=$!
title='^TAVRIK-9 Configuration Utility$'
if window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title"); then
  window=${window%%$'\n'*}  # the first, should Wine show more than one
  sleep 1
  import -window root "$screenshot"
  echo "screenshot of the window: $screenshot"
  xdotool windowclose "$window" 2>/dev/null || true
else
  echo "the window did not appear within 30 s" >&2
fi
timeout 10 wait "$program" 2>/dev/null || kill "$program" 2>/dev/null || true
