#!/usr/bin/env bash
# The product end to end under Wine: the release archive's contents, its program without a device,
# and the built program in two runs driven by real keys and clicks on the X display (xdotool), looked
# at from outside by the probe. Prints one line per failed check, then "N passed, M failed".
# usage: e2e_test.sh BUILD_DIR PROBE_EXE       (the win32 build; DISPLAY and the Wine server are up)
# Without a window manager, keys reach the Wine window under the pointer: it rests on the program's.
set -uo pipefail
build=$(realpath "$1") probe_exe=$(realpath "$2")
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"  # the build's own Wine prefix
work=$(mktemp -d) passed=0 failed=0 pid= X=0 Y=0 WIDTH=0 HEIGHT=0
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
check() {  # WHAT GOT EXPECTED
  if [ "$2" == "$3" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: got '$2', expected '$3'"; fi
}
expect() {  # WINDOWS [KEY...]: waits up to 10 s for the program's visible windows ('|' between them), then types
  for _ in $(seq 100); do got=$(wine "$probe_exe" 2>/dev/null | tr -d '\r' | paste -sd'|'); [ "$got" == "$1" ] && break; sleep 0.1; done
  check "windows" "$got" "$1"
  [ $# -lt 2 ] || xdotool key "${@:2}"
}
run() {  # FOLDER PROGRAM WINDOWS: starts the program and rests the pointer in the middle of its window
  (cd "$1" && exec wine "$2" >/dev/null 2>&1) & pid=$!
  expect "$3"
  eval "$(xdotool search --onlyvisible --name '^TAVRIK-9 Configuration Utility$' getwindowgeometry --shell)"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}
finish() {  # waits for the program to end and checks its exit code
  local status=timeout
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || { wait $pid; status=$?; break; }; sleep 0.1; done
  check "exit code" "$status" 0
}
saved_codes() { od -An -tu1 -j16 -N6 "$work/Config.TVK" | xargs; }

# The file dialogs start in the program's own folder, not in one a run before this left behind.
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f >/dev/null 2>&1

# The archive holds the program, exactly as built, and its note; never the stand-in library.
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
zip=$(ls "$work"/package/TAVRIK9-*-win32.zip)
check "archive" "$(cmake -E tar tf "$zip" | sort | xargs)" "ReadMe.txt TAVRIK9.exe"
mkdir "$work/unpacked" && (cd "$work/unpacked" && cmake -E tar xf "$zip")
check "archived program" "$(cmp "$work/unpacked/TAVRIK9.exe" "$build/dist/TAVRIK9.exe" && echo same)" same

# Unpacked with the stand-in beside it but no simulation asked for: no device, and the window never shows.
cp "$build/dist/TAVRIKX.dll" "$work/unpacked/"
unset TAVRIKX_SIM_MEMORY TAVRIKX_SIM_LOG TAVRIKX_SIM_ABSENT TAVRIKX_SIM_FAIL_AT TAVRIKX_SIM_RESULT
run "$work/unpacked" TAVRIK9.exe 'box        No TAVRIK-9 device was detected !\n\nClick the OK button below, plug the TAVRIK-9\n into the USB Port, and restart the program.'
xdotool key Return
finish

# Run 1 on the simulated device: Tab and Down pick 14400; Ctrl+N asks (Escape keeps it); Ctrl+S saves
# the offered Config.TVK; Enter on Save To (five Tabs from the window) writes the device; Alt+F, X ends.
export TAVRIKX_SIM_MEMORY
TAVRIKX_SIM_MEMORY=$(winepath -w "$work/device.mem" 2>/dev/null)
run "$work" "$build/dist/TAVRIK9.exe" main
xdotool key Tab Down ctrl+n
expect 'box The current configuration has changed.\nDo you want to save the changes?|main' Escape ctrl+s
expect 'dialog Save File|main' Return
expect main
check "saved file: size, codes, marker, sum of all bytes" "$(stat -c %s "$work/Config.TVK") $(saved_codes) $(od -An -tu1 -j505 -N1 "$work/Config.TVK" | xargs) \
$(od -An -tu1 -v "$work/Config.TVK" | xargs -n1 | awk '{ s += $1 } END { print s }')" "512 0 3 0 0 0 1 76 80"
xdotool click 1 key Tab Tab Tab Tab Tab Return
expect 'box The configuration was successfully saved to the TAVRIK-9|main' Return
check "device cells 16..21, 511" "$(od -An -tu1 -j16 -N6 "$work/device.mem" | xargs) $(od -An -tu1 -j511 -N1 "$work/device.mem" | xargs)" "0 3 0 0 0 1 72"
xdotool key alt+f x
finish

# Run 2: a click on Read From brings 14400 back, which Ctrl+S shows; Ctrl+O opens its dialog; Alt+F4 ends.
run "$work" "$build/dist/TAVRIK9.exe" main
rm "$work/Config.TVK"
xdotool mousemove $((X + 450)) $((Y + 185)) click 1 mousemove $((X + 300)) $((Y + 130))
expect 'box The configuration was successfully read from the TAVRIK-9|main' Return ctrl+s
expect 'dialog Save File|main' Return
expect main
check "saved after Read From" "$(saved_codes)" "0 3 0 0 0 1"
xdotool click 1 key ctrl+o
expect 'dialog Open File|main' Escape
xdotool click 1 key alt+F4
finish

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
