#!/usr/bin/env bash
# shellcheck disable=SC2016,SC2034 # e2e_until evaluates its tests, and reads their variables, itself
# The main window's right-button menu with the real mouse and keyboard: it
# opens on the menu bar and on the status line; "Text Window" opens text
# window 0, where Space runs the console: "HELP" is an invalid command and
# "help" prints the list, the widest line (measured in screenshots); Start
# runs KAV_Main and E&xit, still enabled then, ends the program.
# Usage: main_menu.sh <rozoru-testapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp}
e2e_require_binary "$APP"
e2e_start_xvfb
e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_line app init # commands are taken once the worker runs

windows() { xdotool search --all --onlyvisible --pid "$pid" --name '' 2>/dev/null | sort; }
# Right-clicks the main window at (X, Y) and waits for a new window: the menu.
menu_at() {
  seen=$(windows)
  timeout 10 xdotool mousemove --window "$main" "$1" "$2" click 3 || e2e_fail "right click at $1,$2 failed"
  e2e_until 10000 eval '[[ -n $(comm -13 <(echo "$seen") <(windows)) ]]' || e2e_fail "no menu at $1,$2"
}
e2e_geometry "$main"
status_y=$((GEOM_H - 15))
menu_at 5 5 # the menu bar stands for the frame
timeout 10 xdotool key Escape || e2e_fail "key Escape failed"
e2e_until 10000 eval '[[ $(windows) == "$seen" ]]' || e2e_fail "the menu did not close on Escape"
menu_at 120 "$status_y"
timeout 10 xdotool key Down Down Down Down Down Down Return || e2e_fail "keys failed" # the 6th item, all enabled
e2e_wait_window "$pid" '^TextWindow 0$'
text=$WIN

# Sets W and H to the size of what the text window shows.
shown() {
  import -window root "$E2E_TMP/t.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$text"
  read -r W H < <(convert "$E2E_TMP/t.png" -crop "${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}" +repage \
    -bordercolor black -border 1 -trim -format '%w %h' info: 2>/dev/null)
}
e2e_key "$text" space
e2e_until 10000 eval 'shown; ((H > 2))' || e2e_fail "no Cmd> prompt"
line_h=$H
timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "HELP" || e2e_fail "typing failed"
e2e_key "$text" Return
e2e_until 10000 eval 'shown; ((H > line_h * 3 / 2))' || e2e_fail "no answer to HELP"
invalid_w=$W # "Invalid command": 15 characters; the list has 38
e2e_key "$text" space
timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "help" || e2e_fail "typing failed"
e2e_key "$text" Return
e2e_until 10000 eval 'shown; ((W > invalid_w * 2))' || e2e_fail "no command list (width $W, HELP's $invalid_w)"

menu_at 120 "$status_y"
timeout 10 xdotool key Down Down Return || e2e_fail "keys failed" # Start
e2e_wait_line app "main begin"
menu_at 120 "$status_y" # E&xit stays enabled while KAV_Main runs
timeout 10 xdotool key x || e2e_fail "key x failed"
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after E&xit, want 0"
e2e_expect_log app init "main begin" "main end" "exit worker"
e2e_note "passed"
