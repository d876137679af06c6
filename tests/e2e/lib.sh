# shellcheck shell=bash
# Shared helpers of the end-to-end tests; sourced, not run.
# shellcheck disable=SC2034  # WIN, APP_PID, EXIT_CODE... are the helpers' results
#
# Every test gets its own Xvfb (display chosen by the server), its own
# XDG_RUNTIME_DIR (so the instance locks of a developer's running programs
# are never seen) and a temp dir; all of it, and every process the test
# started, goes away on exit. Tests can therefore run side by side.

set -uo pipefail
export LC_ALL=C # EPOCHREALTIME and tool output in a known format

E2E_NAME=$(basename "$0" .sh)
E2E_SKIP=77 # registered as SKIP_RETURN_CODE
E2E_PIDS=() # started and not yet reaped
E2E_APPS=() # names of started programs, for the failure report
E2E_XVFB_PID=
E2E_XEV_PID=
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/rozoru-e2e-$E2E_NAME.XXXXXX") || {
  echo "FAIL [$E2E_NAME]: cannot create a temp dir" >&2
  exit 1
}

e2e_note() { echo "[$E2E_NAME] $*"; }

# The pause between two looks at a condition: a timed read on a pipe that
# never carries data. Every loop that takes it is bounded by its deadline.
mkfifo "$E2E_TMP/tick" && exec {E2E_TICK_FD}<>"$E2E_TMP/tick"
e2e_tick() { read -r -t "${1:-0.02}" -u "$E2E_TICK_FD" _ || true; }

# Runs CMD... until it succeeds (0) or MS milliseconds have passed (1).
e2e_until() {
  local deadline=$(($(e2e_now_us) + $1 * 1000))
  shift
  until "$@"; do
    (($(e2e_now_us) < deadline)) || return 1
    e2e_tick
  done
}

e2e_fail() {
  echo "FAIL [$E2E_NAME]: $*" >&2
  if [[ -n $E2E_XVFB_PID ]] && ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    echo "--- the test's Xvfb (${DISPLAY:-no display yet}) is gone:" >&2
    tail -n 5 "$E2E_TMP/xvfb.out" >&2
  fi
  local name
  for name in "${E2E_APPS[@]}"; do
    if [[ -s $E2E_TMP/$name.log ]]; then
      echo "--- $name event log:" >&2
      cat "$E2E_TMP/$name.log" >&2
    fi
    if [[ -s $E2E_TMP/$name.out ]]; then
      echo "--- $name output (last lines):" >&2
      tail -n 20 "$E2E_TMP/$name.out" >&2
    fi
  done
  exit 1
}

e2e_forget_pid() {
  local keep=() p
  for p in "${E2E_PIDS[@]}"; do [[ $p == "$1" ]] || keep+=("$p"); done
  E2E_PIDS=("${keep[@]}")
}

e2e_cleanup() {
  local p
  for p in "${E2E_PIDS[@]}"; do kill -TERM "$p" 2>/dev/null; done
  for p in "${E2E_PIDS[@]}"; do
    # Give each a moment to go, then make sure.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$p" 2>/dev/null || break
      e2e_tick 0.05
    done
    kill -KILL "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  if [[ -n $E2E_XEV_PID ]]; then
    kill -TERM "$E2E_XEV_PID" 2>/dev/null
    wait "$E2E_XEV_PID" 2>/dev/null
  fi
  if [[ -n $E2E_XVFB_PID ]]; then
    kill -TERM "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  if [[ ${E2E_KEEP_TMP:-0} == 1 ]]; then
    echo "[$E2E_NAME] temp dir kept: $E2E_TMP"
  else
    rm -rf "$E2E_TMP"
  fi
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM HUP

# Microseconds since the epoch, without starting a process.
e2e_now_us() { echo "${EPOCHREALTIME/./}"; }

e2e_require_tools() {
  local t missing=()
  for t in "$@"; do command -v "$t" >/dev/null || missing+=("$t"); done
  if ((${#missing[@]})); then
    echo "[$E2E_NAME] skipped: missing ${missing[*]}"
    exit "$E2E_SKIP"
  fi
}

e2e_require_binary() {
  [[ -x $1 ]] || e2e_fail "program not found or not executable: $1"
}

# A private 1280x1024x24 screen, and an environment in which Qt uses it
# exactly as configured (no scaling, theme or style from the developer).
e2e_start_xvfb() {
  e2e_require_tools Xvfb xdotool xev xprop import convert flock fuser
  local dfile=$E2E_TMP/display
  : >"$dfile"
  # -noreset: otherwise the server resets whenever its last client goes,
  # and a program connecting at that moment is turned away.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dfile" >"$E2E_TMP/xvfb.out" 2>&1 &
  E2E_XVFB_PID=$!
  local deadline=$(($(e2e_now_us) + 15000000)) d complete=$'^[0-9]+\nx$'
  while :; do
    # Complete once the line is: the number and its newline.
    d=$(
      cat "$dfile"
      echo x
    )
    [[ $d =~ $complete ]] && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start: $(tail -n 5 "$E2E_TMP/xvfb.out")"
    (($(e2e_now_us) < deadline)) || e2e_fail "Xvfb did not report its display within 15 s"
    e2e_tick 0.05
  done
  export DISPLAY=":${d//[^0-9]/}"
  xprop -root _XKB_RULES_NAMES >/dev/null 2>&1 || e2e_fail "cannot connect to the new Xvfb at $DISPLAY"
  export XDG_RUNTIME_DIR=$E2E_TMP/runtime
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
    QT_ENABLE_HIGHDPI_SCALING QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_FONT_DPI ROZORU_TESTAPP_LOG ROZORU_TESTAPP_MODE \
    ROZORU_CAPTURES
  e2e_note "display $DISPLAY"
}

# Records the create, map and configure events of every top-level window,
# from before the program starts, so that positions the window passes
# through are all seen. Returns once the recorder is listening.
e2e_watch_structure() {
  E2E_XEV=$E2E_TMP/xev.out
  xev -root -event substructure -event property >"$E2E_XEV" 2>&1 &
  E2E_XEV_PID=$!
  local deadline=$(($(e2e_now_us) + 10000000))
  while ! grep -q '_ROZORU_E2E_SYNC' "$E2E_XEV"; do
    kill -0 "$E2E_XEV_PID" 2>/dev/null || e2e_fail "xev did not start: $(tail -n 5 "$E2E_XEV")"
    (($(e2e_now_us) < deadline)) || e2e_fail "xev did not start listening within 10 s"
    xprop -root -f _ROZORU_E2E_SYNC 8s -set _ROZORU_E2E_SYNC ready
    e2e_tick 0.05
  done
}

# The recorded events of one window (decimal id), one per line:
# "create X Y W H", "map", "configure X Y W H".
e2e_window_events() {
  local id
  id=$(printf '0x%x' "$1")
  awk -v id="$id" '
    /^[A-Za-z]+ event,/ { type = $1; next }
    type != "" && index($0, "window " id ",") {
      if (type == "MapNotify") print "map"
      else if (type == "CreateNotify" || type == "ConfigureNotify") {
        match($0, /\(-?[0-9]+,-?[0-9]+\)/)
        split(substr($0, RSTART + 1, RLENGTH - 2), xy, ",")
        match($0, /width [0-9]+/); w = substr($0, RSTART + 6, RLENGTH - 6)
        match($0, /height [0-9]+/); h = substr($0, RSTART + 7, RLENGTH - 7)
        print (type == "CreateNotify" ? "create" : "configure"), xy[1], xy[2], w, h
      }
      type = ""
    }' "$E2E_XEV"
}

# Starts a program in the background as NAME: its event log is
# $E2E_TMP/NAME.log, stdout and stderr go to $E2E_TMP/NAME.out. Sets
# APP_PID. Usage: e2e_start NAME MODE PROGRAM [ARGS...]
e2e_start() {
  local name=$1 mode=$2
  shift 2
  E2E_APPS+=("$name")
  rm -f "$E2E_TMP/$name.log"
  env ROZORU_TESTAPP_LOG="$E2E_TMP/$name.log" ROZORU_TESTAPP_MODE="$mode" "$@" >"$E2E_TMP/$name.out" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
}

# True while PID runs (a zombie has ended: it only waits to be reaped).
e2e_running() {
  local s
  s=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  s=${s##*) }
  [[ ${s%% *} != Z ]]
}

# Waits for a visible window of PID whose title matches the regex and sets
# WIN to its id. Usage: e2e_wait_window PID TITLE_REGEX [TIMEOUT_S]
e2e_wait_window() {
  local pid=$1 title=$2 deadline=$(($(e2e_now_us) + ${3:-15} * 1000000)) ids
  while :; do
    ids=$(xdotool search --all --onlyvisible --pid "$pid" --name "$title" 2>/dev/null)
    if [[ -n $ids ]]; then
      WIN=${ids%%$'\n'*}
      return 0
    fi
    e2e_running "$pid" || e2e_fail "process $pid ended before showing a window titled /$title/"
    (($(e2e_now_us) < deadline)) || e2e_fail "no visible window /$title/ of process $pid within ${3:-15} s"
    e2e_tick 0.02
  done
}

# Number of lines of FILE that are exactly TEXT (0 if there is no file).
e2e_count() {
  [[ -e $1 ]] || {
    echo 0
    return
  }
  grep -cxF -- "$2" "$1"
}

# Waits until NAME's event log has at least COUNT lines TEXT.
# Usage: e2e_wait_line NAME TEXT [COUNT] [TIMEOUT_S]
e2e_wait_line() {
  local log=$E2E_TMP/$1.log text=$2 count=${3:-1} timeout=${4:-15}
  local deadline=$(($(e2e_now_us) + timeout * 1000000))
  while (($(e2e_count "$log" "$text") < count)); do
    (($(e2e_now_us) < deadline)) || e2e_fail "$1: '$text' x$count not logged within $timeout s"
    e2e_tick 0.02
  done
}

# Focuses WIN and types KEY (an xdotool key name) as the user would.
e2e_key() {
  timeout 10 xdotool windowfocus --sync "$1" key "$2" || e2e_fail "could not send key $2 to window $1"
}

# Waits for PID to end and reaps it: sets EXIT_CODE, and EXIT_AT_US to when
# the end was seen. Usage: e2e_wait_exit PID [TIMEOUT_S]
e2e_wait_exit() {
  local pid=$1 deadline=$(($(e2e_now_us) + ${2:-15} * 1000000))
  while e2e_running "$pid"; do
    (($(e2e_now_us) < deadline)) || e2e_fail "process $pid still running after ${2:-15} s"
    e2e_tick 0.02
  done
  EXIT_AT_US=$(e2e_now_us)
  wait "$pid"
  EXIT_CODE=$?
  e2e_forget_pid "$pid"
}

# Fails unless NAME's event log holds exactly the given lines, in order.
e2e_expect_log() {
  local name=$1
  shift
  local want got
  want=$(printf '%s\n' "$@")
  got=$(cat "$E2E_TMP/$name.log" 2>/dev/null)
  [[ $got == "$want" ]] || e2e_fail "$name: event log differs; want: [${want//$'\n'/, }] got: [${got//$'\n'/, }]"
}

# "held" or "free" for a lock file of the private runtime dir. Taking the
# lock for a moment to find out is only safe while no instance is starting.
e2e_lock_state() {
  flock -n -E 99 "$XDG_RUNTIME_DIR/$1" true
  case $? in
    0) echo free ;;
    99) echo held ;;
    *) e2e_fail "cannot probe lock $1" ;;
  esac
}

# Pids that have the lock file open (only its holder keeps it open).
e2e_lock_holders() {
  fuser "$XDG_RUNTIME_DIR/$1" 2>/dev/null | tr -s ' ' '\n' | grep -E '^[0-9]+$' | sort -n | tr '\n' ' ' | sed 's/ $//'
}

# Sets GEOM_X GEOM_Y GEOM_W GEOM_H of WIN (position on the root window).
e2e_geometry() {
  local out
  out=$(xdotool getwindowgeometry --shell "$1") || e2e_fail "no geometry for window $1"
  GEOM_X=$(sed -n 's/^X=//p' <<<"$out")
  GEOM_Y=$(sed -n 's/^Y=//p' <<<"$out")
  GEOM_W=$(sed -n 's/^WIDTH=//p' <<<"$out")
  GEOM_H=$(sed -n 's/^HEIGHT=//p' <<<"$out")
}

# Number of distinct colours in a region of an image.
# Usage: e2e_colours PNG WxH+X+Y
e2e_colours() {
  convert "$1" -crop "$2" +repage -format '%k' info: 2>/dev/null || e2e_fail "cannot analyse $1 region $2"
}

# Screenshots the main window WIN (at rest) and fails unless both its menu
# bar and its status line have something drawn on them. The status line is
# the bottom 26 rows minus a 6 row margin; the menu bar is above it.
e2e_check_main_window_drawn() {
  local win=$1 png=$E2E_TMP/$2.png
  e2e_geometry "$win"
  import -window root "$png" 2>"$E2E_TMP/import.err" || e2e_fail "screenshot failed: $(cat "$E2E_TMP/import.err")"
  local whole menu status
  whole=$(e2e_colours "$png" "${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}")
  menu=$(e2e_colours "$png" "${GEOM_W}x$((GEOM_H - 32))+${GEOM_X}+${GEOM_Y}")
  status=$(e2e_colours "$png" "234x20+${GEOM_X}+$((GEOM_Y + GEOM_H - 26))")
  e2e_note "screenshot $png: colours whole=$whole menu=$menu status=$status"
  ((${whole:-0} > 1)) || e2e_fail "main window is one flat colour in the screenshot"
  ((${menu:-0} > 1)) || e2e_fail "menu bar area is one flat colour: no menu drawn"
  ((${status:-0} > 1)) || e2e_fail "status line area is one flat colour: no status text drawn"
}
