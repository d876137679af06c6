#!/usr/bin/env bash
# The stereo program (on synthetic cameras) comes up with its main window, drops it into place,
# opens its three image windows with a moving picture, and ends with 0 on X.
# Usage: stereo_start_exit.sh <rozoru-stereo-demo>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-stereo-demo}
e2e_require_binary "$APP"
e2e_start_xvfb
e2e_watch_structure

e2e_start stereo "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN

# Wait for the drop-in to end: 28 moves after the window was mapped.
deadline=$(($(e2e_now_us) + 15000000))
while :; do
  moves=$(e2e_window_events "$main" | awk '$1 == "map" { on = 1; next } on && $1 == "configure"' | wc -l)
  ((moves >= 28)) && break
  e2e_running "$pid" || e2e_fail "the program ended during the drop-in"
  (($(e2e_now_us) < deadline)) || e2e_fail "the drop-in did not end within 15 s ($moves moves)"
  e2e_tick 0.05
done
read -r x0 y0 < <(e2e_window_events "$main" | awk '$1 == "map" { print x, y; exit } { x = $2; y = $3 }')
e2e_geometry "$main"
e2e_note "appeared at $x0,$y0; at rest at $GEOM_X,$GEOM_Y ${GEOM_W}x$GEOM_H"
((GEOM_X == 520 && GEOM_W == 240 && GEOM_Y == y0 + 55)) ||
  e2e_fail "at rest at $GEOM_X,$GEOM_Y ${GEOM_W} wide; want 520,$((y0 + 55)) 240 wide"
e2e_check_main_window_drawn "$main" stereo

# The image windows: Right and Left at half size side by side, LR over Right.
declare -A want=([Right]="0 0 160 120" [Left]="320 0 160 120" [LR]="0 0 320 240")
declare -A zoom=([Right]=50 [Left]=50 [LR]=100)
for name in Right Left LR; do
  e2e_wait_window "$pid" "^${name}\\(${zoom[$name]}%\\)\$"
  e2e_geometry "$WIN"
  [[ "$GEOM_X $GEOM_Y $GEOM_W $GEOM_H" == "${want[$name]}" ]] ||
    e2e_fail "$name at $GEOM_X,$GEOM_Y ${GEOM_W}x$GEOM_H; want ${want[$name]}"
  [[ $name == LR ]] && lr=$WIN
done
# The picture moves: two screenshots of LR a moment apart differ, and each
# shows more than a flat colour.
# The cameras start a moment after the windows open.
deadline=$(($(e2e_now_us) + 15000000))
while :; do
  import -window root "$E2E_TMP/lr1.png"
  c1=$(e2e_colours "$E2E_TMP/lr1.png" "320x240+0+0")
  ((${c1:-0} > 10)) && break
  (($(e2e_now_us) < deadline)) || e2e_fail "LR shows $c1 colours; want a picture"
  e2e_tick 0.1
done
moved() {
  import -window root "$E2E_TMP/lr2.png"
  diff=$(compare -metric AE -crop 320x240+0+0 "$E2E_TMP/lr1.png" "$E2E_TMP/lr2.png" null: 2>&1 | cut -d' ' -f1)
  ((${diff%.*} > 100))
}
e2e_until 15000 moved || e2e_fail "LR did not change between two screenshots ($diff pixels differ)"

# The worker starts a moment after the drop-in; until then keys are
# ignored, so X is repeated until it is taken. S first: Start while the loop
# runs is ignored, and X must still end the program.
e2e_key "$main" s
presses=0
deadline=$(($(e2e_now_us) + 10000000))
while e2e_running "$pid"; do
  (($(e2e_now_us) < deadline)) || e2e_fail "still running 10 s after the drop-in with X pressed $presses times"
  # The window goes when X is taken: a failed press is only an error if
  # the program still runs.
  if ! timeout 10 xdotool windowfocus --sync "$main" key x 2>/dev/null; then
    e2e_running "$pid" || break
    e2e_fail "could not press X in the running program's window"
  fi
  presses=$((presses + 1))
  for _ in $(seq 25); do
    e2e_running "$pid" || break
    e2e_tick 0.04
  done
done
e2e_wait_exit "$pid"
e2e_note "X pressed $presses times; exit code $EXIT_CODE"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after X, want 0"
e2e_note "passed"
