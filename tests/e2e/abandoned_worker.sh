#!/usr/bin/env bash
# A KAV_Main deaf to Stop and Exit: X waits for it about 2 s, then runs
# KAV_Exit on the GUI thread, once, and the process still ends with 0.
# Usage: abandoned_worker.sh <rozoru-testapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp}
e2e_require_binary "$APP"
e2e_start_xvfb

e2e_start app autostart,ignore-stop "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_line app "main begin"

t0=$(e2e_now_us)
e2e_key "$main" x
# A second exit request while the first still waits must not run KAV_Exit
# again. (A window already gone means the exit went ahead.)
if e2e_running "$pid"; then
  timeout 10 xdotool windowfocus --sync "$main" key Escape 2>/dev/null || e2e_running "$pid" ||
    e2e_note "the window went before the second request"
fi
e2e_wait_exit "$pid" 15
elapsed_ms=$(((EXIT_AT_US - t0) / 1000))
e2e_note "ended ${elapsed_ms} ms after X, exit code $EXIT_CODE"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE, want 0"
((elapsed_ms >= 1800 && elapsed_ms <= 6000)) ||
  e2e_fail "ended ${elapsed_ms} ms after X; want between 1800 and 6000 (the worker is given 2000 ms)"
e2e_expect_log app init "main begin" "exit gui"
e2e_note "passed"
