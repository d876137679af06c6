#!/usr/bin/env bash
# The button box and the input box opened in KAV_Init: a click and keys
# counted by the application's polling, a value typed and stored on Tab,
# the boxes drawn, their frame menus, and Esc in the button box ending the
# program.
# Usage: boxes_click_type.sh <rozoru-boxapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-boxapp}
e2e_require_binary "$APP"
e2e_start_xvfb

e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
e2e_wait_line app init
e2e_wait_window "$pid" '^ButtonBox$'
bb=$WIN
e2e_wait_window "$pid" '^InputBox$'
ib=$WIN

e2e_geometry "$bb"
((GEOM_W == 412 && GEOM_H == 64)) || e2e_fail "button box is ${GEOM_W}x$GEOM_H, want 412x64"
e2e_geometry "$ib"
((GEOM_W == 162 && GEOM_H == 86)) || e2e_fail "input box is ${GEOM_W}x$GEOM_H, want 162x86"

# Button 5: second row, second column.
timeout 10 xdotool mousemove --window "$bb" 155 47 click 1 || e2e_fail "click failed"
e2e_wait_line app "button 5 1"

# Key 3 stands for button 2; the character 3 that comes with it adds to button 3.
e2e_key "$bb" 3
e2e_wait_line app "button 2 1"
e2e_wait_line app "button 3 1"

# Item 1's field: click into it, replace the text, Tab stores it.
timeout 10 xdotool mousemove --window "$ib" 120 44 click 1 || e2e_fail "click failed"
e2e_key "$ib" ctrl+a
timeout 10 xdotool windowfocus --sync "$ib" type --delay 30 "42" || e2e_fail "typing failed"
e2e_key "$ib" Tab
e2e_wait_line app "value 1 42"

# Both boxes show their controls (once their repaints have run).
png=$E2E_TMP/boxes.png
drawn() {
  import -window root "$png" 2>"$E2E_TMP/import.err" || e2e_fail "screenshot failed: $(cat "$E2E_TMP/import.err")"
  local w
  for w in "$bb" "$ib"; do
    e2e_geometry "$w"
    colours=$(e2e_colours "$png" "${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}")
    ((${colours:-0} > 4)) || return 1
  done
}
e2e_until 5000 drawn || e2e_fail "window $w shows $colours colours: no controls drawn"
[[ ${E2E_KEEP_SHOT:-} ]] && cp "$png" "$E2E_KEEP_SHOT"

# The window manager keeps the caption's right clicks: the menu key opens
# a box's frame menu instead.
shown() { xdotool search --all --onlyvisible --pid "$pid" '' 2>/dev/null | wc -l; }
shown_is() { (($(shown) == $1)); }
wait_shown() { e2e_until 10000 shown_is "$1" || e2e_fail "$2: $(shown) windows shown, want $1"; }
n=$(shown)
e2e_key "$ib" Menu
wait_shown $((n + 1)) "no menu after the menu key in the input box"
xdotool key Down Return # its one item: Destroy
wait_shown $((n - 1)) "the input box was not destroyed"

# Esc in the button box is Exit.
e2e_key "$bb" Escape
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after Esc, want 0"
e2e_expect_log app init "button 5 1" "button 2 1" "button 3 1" "value 1 42" exit
e2e_note "passed"
