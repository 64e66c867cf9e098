#!/usr/bin/env bash
# Runs one Windows program under the build's Wine prefix (CTest's emulator for the Windows presets).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_wine_prefix
if [ -z "${DISPLAY:-}" ]; then
  start_display || exit 1
  trap stop_display EXIT
fi
# Output goes through a file: Wine's helper processes (services, desktop) inherit the program's
# standard handles and outlive it, and a pipe they hold open would keep CTest waiting.
output=$(mktemp)
wine "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
exit $status
