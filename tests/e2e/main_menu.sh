#!/usr/bin/env bash
# shellcheck disable=SC2016 # e2e_until evaluates its tests itself
# The main window's right-button menu with the real mouse and keyboard: it
# opens on the status line and on the menu bar; "Text Window" opens text
# window 0; Space there runs the console, where "HELP" is an invalid command
# and "help" prints the command list (seen in screenshots: the list is the
# widest line); E&xit from the menu ends the program.
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
e2e_wait_line app init # the main window takes commands once the worker runs

# Visible windows of the program. A popup menu is one that was not there
# before (SEEN): popup_opened sets POPUP to it.
windows() { xdotool search --all --onlyvisible --pid "$pid" --name '' 2>/dev/null | tr '\n' ' '; }
popup_opened() {
  local id
  for id in $(windows); do
    [[ " $SEEN " != *" $id "* ]] && POPUP=$id && return 0
  done
  return 1
}
popup_closed() { ! xdotool getwindowname "$POPUP" >/dev/null 2>&1 || [[ " $(windows) " != *" $POPUP "* ]]; }
# Right-clicks the main window at (X, Y) and waits for the menu.
menu_at() {
  SEEN=$(windows)
  timeout 10 xdotool mousemove --window "$main" "$1" "$2" click 3 || e2e_fail "right click at $1,$2 failed"
  e2e_until 10000 popup_opened || e2e_fail "no menu opened by a right click at $1,$2 of the main window"
}
e2e_geometry "$main"
menu_at 5 5 # on the menu bar, which stands for the frame
timeout 10 xdotool key Escape || e2e_fail "key Escape failed"
e2e_until 10000 popup_closed || e2e_fail "the menu did not close on Escape"
menu_at 120 $((GEOM_H - 15)) # on the status line

# All items are enabled while idle; Text Window is the sixth of them.
timeout 10 xdotool key Down Down Down Down Down Down Return || e2e_fail "keys failed"
e2e_wait_window "$pid" '^TextWindow 0$'
text=$WIN

# The bounding box of what the text window shows, "W H" in pixels.
shown() {
  import -window root "$E2E_TMP/t.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$text"
  convert "$E2E_TMP/t.png" -crop "${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}" +repage \
    -bordercolor black -border 1 -trim -format '%w %h' info: 2>/dev/null
}
wider_than() {
  read -r w h < <(shown)
  ((w > $1))
}
taller_than() {
  read -r w h < <(shown)
  ((h > $1))
}
console() {
  e2e_key "$text" space
  timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "$1" || e2e_fail "typing $1 failed"
  e2e_key "$text" Return
}

# "Cmd>" alone gives the height of one line.
e2e_key "$text" space
e2e_until 10000 taller_than 2 || e2e_fail "no Cmd> prompt in the text window"
read -r _ line_h < <(shown)
timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "HELP" || e2e_fail "typing failed"
e2e_key "$text" Return
# Two lines: "Cmd>HELP" and the answer, "Invalid command" (15 characters).
e2e_until 10000 taller_than $((line_h * 3 / 2)) || e2e_fail "no answer to HELP"
read -r invalid_w _ < <(shown)
e2e_note "line height $line_h, width of Cmd>HELP and its answer: $invalid_w"

# "Command list:exit help start ver color" is 38 characters: more than
# twice as wide as anything shown so far.
console help
e2e_until 10000 wider_than $((invalid_w * 2)) || e2e_fail "help did not print the command list (width $(shown))"

# E&xit from the menu ends the program normally.
e2e_geometry "$main"
menu_at 120 $((GEOM_H - 15))
timeout 10 xdotool key x || e2e_fail "key x failed"
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after E&xit, want 0"
e2e_note "passed"
