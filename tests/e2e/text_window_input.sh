#!/usr/bin/env bash
# A text window opened in KAV_Init: typing a line with a correction, recalling
# it with Up, the text drawn on screen, keys ignored outside line input, and
# Exit from the main window ending a waiting line input.
# Usage: text_window_input.sh <rozoru-textapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-textapp}
e2e_require_binary "$APP"
e2e_start_xvfb

e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_line app init
e2e_wait_window "$pid" '^TextWindow 0$'
text=$WIN

e2e_geometry "$text"
((GEOM_W == 400 && GEOM_H == 300)) || e2e_fail "text window is ${GEOM_W}x$GEOM_H, want 400x300"

# A line with a correction: abc, Backspace, d.
timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "abc" || e2e_fail "typing failed"
e2e_key "$text" BackSpace
timeout 10 xdotool windowfocus --sync "$text" type --delay 30 "d e" || e2e_fail "typing failed"
e2e_key "$text" Return
e2e_wait_line app "line abd e"

# Up types the last line again.
e2e_key "$text" Up
e2e_key "$text" Return
e2e_wait_line app "line abd e" 2

# The text is on the screen (once repainted): the banner's yellow on blue,
# and white text.
png=$E2E_TMP/text.png
drawn() {
  import -window root "$png" 2>"$E2E_TMP/import.err" || e2e_fail "screenshot failed: $(cat "$E2E_TMP/import.err")"
  e2e_geometry "$text"
  colours=$(e2e_colours "$png" "${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}")
  ((${colours:-0} > 4))
}
e2e_until 5000 drawn || e2e_fail "the text window shows $colours colours: no text drawn"
e2e_note "text window colours: $colours"
banner=$(convert "$png" -crop "100x12+${GEOM_X}+${GEOM_Y}" +repage -format '%[fx:mean.b>0.2 && mean.r<0.4]' info:)
[[ $banner == 1 ]] || e2e_fail "the banner's blue background is not at the top left of the text window"
[[ ${E2E_KEEP_SHOT:-} ]] && cp "$png" "$E2E_KEEP_SHOT"

# Exit from the main window cancels the waiting input; the program ends.
e2e_key "$main" x
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after X, want 0"
e2e_expect_log app init "line abd e" "line abd e" cancelled exit
e2e_note "passed"
