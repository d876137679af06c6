#!/usr/bin/env bash
# The window information's generated source round-trips: the layout program's
# windows (some moved by hand), Ctrl+W in a text window, the source read from
# the clipboard as text, compiled as the KAV_Init of the same program against
# include/ and the framework's libraries, run: the same windows come back at
# the same places and sizes, and their window information is the same source.
# Usage: window_info_source.sh <rozoru-layoutapp> <source dir> <framework libraries...>
# (ROZORU_REPLAY_FLAGS: extra compiler flags, such as the build's sanitizers)
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-layoutapp source-dir libraries...}
SRC=${2:?usage: $0 rozoru-layoutapp source-dir libraries...}
shift 2
LIBS=("$@")
e2e_require_binary "$APP"
e2e_require_tools xclip c++ pkg-config
pkg-config --exists Qt6Widgets || {
  e2e_note "skipped: pkg-config knows no Qt6Widgets"
  exit "$E2E_SKIP"
}
e2e_start_xvfb
WINDOWS=6 # two image windows, two text windows, the input box, the button box

# The visible windows of PID but the main window, one "TITLE X Y W H" a line, sorted.
layout() {
  local id name
  for id in $(xdotool search --all --onlyvisible --pid "$1" --name '' 2>/dev/null); do
    name=$(xdotool getwindowname "$id") || continue
    [[ $name == ROZORU ]] && continue
    e2e_geometry "$id"
    echo "$name $GEOM_X $GEOM_Y $GEOM_W $GEOM_H"
  done | sort
}
all_shown() { (($(layout "$1" | wc -l) == WINDOWS)); }
at() {
  e2e_geometry "$1"
  [[ "$GEOM_X $GEOM_Y" == "$2 $3" ]]
}
# Ctrl+W in text window WIN; the clipboard's text goes to FILE.
window_info() {
  local win=$1 file=$2
  : >"$file"
  e2e_key "$win" ctrl+w
  e2e_until 15000 clipboard_holds_source "$file" || e2e_fail "no generated source on the clipboard: $(head -c 300 "$file")"
}
clipboard_holds_source() {
  timeout 5 xclip -selection clipboard -o >"$1" 2>/dev/null && grep -qF 'KAV_SetForeground(KAVMAINWINDOW);' "$1"
}

e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^TextWindow 0$'
tw0=$WIN
e2e_wait_window "$pid" '^TextWindow 3$'
tw3=$WIN
e2e_wait_window "$pid" '^say "hi"'
img0=$WIN
e2e_until 15000 all_shown "$pid" || e2e_fail "want $WINDOWS windows, have: $(layout "$pid")"
# Moved by hand: the source must follow them.
timeout 10 xdotool windowmove "$img0" 720 530 windowmove "$tw3" 880 40 || e2e_fail "xdotool windowmove failed"
e2e_until 10000 at "$img0" 720 530 || e2e_fail "image window 0 did not move"
e2e_until 10000 at "$tw3" 880 40 || e2e_fail "text window 3 did not move"
window_info "$tw0" "$E2E_TMP/first.inc"
before=$(layout "$pid")
e2e_note "windows: ${before//$'\n'/; }"
grep -qF 'KAV_CreateImage(0,"say \"hi\" \\ there",720,530,160,120,100);' "$E2E_TMP/first.inc" ||
  e2e_fail "image window 0 not in the source as moved: $(cat "$E2E_TMP/first.inc")"
e2e_key "$tw0" Escape # Exit
e2e_wait_exit "$pid"

cp "$E2E_TMP/first.inc" "$E2E_TMP/layout_replay.inc"
# shellcheck disable=SC2046,SC2086  # the flags are words
c++ -std=c++20 -Wall -Wextra -Werror ${ROZORU_REPLAY_FLAGS:-} -DROZORU_LAYOUT_REPLAY -I"$E2E_TMP" -I"$SRC/include" \
  "$SRC/tests/textwin/layoutapp/layoutapp.cpp" -o "$E2E_TMP/replay" \
  -Wl,--start-group "${LIBS[@]}" -Wl,--end-group $(pkg-config --libs Qt6Widgets) -lgif -pthread \
  >"$E2E_TMP/cc.out" 2>&1 || e2e_fail "the generated source does not build: $(head -n 20 "$E2E_TMP/cc.out")"

e2e_start replay "" "$E2E_TMP/replay"
pid=$APP_PID
e2e_wait_window "$pid" '^TextWindow 0$'
tw0=$WIN
e2e_until 15000 all_shown "$pid" || e2e_fail "the replay shows $(layout "$pid")"
after=$(layout "$pid")
[[ $after == "$before" ]] || e2e_fail "the replay's windows differ; want: ${before//$'\n'/; } got: ${after//$'\n'/; }"
window_info "$tw0" "$E2E_TMP/second.inc"
cmp -s "$E2E_TMP/first.inc" "$E2E_TMP/second.inc" ||
  e2e_fail "the replay's source differs: $(diff "$E2E_TMP/first.inc" "$E2E_TMP/second.inc")"
e2e_key "$tw0" Escape
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "the replay's exit code is $EXIT_CODE"
e2e_note "passed"
