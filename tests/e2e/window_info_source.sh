#!/usr/bin/env bash
# The window information's generated source round-trips: the layout program's
# windows (two moved by hand), Ctrl+W in a text window, the source read from
# the clipboard as text, built as the KAV_Init of the same program against
# include/ and the framework's libraries, run: the same windows come back at
# the same places and sizes, and their window information is the same source.
# Usage: window_info_source.sh <rozoru-layoutapp> <source dir> <framework libraries...>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-layoutapp source-dir libraries...}
SRC=${2:?usage: $0 rozoru-layoutapp source-dir libraries...}
shift 2
e2e_require_binary "$APP"
e2e_require_tools xclip c++ pkg-config
e2e_start_xvfb

# The windows of PID but the main window, "TITLE X Y W H" a line, sorted.
layout() {
  local id name
  for id in $(xdotool search --all --onlyvisible --pid "$1" --name '' 2>/dev/null); do
    name=$(xdotool getwindowname "$id") || continue
    [[ $name == ROZORU ]] && continue
    e2e_geometry "$id"
    echo "$name $GEOM_X $GEOM_Y $GEOM_W $GEOM_H"
  done | sort
}
all_shown() { (($(layout "$1" | wc -l) == 6)); } # 2 image, 2 text windows, 2 boxes
at() { e2e_geometry "$1" && [[ "$GEOM_X $GEOM_Y" == "$2 $3" ]]; }
source_in() { timeout 5 xclip -selection clipboard -o >"$1" 2>/dev/null && grep -qF 'KAV_SetForeground(KAVMAINWINDOW);' "$1"; }
# Starts PROGRAM as NAME, presses Ctrl+W in its text window 0 once all its
# windows are shown, and keeps the source in NAME.inc and the windows in LAYOUT.
run() {
  e2e_start "$1" "" "$2"
  e2e_wait_window "$APP_PID" '^TextWindow 0$'
  local tw0=$WIN
  e2e_until 15000 all_shown "$APP_PID" || e2e_fail "$1 shows: $(layout "$APP_PID")"
  if [[ $1 == first ]]; then # moved by hand: the source must follow
    e2e_wait_window "$APP_PID" '^say "hi"'
    timeout 10 xdotool windowmove "$WIN" 720 530 search --name '^TextWindow 3$' windowmove %1 880 40 ||
      e2e_fail "xdotool windowmove failed"
    e2e_until 10000 at "$WIN" 720 530 || e2e_fail "image window 0 did not move"
  fi
  e2e_key "$tw0" ctrl+w
  e2e_until 15000 source_in "$E2E_TMP/$1.inc" || e2e_fail "no source on the clipboard: $(cat "$E2E_TMP/$1.inc")"
  LAYOUT=$(layout "$APP_PID")
  e2e_key "$tw0" Escape # Exit
  e2e_wait_exit "$APP_PID"
  ((EXIT_CODE == 0)) || e2e_fail "$1's exit code is $EXIT_CODE"
}

run first "$APP"
before=$LAYOUT
for line in 'KAV_CreateImage(0,"say \"hi\" \\ there",720,530,160,120,100);' 'KAV_OpenTextWindow(3,880,40,300,200);'; do
  grep -qF "$line" "$E2E_TMP/first.inc" || e2e_fail "not in the source as moved: $line"
done
cp "$E2E_TMP/first.inc" "$E2E_TMP/layout_replay.inc"
# shellcheck disable=SC2046 # pkg-config's words
c++ -std=c++20 -Wall -Wextra -Werror -DROZORU_LAYOUT_REPLAY -I"$E2E_TMP" -I"$SRC/include" \
  "$SRC/tests/textwin/layoutapp/layoutapp.cpp" -o "$E2E_TMP/replay" -Wl,--start-group "$@" -Wl,--end-group \
  $(pkg-config --libs Qt6Widgets) -lgif -pthread >"$E2E_TMP/cc.out" 2>&1 ||
  e2e_fail "the generated source does not build: $(head -n 20 "$E2E_TMP/cc.out")"
run replay "$E2E_TMP/replay"
[[ $LAYOUT == "$before" ]] || e2e_fail "the replay's windows differ; want: ${before//$'\n'/; } got: ${LAYOUT//$'\n'/; }"
cmp -s "$E2E_TMP/first.inc" "$E2E_TMP/replay.inc" || e2e_fail "the replay's source differs: $(diff "$E2E_TMP/"{first,replay}.inc)"
e2e_note "passed: ${before//$'\n'/; }"
