#!/usr/bin/env bash
# The shipped program end to end under Wine, driven by real keys and clicks on the X display
# (xdotool): once without a device, once on the simulated device. Prints one line per failed
# check, then "N passed, M failed".
# usage: e2e_test.sh BUILD_DIR    (the win32 build; DISPLAY and the Wine server are up)
# Without a window manager, keys reach the Wine window under the pointer: it rests on the program's.
set -uo pipefail
build=$(realpath "$1")
# The build's own Wine prefix.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"
work=$(mktemp -d)
passed=0
failed=0
trap 'rm -rf "$work"' EXIT
# The title of the main window and of every message box.
title='TAVRIK-9 Configuration Utility'

# WHAT GOT EXPECTED: one check, counted.
check() {
  [ "$2" == "$3" ] && passed=$((passed + 1)) && return
  failed=$((failed + 1))
  echo "FAIL $1: got '$2', expected '$3'"
}

# TITLES [KEY...]: waits up to 10 s for the titles of the visible windows (sorted, '|' between
# them, nothing once the program has ended), then types the keys.
expect() {
  for _ in $(seq 100); do
    got=$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort | paste -sd'|')
    [ "$got" == "$1" ] && break
    sleep 0.1
  done
  check "windows" "$got" "$1"
  # The main window alone: a click on its background gives it the keys again after a dialog.
  [ "$1" != "$title" ] || xdotool click 1
  [ $# -lt 2 ] || xdotool key "${@:2}"
}

# PID: the program's windows go, and within 5 s it ends with exit code 0
ended() {
  expect ''
  timeout 5 tail --pid="$1" -f /dev/null
  kill "$1" 2>/dev/null
  wait "$1"
  check "exit code" $? 0
}

# FROM-X FROM-Y TO-X TO-Y EXPECTED: a press on the main window at a point counted from its top-left
# corner, a move to a point counted from the same corner, a release; then the window's place and
# size with its frame, "X,Y WxH".
drag() {
  eval "$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell)"
  xdotool mousemove $((X + $1)) $((Y + $2)) mousedown 1
  xdotool mousemove $((X + $3)) $((Y + $4)) mouseup 1
  sleep 0.3
  eval "$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell)"
  check "drag from $1,$2 to $3,$4" "$X,$Y ${WIDTH}x$HEIGHT" "$5"
}

# FILE OFFSET COUNT: the bytes as decimal numbers
bytes() {
  od -An -tu1 -v -j"$2" -N"$3" "$1" | xargs
}

# The file dialogs start in the program's own folder, not in one a run before this left behind.
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f \
  >/dev/null 2>&1
cp "$build/dist/TAVRIK9.exe" "$build/dist/TAVRIKX.dll" "$work/"
cd "$work" || exit 1

# With the stand-in library beside it but no simulation asked for: no device, no main window.
unset TAVRIKX_SIM_MEMORY
wine TAVRIK9.exe >/dev/null 2>&1 &
# Only the box that says no device was detected.
expect "$title" Return
ended $!

# On the simulated device, with the pointer resting in the window: Tab and Down pick 14400; Ctrl+N
# asks (Escape keeps it); Ctrl+S saves the offered Config.TVK; Ctrl+O opens its dialog (Escape);
# Enter on Save To (five Tabs from the window itself) writes the device; Alt+F, X ends. The
# simulated memory's Windows path: Wine's drive Z: is the root.
export TAVRIKX_SIM_MEMORY="Z:${work//\//\\}\\device.mem"
wine TAVRIK9.exe >/dev/null 2>&1 &
expect "$title"
# The title bar moves the window to 100,100. Then each edge and corner in turn: the dragged edges
# follow the pointer to where the client area is 64 i + 85 wide and 48 i + 117 high for the
# nearest i, a width halfway between two the wider, a height the shorter (the top-left drag). The
# frame adds 8 by 46.
eval "$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell)"
drag 300 10 $((400 - X)) $((110 - Y)) "100,100 633x266"
# left, top, right and bottom edges
drag 1 133 -49 133 "64,100 669x355"
drag 334 1 334 -47 "64,52 669x403"
drag 667 200 731 200 "64,52 733x403"
drag 366 401 366 449 "64,52 733x451"
# top-left, top-right, bottom-left and bottom-right corners
drag 1 1 -31 -23 "0,52 797x451"
drag 795 1 859 -47 "0,4 861x499"
drag 1 497 65 545 "64,4 797x547"
drag 795 545 731 497 "64,4 733x499"
eval "$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1 key Tab Down ctrl+n
# The unsaved-changes question.
expect "$title|$title" Escape
expect "$title" ctrl+s
expect "Save File|$title" Return
expect "$title" ctrl+o
expect "Open File|$title" Escape
expect "$title" Tab Tab Tab Tab Tab Return
# The outcome. Then Shift+Tab from Save To leads to Mode, which Down sets to Ext ASCII, and Tab back
# to Save To, which Enter gives again.
expect "$title|$title" Return
expect "$title" Tab Tab Tab Tab Tab shift+Tab Down Tab Return
expect "$title|$title" Return
expect "$title" alt+f x
# The changes since the save: No leaves without saving.
expect "$title|$title" n
ended $!
check "file size, codes" "$(stat -c %s Config.TVK) $(bytes Config.TVK 16 6)" "512 0 3 0 0 0 1"
check "device cells 16..21, 511" "$(bytes device.mem 16 6) $(bytes device.mem 511 1)" \
  "1 3 0 0 0 1 72"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
