#!/usr/bin/env bash
# The product end to end under Wine: the release archive's contents, its program without a device,
# and the built program in two runs driven by real keys and clicks on the X display (xdotool), looked
# at from outside by the probe. Prints one line per failed check, then "N passed, M failed".
# usage: e2e_test.sh BUILD_DIR PROBE_EXE       (the win32 build; DISPLAY and the Wine server are up)
# Without a window manager, keys reach the Wine window under the pointer: it rests on the main window.
set -uo pipefail
build=$(realpath "$1") probe_exe=$(realpath "$2")
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"
work=$(mktemp -d) passed=0 failed=0 pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT

check() {  # WHAT GOT EXPECTED
  if [ "$2" == "$3" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1: got '$2', expected '$3'"; fi
}
probe() { wine "$probe_exe" "$@" >"$work/probe.out" 2>/dev/null; tr -d '\r' <"$work/probe.out"; }
# Waits up to 10 s for the program's visible windows to be exactly LINE; prints them.
windows_become() {
  local got
  for _ in $(seq 100); do got=$(probe windows | tr '\n' '|'); [ "$got" == "$1|" ] && break; sleep 0.1; done
  echo "${got%|}"
}
start() {  # FOLDER PROGRAM
  (cd "$1" && exec wine "$2" >/dev/null 2>&1) &
  pid=$!
}
finish() {  # WHAT: waits for the program to end and checks its exit code
  local status=timeout
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || { wait $pid; status=$?; break; }; sleep 0.1; done
  check "$1: exit code" "$status" 0
  pid=
}
start_main() {
  start "$work" "$build/dist/TAVRIK9.exe"
  check "run $1: window" "$(windows_become main)" main
  read -r x y <<<"$(probe origin)"
  xdotool mousemove $((x + 300)) $((y + 90))  # the background between the lists and the buttons
}
answer_box() {  # TEXT
  check "box" "$(windows_become "box $1|main")" "box $1|main"
  probe answer 1 >/dev/null
  windows_become main >/dev/null
}
cells() { od -An -tu1 -j"$2" -N"$3" "$1" | xargs; }

# The archive: the program, exactly as built, and its note; never the stand-in library.
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
zip=$(ls "$work"/package/TAVRIK9-*-win32.zip)
check "archive contents" "$(cmake -E tar tf "$zip" | sort | xargs)" "ReadMe.txt TAVRIK9.exe"
mkdir "$work/unpacked" && (cd "$work/unpacked" && cmake -E tar xf "$zip")
cmp -s "$work/unpacked/TAVRIK9.exe" "$build/dist/TAVRIK9.exe"
check "archived program same as built" $? 0

# Unpacked with the stand-in beside it but no simulation asked for: no device, never the window.
cp "$build/dist/TAVRIKX.dll" "$work/unpacked/"
unset TAVRIKX_SIM_MEMORY TAVRIKX_SIM_LOG TAVRIKX_SIM_ABSENT TAVRIKX_SIM_FAIL_AT TAVRIKX_SIM_RESULT
start "$work/unpacked" TAVRIK9.exe
no_device='box        No TAVRIK-9 device was detected !\n\nClick the OK button below, plug the TAVRIK-9\n into the USB Port, and restart the program.'
check "unpacked program" "$(windows_become "$no_device")" "$no_device"
probe answer 1 >/dev/null
finish "unpacked program"

# Run 1 on the simulated device: pick 14400 with the keys, Ctrl+S to a file, Enter on Save To, Alt+F X.
export TAVRIKX_SIM_MEMORY
TAVRIKX_SIM_MEMORY=$(winepath -w "$work/device.mem" 2>/dev/null)
start_main 1
xdotool key Tab Down
check "lists after Tab, Down" "$(probe lists)" "3 1 0 0 0 0"
xdotool key ctrl+s
check "Ctrl+S" "$(windows_become "dialog Save File|main")" "dialog Save File|main"
probe name "$(winepath -w "$work/config.tvk" 2>/dev/null)" >/dev/null
windows_become main >/dev/null
check "saved file: size, codes 16..21, marker, sum of all bytes" \
  "$(stat -c %s "$work/config.tvk") / $(cells "$work/config.tvk" 16 6) / $(cells "$work/config.tvk" 505 1) / $(od -An -tu1 -v "$work/config.tvk" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { print s }')" \
  "512 / 0 3 0 0 0 1 / 76 / 80"
xdotool click 1 key Tab Tab Tab Tab Tab Return  # from the window itself: four lists, then Save To
answer_box "The configuration was successfully saved to the TAVRIK-9"
check "device cells 16..21, 511" "$(cells "$work/device.mem" 16 6), $(cells "$work/device.mem" 511 1)" "0 3 0 0 0 1, 72"
xdotool key alt+f x
finish "run 1"

# Run 2: Read From by a click brings the saved configuration back; Ctrl+O, then Ctrl+N, Alt+F4.
start_main 2
xdotool mousemove $((x + 450)) $((y + 140)) click 1 mousemove $((x + 300)) $((y + 90))
answer_box "The configuration was successfully read from the TAVRIK-9"
check "lists after Read From" "$(probe lists)" "3 1 0 0 0 0"
xdotool key ctrl+o
check "Ctrl+O" "$(windows_become "dialog Open File|main")" "dialog Open File|main"
probe answer 2 >/dev/null
windows_become main >/dev/null
xdotool key ctrl+n
check "lists after Ctrl+N" "$(probe lists)" "2 1 0 0 0 0"
xdotool click 1 key alt+F4
finish "run 2"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
