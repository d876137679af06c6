#!/usr/bin/env bash
# Ends from outside are bounded: SIGTERM runs the exit sequence; a lost X
# server stops the worker, runs KAV_Exit once and ends the process with a
# non-zero status and one line on stderr, its instance number freed.
# Usage: outside_end.sh <rozoru-testapp> <rozoru-stereo-demo>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp rozoru-stereo-demo}
DEMO=${2:?usage: $0 rozoru-testapp rozoru-stereo-demo}
e2e_require_binary "$APP"
e2e_require_binary "$DEMO"
LOCK=rozoru_mw0.lock

# The lines a program wrote on stderr so far (its start-up lines), then the
# one line its end must add to them. A camera's state lines may come at any
# time on a loaded machine and are not counted.
declare -A said_before
mark_lines() { said_before[$1]=$(wc -l <"$E2E_TMP/$1.out"); }
expect_one_line() {
  local lines
  lines=$(tail -n +$((said_before[$1] + 1)) "$E2E_TMP/$1.out" | grep -cv ': camera [0-9] ')
  ((lines == 1)) || e2e_fail "$1 wrote $lines lines at its end, want one: $(cat "$E2E_TMP/$1.out")"
  e2e_note "$1 said: $(tail -n 1 "$E2E_TMP/$1.out")"
}

e2e_start_xvfb

# SIGTERM while KAV_Main runs: Stop and Exit as from the menu.
e2e_start term autostart "$APP"
e2e_wait_line term "main begin"
mark_lines term
kill -TERM "$APP_PID"
e2e_wait_exit "$APP_PID"
((EXIT_CODE == 143)) || e2e_fail "exit code $EXIT_CODE after SIGTERM, want 143"
e2e_expect_log term init "main begin" "main end" "exit worker"
[[ $(e2e_lock_state $LOCK) == free ]] || e2e_fail "the lock is held after SIGTERM"
expect_one_line term

# The X server goes while KAV_Main runs.
e2e_start lost autostart "$APP"
e2e_wait_line lost "main begin"
mark_lines lost
kill -KILL "$E2E_XVFB_PID"
wait "$E2E_XVFB_PID" 2>/dev/null
e2e_wait_exit "$APP_PID"
((EXIT_CODE != 0)) || e2e_fail "exit code 0 after the X server went"
e2e_expect_log lost init "main begin" "main end" "exit worker"
[[ $(e2e_lock_state $LOCK) == free ]] || e2e_fail "the lock is held after the X server went"
expect_one_line lost

# The same under the demo with its cameras streaming: it ends, its lock freed
# (the time it took is noted; the exit sequence's own limits bound it).
e2e_start_xvfb
e2e_start demo "" "$DEMO"
e2e_wait_window "$APP_PID" '^LR\(100%\)$'
[[ $(e2e_lock_state $LOCK) == held ]] || e2e_fail "the demo holds no lock"
e2e_until 15000 grep -q "camera 1: " "$E2E_TMP/demo.out" || e2e_fail "the demo named no second camera"
mark_lines demo
kill -KILL "$E2E_XVFB_PID"
t0=$(e2e_now_us)
wait "$E2E_XVFB_PID" 2>/dev/null
e2e_wait_exit "$APP_PID"
elapsed_ms=$(((EXIT_AT_US - t0) / 1000))
e2e_note "the demo ended ${elapsed_ms} ms after the X server, exit code $EXIT_CODE"
((EXIT_CODE != 0)) || e2e_fail "exit code 0 after the X server went"
[[ $(e2e_lock_state $LOCK) == free ]] || e2e_fail "the lock is held after the demo ended"
expect_one_line demo
e2e_note "passed"
