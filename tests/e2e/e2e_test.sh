#!/usr/bin/env bash
# End-to-end checks of the built TAVRIK-9 program under Wine: real keys and clicks through the X server
# (xdotool, XTEST), the program looked at from outside by the probe, the simulated device's memory and
# log read back afterwards. One line per case, then "N passed, M failed"; exit status 1 on any failure.
#
# usage: e2e_test.sh PROBE_EXE PROGRAM_EXE OUTPUT_DIR
#   PROGRAM_EXE has the simulated TAVRIKX.dll beside it; OUTPUT_DIR keeps the screenshot.
#   E2E_WINEPREFIX, when set, is used instead of the build's shared prefix; E2E_CASES, when set, names
#   the cases to run (e.g. "tab_order screenshot").
#
# Without a window manager X keeps its focus on the pointer's window, and Wine hands a key that any of
# its windows receives to the window that has the focus in Windows' terms. So the pointer is kept over
# one of the program's windows while keys are typed, as a person's mouse rests on the window they type in.
# Every step waits for what it expects with a timeout. (In a prefix whose windows are managed, with no
# window manager running, Wine waits 2 s for each window it hides: every closed box costs that much.)
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 PROBE_EXE PROGRAM_EXE OUTPUT_DIR" >&2
  exit 2
fi
probe_exe=$(realpath "$1")
program_exe=$(realpath "$2")
output_dir=$(realpath -m "$3")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

source "$here/../../tools/wine-env.sh"
if [ -n "${E2E_WINEPREFIX:-}" ]; then export WINEPREFIX=$E2E_WINEPREFIX; fi
ensure_wine_prefix
if [ -z "${DISPLAY:-}" ]; then
  prepare_label_drives  # effective only when no server of this prefix is running yet
  start_display || exit 1
  trap stop_display EXIT
  wineserver -p
  wine wineboot >/dev/null 2>&1
fi
for tool in xdotool convert import; do
  command -v "$tool" >/dev/null || { echo "FAIL setup: $tool is not installed"; echo "0 passed, 1 failed"; exit 1; }
done

mkdir -p "$output_dir"
rm -rf "$output_dir"/failed-*
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrik9-e2e.XXXXXX")
# started_xvfb_pid comes from wine-env.sh: set when start_display started Xvfb above.
# shellcheck disable=SC2154
trap 'stop_program; rm -rf "$work"; [ -n "$started_xvfb_pid" ] && stop_display' EXIT

title="TAVRIK-9 Configuration Utility"
defaults="BaudRate=2 DataBits=1 StopBits=0 Mode=0 Parity=0 Handshake=0"
# Message boxes as the probe prints them: class, caption, owner, icon, buttons, text (\n for line breaks).
no_device_box="#32770 \"$title\" owner=MainWindow icon=yes buttons=OK text=\"       No TAVRIK-9 device was detected !\\n\\nClick the OK button below, plug the TAVRIK-9\\n into the USB Port, and restart the program.\""
saved_box="#32770 \"$title\" owner=MainWindow icon=no buttons=OK text=\"The configuration was successfully saved to the TAVRIK-9\""
read_box="#32770 \"$title\" owner=MainWindow icon=no buttons=OK text=\"The configuration was successfully read from the TAVRIK-9\""
question_box="#32770 \"$title\" owner=MainWindow icon=yes buttons=YES,NO,CANCEL text=\"The current configuration has changed.\\nDo you want to save the changes?\""
warning_box="#32770 \"$title\" owner=none icon=no buttons=OK text=\"Warning: The TAVRIK-9 programs must be copied to and run\\nfrom its own folder on the PC's harddrive. The CD itself\\nshould be reserved for backup purposes only.\""
main_line="TAVRIKXloadClass \"$title\" owner=none"

export TAVRIK9_E2E_EXE
TAVRIK9_E2E_EXE=$(winepath -w "$program_exe" 2>/dev/null)

# The probe's answer on stdout. Output goes through a file: a Wine helper process started meanwhile
# would inherit a pipe and keep the command substitution waiting.
probe() {
  local out="$work/probe.out" status
  wine "$probe_exe" "$@" >"$out" 2>/dev/null
  status=$?
  tr -d '\r' <"$out"
  return $status
}

failure=
# fail WHAT GOT EXPECTED: records the case's failure; always returns 1.
fail() {
  failure="$1: got '$2', expected '$3'"
  return 1
}
# expect WHAT GOT EXPECTED
expect() {
  [ "$2" == "$3" ] || fail "$1" "$2" "$3"
}

program_pid=
case_dir=
# start_program [DIRECTORY]: a fresh run of the program on this case's simulated device, started with
# DIRECTORY (default: the case folder) as its current directory.
start_program() {
  local directory=${1:-$case_dir}
  export TAVRIKX_SIM_MEMORY TAVRIKX_SIM_LOG TAVRIKX_SIM_ABSENT=${absent:-0}
  TAVRIKX_SIM_MEMORY=$(winepath -w "$case_dir/device.mem" 2>/dev/null)
  TAVRIKX_SIM_LOG=$(winepath -w "$case_dir/device.log" 2>/dev/null)
  (cd "$directory" && exec wine "$program_exe" >>"$case_dir/program.out" 2>&1) &
  program_pid=$!
}

# wait_exit MS: waits for the program to end and sets exit_code to its status ("running" after MS).
exit_code=
wait_exit() {
  local deadline=$(($(date +%s%3N) + $1))
  exit_code=running
  while kill -0 "$program_pid" 2>/dev/null; do
    [ "$(date +%s%3N)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
  wait "$program_pid"
  exit_code=$?
  program_pid=
}

# Ends a run that a failed case left behind.
stop_program() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=
  fi
}

# Client origin of the main window on screen; the client area is 625 by 220 from the start.
client_x=0 client_y=0
read_client_origin() {
  local rect width height
  rect=$(probe rect) || true
  read -r client_x client_y width height <<<"$rect"
  [[ "$client_x" =~ ^-?[0-9]+$ && "$client_y" =~ ^-?[0-9]+$ ]] || { fail "main window's client origin" "$rect" "x y w h"; return 1; }
  expect "main window's client size" "$width $height" "625 220"
}

# Rests the pointer on the main window's background, below the lists and above the buttons.
hover_background() {
  xdotool mousemove $((client_x + 300)) $((client_y + 90))
}

# click_client X Y: a left click at a point of the main window's client area.
click_client() {
  xdotool mousemove $((client_x + $1)) $((client_y + $2)) click 1
}

# click_list NAME X: a click on the list's field at client x X, which opens its drop-down and gives it
# the focus.
click_list() {
  click_client "$2" 36
  probe wait focus "$1" 3000 >/dev/null || { fail "focus after a click on $1" "$(probe focus)" "$1"; return 1; }
  last_focus=$1
}

# click_background: a click on the main window's background gives the window itself the focus.
click_background() {
  click_client 300 90
  probe wait focus MainWindow 3000 >/dev/null || { fail "focus after a click on the background" "$(probe focus)" MainWindow; return 1; }
  last_focus=MainWindow
}

# Rests the pointer on the program's dialog with this caption (the main window may be hidden).
hover_dialog() {
  local place x y w h
  place=$(probe rect "$1") || true
  read -r x y w h <<<"$place"
  [[ "$w" =~ ^[0-9]+$ ]] || { fail "place of dialog '$1'" "$place" "x y w h"; return 1; }
  xdotool mousemove $((x + w / 2)) $((y + h / 2))
}

# Starts the program, waits for its main window and makes sure that keys can reach it.
start_ready() {
  start_program "$@"
  local state
  if ! state=$(probe wait main-state visible 15000); then
    local windows
    windows=$(probe windows)
    fail "main window" "$state (visible windows: ${windows//$'\n'/ | })" "visible"
    return 1
  fi
  read_client_origin || return 1
  hover_background
  local foreground
  foreground=$(probe foreground)
  [ "$foreground" == MainWindow ] ||
    { fail "foreground window before typing (keys cannot reach the program)" "$foreground" MainWindow; return 1; }
  last_focus=$(probe focus)
}

# key KEYS...: real key presses through XTEST, sent to whatever has the focus.
key() {
  xdotool key --clearmodifiers "$@"
}

# focus_after KEY EXPECTED: presses KEY and waits for the focus to reach EXPECTED.
last_focus=
focus_after() {
  local got
  key "$1"
  if got=$(probe wait focus "$2" 3000); then
    last_focus=$got
    return 0
  fi
  [ "$got" == "$last_focus" ] && got="$got (unchanged: did the key reach the program?)"
  fail "focus after $1" "$got" "$2"
}

# box_answer EXPECTED_LINE KEY: waits for the box, compares it, answers it with KEY, waits for it to go.
box_answer() {
  local got gone
  got=$(probe wait dialog "$title" 10000)
  expect "message box" "$got" "$1" || return 1
  key "$2"
  gone=$(probe wait dialog "$title" none 5000) || fail "box after $2" "$gone" none
}

# dialog_escape CAPTION: waits for the file dialog, checks its owner, closes it with Escape.
dialog_escape() {
  local got gone
  got=$(probe wait dialog "$1" 10000)
  expect "dialog" "${got%% icon=*}" "#32770 \"$1\" owner=MainWindow" || return 1
  key Escape
  gone=$(probe wait dialog "$1" none 5000) || fail "$1 after Escape" "$gone" none
}

# windows_are EXPECTED...: the program's visible top-level windows, one line each, in Z order.
windows_are() {
  local got expected
  got=$(probe windows)
  expected=$(printf '%s\n' "$@")
  expect "visible windows" "${got//$'\n'/ | }" "${expected//$'\n'/ | }"
}

# wait_windows_are MS EXPECTED...: as windows_are, allowing MS for windows on their way out.
wait_windows_are() {
  local deadline=$(($(date +%s%3N) + $1))
  shift
  until windows_are "$@"; do
    [ "$(date +%s%3N)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
  failure=
}

# close_and_expect_exit: Alt+F4 closes the window; the program must end with 0. The click first gives
# the window itself the focus: Wine's drop-down list swallows the Alt+F4 key-down when it has the focus.
close_and_expect_exit() {
  click_background || return 1
  key alt+F4
  wait_exit 10000
  expect "exit code after Alt+F4" "$exit_code" 0
}

exchanges() {
  grep -c '^xchg' "$case_dir/device.log" 2>/dev/null || true
}

# Device memory cells 16..21 (mode, baud rate, parity, stop bits, handshaking, data bits) and 511.
device_cells() {
  od -An -tu1 -j16 -N6 "$case_dir/device.mem" | xargs echo -n
  echo -n " / "
  od -An -tu1 -j511 -N1 "$case_dir/device.mem" | xargs echo -n
}

# --- Cases

# Runs the program without a device from folder $2 (or the default), takes the steps $1 and checks
# that the main window never became visible meanwhile.
run_without_device_never_showing_main() {
  absent=1
  wine "$probe_exe" watch-main 20000 >"$case_dir/watch.out" 2>/dev/null &
  local watcher=$!
  start_program ${2:+"$2"}
  "$1"
  local status=$?
  [ $status -eq 0 ] || kill "$watcher" 2>/dev/null
  wait "$watcher"
  [ $status -eq 0 ] || return 1
  expect "main window during the run" "$(tr -d '\r' <"$case_dir/watch.out")" "main-visible=never"
}

case_start_without_device() {
  run_without_device_never_showing_main without_device_steps
}

without_device_steps() {
  local got
  got=$(probe wait dialog "$title" 15000)
  expect "box without a device" "$got" "$no_device_box" || return 1
  windows_are "$no_device_box" || return 1
  expect "main window while the box is up" "$(probe main-state)" hidden || return 1
  hover_dialog "$title" || return 1
  key Return
  wait_exit 10000
  expect "exit code after OK" "$exit_code" 0
}

case_tab_order() {
  start_ready || return 1
  expect "focus at start" "$(probe focus)" MainWindow || return 1
  focus_after Tab BaudRateList || return 1
  focus_after Tab DataBitsList || return 1
  focus_after Tab StopBitsList || return 1
  focus_after Tab ModeList || return 1
  focus_after shift+Tab StopBitsList || return 1
  focus_after shift+Tab DataBitsList || return 1
  focus_after shift+Tab BaudRateList || return 1
  focus_after shift+Tab none || return 1
  # Tab alone now reaches nothing; the Shift+Tab after it is the marker that both keys were handled.
  key Tab
  focus_after shift+Tab none || return 1
  click_background || return 1
  focus_after Tab BaudRateList || return 1
  focus_after Tab DataBitsList || return 1
  focus_after Tab StopBitsList || return 1
  focus_after Tab ModeList || return 1
  focus_after Tab SaveToButton || return 1
  click_background || return 1
  focus_after shift+Tab BaudRateList || return 1
  # Parity and handshaking take the focus only by the mouse; Escape closes the drop-down it opens. The
  # two clicks on one list are 20 pixels apart, or the second would count as a double click.
  click_list ParityList 345 || return 1
  key Escape
  focus_after Tab SaveToButton || return 1
  click_list ParityList 365 || return 1
  key Escape
  focus_after shift+Tab none || return 1
  click_list HandshakeList 545 || return 1
  key Escape
  focus_after Tab SaveToButton || return 1
  click_list HandshakeList 565 || return 1
  key Escape
  focus_after shift+Tab none || return 1
  expect "lists after the walk" "$(probe lists)" "$defaults" || return 1
  close_and_expect_exit
}

case_enter_on_save_to() {
  start_ready || return 1
  focus_after Tab BaudRateList || return 1
  key Tab Tab Tab
  focus_after Tab SaveToButton || return 1
  expect "exchanges before Save To" "$(exchanges)" 0 || return 1
  key Return
  box_answer "$saved_box" Return || return 1
  expect "exchanges of one Save To" "$(exchanges)" 34 || return 1
  expect "device cells 16..21 / 511" "$(device_cells)" "0 2 0 0 0 1 / 72" || return 1
  close_and_expect_exit
}

case_shortcut_keys() {
  start_ready || return 1
  focus_after Tab BaudRateList || return 1
  key ctrl+o
  dialog_escape "Open File" || return 1
  click_background || return 1
  key ctrl+o
  dialog_escape "Open File" || return 1
  # Ctrl+N without changes shows nothing: the Save dialog of the Ctrl+S typed after it must be the only
  # window that comes up (a question would have taken the Ctrl+S into its own loop). Ctrl+S itself
  # saves to a file and does not touch the device.
  local before got
  before=$(grep -c . "$case_dir/device.log")
  key ctrl+n ctrl+s
  got=$(probe wait dialog "Save File" 10000) || { fail "window after Ctrl+N, Ctrl+S" "$(probe windows)" "the Save File dialog"; return 1; }
  windows_are "$got" "$main_line" || return 1
  key Escape
  probe wait dialog "Save File" none 5000 >/dev/null || { fail "Save File after Escape" "open" gone; return 1; }
  expect "device log lines after Ctrl+S" "$(grep -c . "$case_dir/device.log")" "$before" || return 1
  click_background || return 1
  focus_after Tab BaudRateList || return 1
  key Down
  local next_baud_rate="BaudRate=3 DataBits=1 StopBits=0 Mode=0 Parity=0 Handshake=0"
  got=$(probe wait lists "$next_baud_rate" 3000) || { fail "lists after Down" "$got" "$next_baud_rate"; return 1; }
  # Ctrl+Shift+N and Ctrl+Alt+O are no commands: the Save dialog of the Ctrl+S after them comes up,
  # and neither a question nor the Open dialog before it.
  key ctrl+shift+n ctrl+alt+o ctrl+s
  got=$(probe wait dialog "Save File" 10000) ||
    { fail "window after Ctrl+Shift+N, Ctrl+Alt+O, Ctrl+S" "$(probe windows)" "the Save File dialog"; return 1; }
  windows_are "$got" "$main_line" || return 1
  key Escape
  probe wait dialog "Save File" none 5000 >/dev/null || { fail "Save File after Escape" "open" gone; return 1; }
  expect "lists after Ctrl+Shift+N" "$(probe lists)" "$next_baud_rate" || return 1
  # The letters are matched as keys: Ctrl+N asks with Caps Lock on as well. (Without --clearmodifiers,
  # which would turn Caps Lock off for the keystroke.)
  xdotool key Caps_Lock ctrl+n
  got=$(probe wait dialog "$title" 10000)
  xdotool key Caps_Lock
  expect "message box after Ctrl+N with Caps Lock on" "$got" "$question_box" || return 1
  key n
  probe wait dialog "$title" none 5000 >/dev/null || { fail "question after n" "open" gone; return 1; }
  got=$(probe wait lists "$defaults" 3000) || { fail "lists after Ctrl+N, No" "$got" "$defaults"; return 1; }
  close_and_expect_exit
}

case_alt_f_x_exits() {
  start_ready || return 1
  key alt+f
  local got
  got=$(probe wait menu 3000) || { fail "after Alt+F" "$got" "the File menu open"; return 1; }
  key x
  wait_exit 10000
  expect "exit code after Alt+F, X" "$exit_code" 0
}

changed="BaudRate=3 DataBits=0 StopBits=1 Mode=1 Parity=1 Handshake=1"

case_save_to_read_from_round_trip() {
  # First run: change every list, write the device, leave without saving to a file.
  start_ready || return 1
  focus_after Tab BaudRateList || return 1
  key Down
  focus_after Tab DataBitsList || return 1
  key Up
  focus_after Tab StopBitsList || return 1
  key Down
  focus_after Tab ModeList || return 1
  key Down
  # Parity and handshaking by the mouse: open the drop-down, the next item, Enter.
  click_list ParityList 365 || return 1
  key Down Return
  click_list HandshakeList 565 || return 1
  key Down Return
  local got
  got=$(probe wait lists "$changed" 3000) || { fail "lists after the changes" "$got" "$changed"; return 1; }
  hover_background
  focus_after Tab SaveToButton || return 1
  key Return
  box_answer "$saved_box" Return || return 1
  expect "device cells 16..21 / 511" "$(device_cells)" "1 3 1 1 1 0 / 72" || return 1
  key alt+f
  got=$(probe wait menu 3000) || { fail "after Alt+F" "$got" "the File menu open"; return 1; }
  key x
  box_answer "$question_box" n || return 1
  wait_exit 10000
  expect "exit code of the first run" "$exit_code" 0 || return 1
  # Second run on the same device memory: defaults first, then Read From brings the changes back.
  start_ready || return 1
  expect "lists at start of the second run" "$(probe lists)" "$defaults" || return 1
  click_client $((387 + 67)) $((120 + 24))
  box_answer "$read_box" Return || return 1
  got=$(probe wait lists "$changed" 3000) || { fail "lists after Read From" "$got" "$changed"; return 1; }
  close_and_expect_exit
}

# region_colours X Y W H: how many colours the screenshot has in that part of the client area.
region_colours() {
  convert "$screenshot" -crop "$3x$4+$((client_x + $1))+$((client_y + $2))" +repage -format %k info: 2>/dev/null
}

screenshot="$output_dir/e2e-screenshot.png"

# pixels_at X Y [X Y]...: the screenshot's colours at those points of the client area, one a line.
pixels_at() {
  local format=
  while [ $# -ge 2 ]; do
    format+="%[pixel:p{$((client_x + $1)),$((client_y + $2))}]\n"
    shift 2
  done
  convert "$screenshot" -format "$format" info: 2>/dev/null
}

# check_edges: empty output when each list and button has its left, right and top edge exactly where
# the layout puts it: the pixel on the edge is drawn, the one just outside is background.
check_edges() {
  local name x y w h mid_x mid_y background pixels
  background=$(pixels_at 300 90)
  # A closed list is as tall as its font makes it: its middle row is taken 10 pixels below its top.
  while read -r name x y w h; do
    mid_x=$((x + w / 2)) mid_y=$((y + h / 2))
    mapfile -t pixels < <(pixels_at $((x - 1)) $mid_y "$x" $mid_y $((x + w - 1)) $mid_y $((x + w)) $mid_y \
      $mid_x $((y - 1)) $mid_x "$y")
    [ "${pixels[0]}" == "$background" ] && [ "${pixels[3]}" == "$background" ] && [ "${pixels[4]}" == "$background" ] &&
      [ "${pixels[1]}" != "$background" ] && [ "${pixels[2]}" != "$background" ] && [ "${pixels[5]}" != "$background" ] ||
      echo "$name edges at x $x..$((x + w - 1)), top $y: outside ${pixels[0]} ${pixels[3]} ${pixels[4]}, on the edge ${pixels[1]} ${pixels[2]} ${pixels[5]}, background $background"
  done <<'EOF'
ModeList 10 26 84 20
BaudRateList 126 26 64 20
DataBitsList 235 26 64 20
ParityList 335 26 64 20
StopBitsList 435 26 64 20
HandshakeList 530 26 74 20
SaveToButton 128 120 134 48
ReadFromButton 387 120 134 48
EOF
}

# check_screenshot: empty output when every control is drawn at its place and the gaps are plain.
check_screenshot() {
  check_edges
  local name x y w h colours
  # Labels, lists (their closed field) and buttons at their places: more than one colour each.
  while read -r name x y w h; do
    colours=$(region_colours "$x" "$y" "$w" "$h")
    [ "${colours:-0}" -ge 2 ] || echo "$name at $x,$y ${w}x$h: $colours colour(s), expected a drawn control"
  done <<'EOF'
ModeLabel 5 8 96 16
BaudRateLabel 111 8 96 16
DataBitsLabel 218 8 96 16
ParityLabel 318 8 96 16
StopBitsLabel 418 8 96 16
HandshakeLabel 518 8 96 16
ModeList 10 26 84 18
BaudRateList 126 26 64 18
DataBitsList 235 26 64 18
ParityList 335 26 64 18
StopBitsList 435 26 64 18
HandshakeList 530 26 74 18
SaveToButton 128 120 134 48
ReadFromButton 387 120 134 48
EOF
  # Background between and below the controls: one plain colour each.
  while read -r name x y w h; do
    colours=$(region_colours "$x" "$y" "$w" "$h")
    [ "${colours:-0}" == 1 ] || echo "$name at $x,$y ${w}x$h: $colours colour(s), expected plain background"
  done <<'EOF'
gap-mode-baud 96 28 28 16
gap-lists-buttons 4 56 617 58
gap-between-buttons 266 120 117 48
gap-below-buttons 4 174 617 42
EOF
}

case_screenshot() {
  note="screenshot: $screenshot"
  start_ready || return 1
  # Out of the picture, and off every control.
  xdotool mousemove 1000 740
  local problems deadline=$(($(date +%s) + 5))
  # Painting may still be on its way: retry for a few seconds before giving up.
  while :; do
    import -window root "$screenshot" 2>/dev/null || { fail "screenshot" "import failed" "$screenshot"; return 1; }
    problems=$(check_screenshot)
    [ -z "$problems" ] && break
    [ "$(date +%s)" -ge "$deadline" ] && { fail "screenshot $screenshot" "${problems//$'\n'/; }" "controls drawn, gaps plain"; return 1; }
    sleep 0.2
  done
  close_and_expect_exit
}

# The volume-label advisory needs the drives T: ("TAVRIK9") and U: ("tavrik9") of prepare_label_drives.
# label_drive LETTER EXPECTED_VOLUME_LINE: sets drive_dir to the folder behind the drive, after checking
# what Wine reports for its root.
drive_dir=
label_drive() {
  local link="$WINEPREFIX/dosdevices/$1:" got
  drive_dir=$(readlink -f "$link" 2>/dev/null)
  if [ -z "$drive_dir" ] || [ ! -d "$drive_dir" ]; then
    fail "drive $1: (tools/wine-env.sh prepare_label_drives must run before the wineserver starts)" "no $link" "a folder"
    return 1
  fi
  got=$(cd "$drive_dir" && probe volume)
  [ "$got" == "$2" ] ||
    fail "root of $1: as Wine sees it (Wine reads labels when the prefix's wineserver starts: prepare_label_drives must run before it)" "$got" "$2"
}

case_cd_advisory_labelled_root() {
  label_drive t 'cwd="T:\\" label="TAVRIK9"' || return 1
  start_program "$drive_dir"
  local got
  got=$(probe wait dialog "$title" 15000)
  expect "first window from T:\\" "$got" "$warning_box" || return 1
  expect "main window while the warning is up" "$(probe main-state)" none || return 1
  hover_dialog "$title" || return 1
  key Return
  got=$(probe wait main-state visible 15000) || { fail "main window after the warning" "$got" visible; return 1; }
  read_client_origin || return 1
  windows_are "$main_line" || return 1
  close_and_expect_exit
}

# From T:\ without a device: the warning, then the error, and never the main window.
case_cd_advisory_without_device() {
  label_drive t 'cwd="T:\\" label="TAVRIK9"' || return 1
  run_without_device_never_showing_main advisory_without_device_steps "$drive_dir"
}

advisory_without_device_steps() {
  local got
  got=$(probe wait dialog "$title" 15000)
  expect "first box" "$got" "$warning_box" || return 1
  hover_dialog "$title" || return 1
  key Return
  got=$(probe wait windows "$no_device_box" 15000) || { fail "second box" "$got" "$no_device_box"; return 1; }
  wait_windows_are 5000 "$no_device_box" || return 1
  hover_dialog "$title" || return 1
  key Return
  wait_exit 10000
  expect "exit code after OK" "$exit_code" 0
}

case_cd_advisory_subfolder() {
  label_drive t 'cwd="T:\\" label="TAVRIK9"' || return 1
  mkdir -p "$drive_dir/sub"
  expect "volume from T:\\sub" "$(cd "$drive_dir/sub" && probe volume)" 'cwd="T:\\sub" label=none' || return 1
  start_ready "$drive_dir/sub" || return 1
  windows_are "$main_line" || return 1
  close_and_expect_exit
}

case_cd_advisory_lower_case_label() {
  label_drive u 'cwd="U:\\" label="tavrik9"' || return 1
  start_ready "$drive_dir" || return 1
  windows_are "$main_line" || return 1
  close_and_expect_exit
}

# --- Runner

passed=0 failed=0
run_case() {
  local name=$1
  case_dir="$work/$name"
  mkdir -p "$case_dir"
  failure='' absent=0 note=''
  local started leftover
  started=$(date +%s%3N)
  leftover=$(probe main-state)
  if ! declare -F "$name" >/dev/null; then
    fail "case" "$name" "one of the case_ routines of $0"
  elif [ "$leftover" != none ]; then
    fail "another run of $program_exe before the case" "$leftover main window" "none"
  else
    "$name"
  fi
  [ -z "$failure" ] && [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null &&
    failure="the program was still running at the end of the case"
  stop_program
  local took
  took=$(($(date +%s%3N) - started))
  took="($((took / 1000)).$((took % 1000 / 100)) s)"
  if [ -z "$failure" ]; then
    echo "ok   ${name#case_} $took"
    passed=$((passed + 1))
  else
    echo "FAIL ${name#case_} $took: $failure"
    # The simulated device's memory and log, and what Wine printed, for a look afterwards.
    rm -rf "$output_dir/failed-${name#case_}"
    cp -r "$case_dir" "$output_dir/failed-${name#case_}" && note="${note:+$note; }kept: $output_dir/failed-${name#case_}"
    failed=$((failed + 1))
  fi
  [ -n "$note" ] && echo "     $note"
  return 0
}

# E2E_CASES, when set, names the cases to run (without the case_ prefix).
for name in ${E2E_CASES:-start_without_device tab_order enter_on_save_to shortcut_keys alt_f_x_exits
  save_to_read_from_round_trip screenshot cd_advisory_labelled_root cd_advisory_without_device
  cd_advisory_subfolder cd_advisory_lower_case_label}; do
  run_case "case_$name"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
