#!/usr/bin/env bash
# The program end to end under Wine, driven by real keys and clicks on the X display (xdotool):
# once without a device, once on the simulated device. Prints one line per failed check, then
# "N passed, M failed".
# usage: e2e_test.sh FOLDER    (TAVRIK9.exe and the stand-in TAVRIKX.dll; DISPLAY and the Wine
# server are up). E2E_WAIT=S: the seconds it waits for each window, size and exit (default 10).
# Without a window manager, keys reach the Wine window under the pointer: it rests on the program's.
set -u
# The build's own Wine prefix.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"
work=$(mktemp -d)
passed=0 failed=0
tries="${E2E_WAIT:-10}0"  # tenths of a second
trap 'rm -rf "$work"; echo "$passed passed, $failed failed"' EXIT
# The title of the main window and of every message box.
title="TAVRIK-9 Configuration Utility"

# WHAT GOT EXPECTED: one check, counted; a failed one returns 1.
check() {
  [ "$2" = "$3" ] && passed=$((passed + 1)) && return
  failed=$((failed + 1))
  echo "FAIL $1: got '$2', expected '$3'"
  return 1
}

# TITLES [KEY...]: waits for the titles of the visible windows (sorted, '|' between them, nothing
# once the program has ended) and for X's focus on the newest of them, which Wine moves there once
# the program has made it the active window (a dialog leaves the screen before the program is done
# with it, and keys sent then are lost), then types the keys. Other windows, or none, end the test.
expect() {
  for _ in $(seq "$tries"); do
    got=$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort | paste -sd'|')
    [ -d "/proc/$program" ] || break
    newest=$(xdotool search --onlyvisible --name . | tail -1)
    [ "$got" = "$1" ] && [ "$(xdotool getwindowfocus)" = "$newest" ] && break
    sleep 0.1
  done
  check "windows" "$got" "$1" || exit 1
  [ -z "${2:-}" ] || xdotool key "${@:2}"
}

# The program's windows go, and it ends with exit code 0.
ended() {
  expect ''
  timeout "${E2E_WAIT:-10}" tail --pid="$program" -f /dev/null || kill "$program"
  wait "$program"
  check "exit code" "$?" 0
}

# The main window's place and outer size into X, Y, WIDTH and HEIGHT.
geometry() { eval "$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell)"; }

# FROM-X FROM-Y BY-X BY-Y EXPECTED: a press on the main window's frame at a point counted from its
# top-left corner (a negative one from its right or bottom), a move by a distance and a release;
# then where the window stands and the size of its client area, "X,Y WxH", once it is so.
drag() {
  geometry
  local x=$((X + ($1 + WIDTH) % WIDTH)) y=$((Y + ($2 + HEIGHT) % HEIGHT))
  xdotool mousemove $x $y mousedown 1
  xdotool mousemove_relative -- "$3" "$4" mouseup 1
  for _ in $(seq "$tries"); do
    geometry
    got="$X,$Y $((WIDTH - frame_x))x$((HEIGHT - frame_y))"
    [ "$got" = "$5" ] && break
    sleep 0.1
  done
  check "drag from $1,$2 by $3,$4" "$got" "$5"
}

# FILE OFFSET COUNT: the bytes as decimal numbers
bytes() { od -An -tu1 -j"$2" -N"$3" "$1" | xargs; }

# The file dialogs start in the program's own folder, not in one a run before this left behind.
wine reg delete "HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32" /f &>/dev/null
cp "$1/TAVRIK9.exe" "$1/TAVRIKX.dll" "$work/"
cd "$work" || exit 1

# With the stand-in library beside it but no simulation asked for: no device, no main window.
TAVRIKX_SIM_MEMORY='' wine TAVRIK9.exe &>/dev/null &
program=$!
# Only the box that says no device was detected.
expect "$title" Return
ended

# On the simulated device, with the pointer resting in the window: Tab and Down pick 14400; Ctrl+N
# asks (Escape keeps it); Ctrl+S saves the offered Config.TVK; Alt+F, O opens the Open dialog
# (Escape); Enter on Save To (five Tabs from the window itself) writes the device; Alt+F, X ends.
# The simulated memory's Windows path: Wine's drive Z: is the root.
export TAVRIKX_SIM_MEMORY="Z:${work//\//\\}\\device.mem"
wine TAVRIK9.exe &>/dev/null &
program=$!
expect "$title"
# What the frame adds to the client area, 625 by 220 at start. The title bar moves the window to
# 100,100. Then each edge and corner in turn: the dragged edges follow the pointer to where the
# client area is 64 i + 85 wide and 48 i + 117 high for the nearest i, a width halfway between two
# the wider, a height the shorter (the top-left drag); the other edges stay.
geometry
frame_x=$((WIDTH - 625))
frame_y=$((HEIGHT - 220))
drag 300 10 $((100 - X)) $((100 - Y)) "100,100 625x220"
# left, top, right and bottom edges
drag 1 100 -40 0 "64,100 661x309"
drag 300 1 0 -40 "64,52 661x357"
drag -2 150 70 0 "64,52 725x357"
drag 300 -2 0 50 "64,52 725x405"
# top-left, top-right, bottom-left and bottom-right corners
drag 1 1 -32 -24 "0,52 789x405"
drag -2 1 60 -40 "0,4 853x453"
drag 1 -2 60 40 "64,4 789x501"
drag -2 -2 -60 -40 "64,4 725x453"
geometry
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1 key Tab Down ctrl+n
# The unsaved-changes question.
expect "$title|$title" Escape
expect "$title" ctrl+s
expect "Save File|$title" Return
# The file dialog's own code still runs after its window has gone, and keys that reach the main
# window meanwhile pass its shortcut keys by: the program is back once the file is there.
for _ in $(seq "$tries"); do
  [ -e Config.TVK ] && break
  sleep 0.1
done
expect "$title" alt+f o
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
ended
check "file size, codes" "$(stat -c %s Config.TVK) $(bytes Config.TVK 16 6)" "512 0 3 0 0 0 1"
check "device 16..21, 511" "$(bytes device.mem 16 6) $(bytes device.mem 511 1)" "1 3 0 0 0 1 72"

[ "$failed" = 0 ]
