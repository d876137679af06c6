#!/usr/bin/env bash
# The main window's drop-in and position, keys ignored while it drops,
# Start/Stop/key flags from the keyboard, and a clean exit on X.
# Usage: start_keys.sh <rozoru-testapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp}
e2e_require_binary "$APP"
e2e_start_xvfb
e2e_watch_structure

e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN

# Moves the window has made since it was mapped (the drop-in makes 28).
moves_after_map() { e2e_window_events "$main" | awk '$1 == "map" { on = 1; next } on && $1 == "configure"' | wc -l; }

# Keys pressed while the window still drops must be ignored. Whether the
# press really landed during the drop is known only afterwards: the
# window had not made all its moves when the key had been sent.
e2e_key "$main" s
early_moves=$(moves_after_map)
if ((early_moves < 28)); then
  early_s=1
  e2e_note "S pressed during the drop-in (after $early_moves moves)"
else
  early_s=0
  e2e_note "S could not be pressed during the drop-in (machine too slow); its effect is not checked"
fi

e2e_wait_line app init
moves_at_init=$(moves_after_map)
((moves_at_init == 28)) || e2e_fail "KAV_Init ran while the window was still dropping (after $moves_at_init of 28 moves)"

# --- position: created at the start point, at rest 55 pixels lower ---
events=$(e2e_window_events "$main")
# Where the window was when it became visible.
read -r x0 y0 w0 _ < <(awk '$1 == "map" { print x, y, w; exit } { x = $2; y = $3; w = $4 }' <<<"$events")
[[ -n $y0 ]] || e2e_fail "the window's creation and mapping were not recorded"
# Every position it took afterwards.
path=$(awk '$1 == "map" { on = 1; next } on && $1 == "configure" { print $2, $3 }' <<<"$events")
e2e_note "appeared at $x0,$y0 (${w0} wide); moves: $(cut -d' ' -f2 <<<"$path" | tr '\n' ' ')"
((x0 == 520 && w0 == 240)) || e2e_fail "window appeared at x=$x0, ${w0} wide; want x=520 (centred on 1280), 240 wide"
# The start is 113 above the bottom of the usable height, which leaves out
# a caption: so between 113 and 113 + a plausible caption above 1024.
((y0 <= 1024 - 113 && y0 >= 1024 - 113 - 64)) || e2e_fail "window appeared at y=$y0; want 1024-113-caption (caption <= 64)"
nmoves=$(wc -l <<<"$path")
((nmoves == 28)) || e2e_fail "the drop-in made $nmoves moves, want 28"
awk -v x0="$x0" -v y0="$y0" '$1 != x0 || $2 <= y0 || $2 > y0 + 55 { bad = 1 } END { exit bad }' <<<"$path" ||
  e2e_fail "the drop-in left the column x=$x0 or the band y=$((y0 + 1))..$((y0 + 55))"
e2e_geometry "$main"
e2e_note "at rest after init: $GEOM_X,$GEOM_Y ${GEOM_W}x$GEOM_H"
((GEOM_X == 520 && GEOM_Y == y0 + 55 && GEOM_W == 240)) ||
  e2e_fail "at rest at $GEOM_X,$GEOM_Y ${GEOM_W} wide; want 520,$((y0 + 55)) 240 wide (55 below where it appeared)"

e2e_check_main_window_drawn "$main" main

# --- keys ---
expected=(init)
count() { e2e_count "$E2E_TMP/app.log" "$1"; }
began() { (($(count "main begin") > ${1:-0})); }
# A taken S would start KAV_Main right after KAV_Init: give it half a second.
e2e_until 500 began
if (($(count "main begin") > 0)); then
  ((!early_s)) || e2e_fail "KAV_Main began without S: the S pressed during the drop-in was taken"
  # That S came after the drop-in after all; stop its run and go on.
  e2e_key "$main" c
  e2e_wait_line app "main end"
  expected+=("main begin" "main end")
fi
b0=$(count "main begin")
e0=$(count "main end")

# A Stop before any Start must not leave the next KAV_Main stopped at once.
e2e_key "$main" c
e2e_key "$main" s
e2e_wait_line app "main begin" $((b0 + 1))
expected+=("main begin")
# S while KAV_Main runs must neither restart it nor queue a restart.
e2e_key "$main" s
n=0
for k in space z Down; do
  e2e_key "$main" "$k"
  n=$((n + 1))
  e2e_wait_line app keyflag "$n"
  expected+=(keyflag)
done
(($(count "main end") == e0)) || e2e_fail "KAV_Main ended before C was pressed"
e2e_key "$main" c
e2e_wait_line app "main end" $((e0 + 1))
expected+=("main end")
# A queued restart would begin KAV_Main right after it ended.
! e2e_until 400 began $((b0 + 1)) ||
  e2e_fail "KAV_Main began again by itself after Stop: the S pressed while it ran was queued"
e2e_key "$main" s
e2e_wait_line app "main begin" $((b0 + 2))
expected+=("main begin")

moves_now=$(moves_after_map)
((moves_now == 28)) || e2e_fail "the window moved after it came to rest ($moves_now moves in all)"

e2e_key "$main" x
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after X, want 0"
expected+=("main end" "exit worker")
e2e_expect_log app "${expected[@]}"
e2e_note "passed"
