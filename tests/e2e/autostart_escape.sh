#!/usr/bin/env bash
# An application that starts itself in KAV_Init runs KAV_Main with no key
# pressed, and Escape ends it through the worker.
# Usage: autostart_escape.sh <rozoru-testapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp}
e2e_require_binary "$APP"
e2e_start_xvfb

e2e_start app autostart "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_line app "main begin"

# The flag reaches the running KAV_Main in this mode too.
e2e_key "$main" space
e2e_wait_line app keyflag

e2e_key "$main" Escape
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE after Escape, want 0"
e2e_expect_log app init "main begin" keyflag "main end" "exit worker"
e2e_note "passed"
