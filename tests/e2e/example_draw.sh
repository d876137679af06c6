#!/usr/bin/env bash
# The example application (examples/draw.cpp), built in this tree or against
# the installed framework: it starts through the framework's process entry,
# shows its image window and button box, and answers the buttons in its
# picture: "Shapes" and "Text" draw, "Clear" makes it black again.
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

# Colours in the image window's picture (its 320x240 client).
png=$E2E_TMP/shot.png
colours() {
  import -window root "$png" 2>"$E2E_TMP/import.err" || e2e_fail "screenshot failed: $(cat "$E2E_TMP/import.err")"
  e2e_geometry "$img"
  COLOURS=$(e2e_colours "$png" "320x240+${GEOM_X}+${GEOM_Y}")
  SIGNATURE=$(convert "$png" -crop "320x240+${GEOM_X}+${GEOM_Y}" +repage -format '%#' info:)
}
changed_from() { colours && [[ $SIGNATURE != "$1" ]]; }
colours_are() { colours && ((COLOURS $1)); }
press() {
  e2e_geometry "$bb"
  timeout 10 xdotool mousemove --window "$bb" $((GEOM_W * (2 * $1 + 1) / 6)) $((GEOM_H / 2)) click 1 ||
    e2e_fail "click on button $1 failed"
}

e2e_until 10000 colours_are '== 1' || e2e_fail "the new picture shows $COLOURS colours, want 1 (black)"
press 0
e2e_until 10000 colours_are '> 4' || e2e_fail "after Shapes the picture shows $COLOURS colours, want shapes drawn"
press 1
e2e_until 10000 changed_from "$SIGNATURE" || e2e_fail "Text changed nothing in the picture"
cp "$png" "$E2E_TMP/text.png"
press 2
e2e_until 10000 colours_are '== 1' || e2e_fail "after Clear the picture shows $COLOURS colours, want 1 (black)"

# Esc in the button box is Exit.
e2e_key "$bb" Escape
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after Esc, want 0"
e2e_note "passed"
