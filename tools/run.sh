#!/usr/bin/env bash
# Sets everything up, builds the program and starts it on the simulated device.
# With a display it runs there until closed; without one it runs on Xvfb, saves a screenshot of the
# window and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
source tools/wine-env.sh
ensure_wine_prefix
probe_win32
# The product is the 32-bit program; where 32-bit code cannot run, its 64-bit twin on the 64-bit
# stand-in.
preset=$product_preset
cmake --preset $preset >out/configure-$preset.log 2>&1 || { cat out/configure-$preset.log; exit 1; }
# A failed build ends here with the compiler's messages (without ninja's progress lines), rather
# than starting an older program or none.
if ! cmake --build --preset $preset --target tavrik9 tavrikx_sim >out/build-run.log 2>&1; then
  grep -v '^\[' out/build-run.log >&2
  echo "the build failed; all of its output is in out/build-run.log" >&2
  exit 1
fi
dist="$repo_root/out/$preset/dist"
# The stand-in library simulates a device only when told where to keep its memory.
TAVRIKX_SIM_MEMORY=$(windows_path "$dist/TAVRIKX.mem")
export TAVRIKX_SIM_MEMORY
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
else
  echo "the window did not appear within 30 s" >&2
  window=
fi
# Up to 10 s for the program to end, closed as a person would, with Alt+F4 in its focused window
# (destroying the X window, as xdotool windowclose does, leaves it running). The keys go again each
# second: Wine may not have made the window active yet when they first arrive. Ended only if it is
# still there after that.
for i in $(seq 0 99); do
  kill -0 "$program" 2>/dev/null || break
  if [ -n "$window" ] && [ $((i % 10)) = 0 ] &&
     timeout 2 xdotool windowfocus --sync "$window" 2>/dev/null; then
    xdotool key alt+F4 || true
  fi
  sleep 0.1
done
if kill -0 "$program" 2>/dev/null; then
  echo "the program did not end within 10 s of being closed; ending it" >&2
  kill "$program" 2>/dev/null || true
fi
wait "$program" 2>/dev/null || true
