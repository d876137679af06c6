#!/usr/bin/env bash
# The example application (examples/draw.cpp), built in this tree or against
# the installed framework: it starts through the framework's process entry and
# answers its buttons in its picture ("Shapes", "Text" draw, "Clear" blacks).
# Usage: example_draw.sh <rozoru-example-draw>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-example-draw}
e2e_require_binary "$APP"
e2e_start_xvfb
e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^Drawing\(100%\)$'
img=$WIN
e2e_wait_window "$pid" '^ButtonBox$'
bb=$WIN

# COLOURS and SIGNATURE of the 320x240 picture on screen, then the test $1.
looks() {
  import -window root "$E2E_TMP/s.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$img"
  read -r COLOURS SIGNATURE < <(convert "$E2E_TMP/s.png" -crop "320x240+${GEOM_X}+${GEOM_Y}" +repage -format '%k %#' info:)
  eval "$1"
}
press() {
  e2e_geometry "$bb"
  timeout 10 xdotool mousemove --window "$bb" $((GEOM_W * (2 * $1 + 1) / 6)) $((GEOM_H / 2)) click 1 || e2e_fail "click failed"
}
e2e_until 10000 looks '((COLOURS == 1))' || e2e_fail "the new picture has $COLOURS colours, want black"
press 0
e2e_until 10000 looks '((COLOURS > 4))' || e2e_fail "after Shapes the picture has $COLOURS colours: no shapes"
shapes=$SIGNATURE
press 1
e2e_until 10000 looks '[[ $SIGNATURE != "$shapes" ]]' || e2e_fail "Text changed nothing in the picture"
press 2
e2e_until 10000 looks '((COLOURS == 1))' || e2e_fail "after Clear the picture has $COLOURS colours, want black"
e2e_key "$bb" Escape # Exit
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after Esc, want 0"
e2e_note "passed"
