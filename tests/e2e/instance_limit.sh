#!/usr/bin/env bash
# Instance numbers: ten programs hold rozoru_mw0..9.lock in start order, an
# eleventh is refused with a message box and exit code 1, and the number of
# a killed instance goes to the next program started.
# Usage: instance_limit.sh <rozoru-testapp>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-testapp}
e2e_require_binary "$APP"
e2e_start_xvfb

# Each holder of a lock, and every free lock, as expected in ARGS: one pid
# (or "-" for free) per number 0..9. Only while no instance is starting.
check_locks() {
  local i want state holders
  for i in 0 1 2 3 4 5 6 7 8 9; do
    want=${*:$((i + 1)):1}
    state=$(e2e_lock_state "rozoru_mw$i.lock")
    holders=$(e2e_lock_holders "rozoru_mw$i.lock")
    if [[ $want == - ]]; then
      [[ $state == free && -z $holders ]] || e2e_fail "rozoru_mw$i.lock should be free; it is $state (open by: $holders)"
    else
      [[ $state == held ]] || e2e_fail "rozoru_mw$i.lock should be held by $want; it is $state"
      [[ $holders == "$want" ]] || e2e_fail "rozoru_mw$i.lock should be held by $want alone; open by: $holders"
    fi
  done
  [[ ! -e $XDG_RUNTIME_DIR/rozoru_mw10.lock ]] || e2e_fail "a lock file for an 11th instance number was created"
}

# One at a time: the lock is taken before the window is created, so a
# visible window means the number is taken and the next may start.
pids=()
for i in 0 1 2 3 4 5 6 7 8 9; do
  e2e_start "app$i" "" "$APP"
  pids+=("$APP_PID")
  e2e_wait_window "$APP_PID" '^ROZORU$'
done
check_locks "${pids[@]}"
e2e_note "ten instances hold numbers 0..9 in start order"

# --- the eleventh ---
e2e_start app10 "" "$APP"
extra=$APP_PID
e2e_wait_window "$extra" '^ROZORU$'
box=$WIN
e2e_geometry "$box"
e2e_note "refusal window ${GEOM_W}x$GEOM_H at $GEOM_X,$GEOM_Y"
((GEOM_W != 240)) || e2e_fail "the refused instance shows a 240 pixel wide window, like a main window"
nwin=$(xdotool search --onlyvisible --pid "$extra" 2>/dev/null | wc -l)
((nwin == 1)) || e2e_fail "the refused instance shows $nwin windows, want only its message box"
check_locks "${pids[@]}"
e2e_key "$box" Return
e2e_wait_exit "$extra" 10
((EXIT_CODE == 1)) || e2e_fail "the refused instance exited with $EXIT_CODE, want 1"
[[ ! -e $E2E_TMP/app10.log ]] || e2e_fail "the refused instance ran KAV_Init: $(tr '\n' ' ' <"$E2E_TMP/app10.log")"
e2e_note "an eleventh instance is refused and exits with 1"

# --- a killed instance's number is reused ---
victim=${pids[3]}
# Reaped at once, quietly: the shell would report the kill on stderr.
{
  kill -KILL "$victim"
  wait "$victim"
} 2>/dev/null
e2e_forget_pid "$victim"
pids[3]=-
check_locks "${pids[@]}"
e2e_start app11 "" "$APP"
pids[3]=$APP_PID
e2e_wait_window "$APP_PID" '^ROZORU$'
check_locks "${pids[@]}"
e2e_wait_line app11 init
e2e_note "the number of a killed instance goes to the next one started"

# Everyone still runs and reached KAV_Init.
for i in 0 1 2 4 5 6 7 8 9; do
  e2e_running "${pids[i]}" || e2e_fail "instance $i (pid ${pids[i]}) ended"
  e2e_wait_line "app$i" init
done
e2e_note "passed"
