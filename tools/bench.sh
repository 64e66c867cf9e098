#!/usr/bin/env bash
# Builds the product and the benchmark (win32 preset), runs the benchmark under Wine on a display of
# its own and prints one line per figure. It reports: a figure over its target still exits 0.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
bash tools/bootstrap.sh >/dev/null || exit 1
source tools/wine-env.sh
ensure_wine_prefix || exit 1
probe_win32 || exit 1
# The product is the 32-bit program; where 32-bit code cannot run, its 64-bit twin is measured.
preset=$product_preset
echo "bench: the $preset build"
cmake --preset $preset >out/configure-$preset.log 2>&1 || { cat out/configure-$preset.log; exit 1; }
targets=(tavrik9 tavrikx_sim bench bare_window)
cmake --build --preset $preset --target "${targets[@]}" >out/bench-build.log 2>&1 ||
  { tail -n 40 out/bench-build.log; exit 1; }

start_display || exit 1
# Only the display started here is stopped: the Wine server of the shared prefix may serve others.
trap '[ -n "$started_xvfb_pid" ] && kill "$started_xvfb_pid" 2>/dev/null' EXIT
wineserver -p >/dev/null 2>&1  # not on our output: a server started here outlives the script
wine wineboot >/dev/null 2>&1
set_wine_window_management N  # else each hidden window waits 2 s for a window manager

build="$repo_root/out/$preset"
program=$(windows_path "$build/dist/TAVRIK9.exe")
library=$(windows_path "$build/dist/TAVRIKX.dll")
bare=$(windows_path "$build/bin/bare_window.exe")
# Output through files: Wine's helper processes may hold a pipe open after the program has ended.
output=$(mktemp) errors=$(mktemp)
wine "$build/bin/bench.exe" "$program" "$library" "$bare" >"$output" 2>"$errors"
status=$?
cat "$output"
if [ "$status" != 0 ]; then
  echo "bench ended with status $status" >&2
  cat "$errors" >&2
fi
rm -f "$output" "$errors"
exit 0
