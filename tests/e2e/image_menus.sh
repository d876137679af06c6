#!/usr/bin/env bash
# shellcheck disable=SC2016 # e2e_until evaluates its tests itself
# The image window's popup menus with the real mouse and keyboard: the middle
# button's Process > Invert whitens the black picture; a box and a disc are
# drawn by clicking; a clipped rectangle opens in a new window; the right
# button's "&Zoom..." asks in text window 0 and zooms; "&Destroy" closes.
# Usage: image_menus.sh <rozoru-example-draw>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-example-draw}
e2e_require_binary "$APP"
e2e_start_xvfb
e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^Drawing\(100%\)$'
img=$WIN

# The colour of picture point (X, Y) on screen, in PIXEL.
at() {
  import -window root "$E2E_TMP/s.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$img"
  PIXEL=$(convert "$E2E_TMP/s.png" -format "%[hex:p{$((GEOM_X + $1)),$((GEOM_Y + $2))}]" info:)
}
# Visible windows of the program. A popup menu is one that was not there
# before (SEEN): popup_opened sets POPUP to it.
windows() { xdotool search --all --onlyvisible --pid "$pid" --name '' 2>/dev/null | tr '\n' ' '; }
popup_opened() {
  local id
  for id in $(windows); do
    [[ " $SEEN " != *" $id "* ]] && POPUP=$id && return 0
  done
  return 1
}
# Opens a popup menu on the picture with mouse BUTTON; sets POPUP.
menu() {
  SEEN=$(windows)
  # Above text window 0, which opens where it likes.
  timeout 10 xdotool windowraise "$img" mousemove --window "$img" 100 100 click "$1" || e2e_fail "click $1 failed"
  e2e_until 10000 popup_opened || e2e_fail "no menu opened by button $1"
}
# Clicks the item of POPUP at height Y (negative: from the bottom).
pick() {
  e2e_geometry "$POPUP"
  local y=$1
  ((y < 0)) && y=$((GEOM_H + y))
  timeout 10 xdotool mousemove --window "$POPUP" $((GEOM_W / 2)) "$y" click 1 || e2e_fail "click in the menu failed"
}
e2e_until 10000 eval 'at 5 5; [[ $PIXEL == 000000* ]]' || e2e_fail "the new picture is $PIXEL, want black"

menu 2 # Process... opens its submenu under the mouse; Invert is its first item
SEEN="$SEEN $POPUP"
timeout 10 xdotool mousemove --window "$POPUP" 30 10 || e2e_fail "mouse move failed"
e2e_until 10000 popup_opened || e2e_fail "the Process submenu did not open"
pick 10
e2e_until 10000 eval 'at 5 5; [[ $PIXEL == FFFFFF* ]]' || e2e_fail "after Invert the picture is $PIXEL, want white"

# The main window's status line, whose text a pick changes at each stage.
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
status() {
  import -window root "$E2E_TMP/st.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$main"
  convert "$E2E_TMP/st.png" -crop "234x20+${GEOM_X}+$((GEOM_Y + GEOM_H - 26))" +repage -format '%#' info:
}
changed() { [[ $(status) != "$STATUS" ]]; }
# Clicks picture point (X, Y) once the pick asks for it (the status line changed).
click_at() {
  e2e_until 10000 changed || e2e_fail "the pick did not ask for a click at $1,$2"
  STATUS=$(status)
  timeout 10 xdotool mousemove --window "$img" "$1" "$2" click 1 || e2e_fail "click at $1,$2 failed"
}
# Draw Box... > Fill XOR (7th item, 3rd of its submenu) from (20, 20) to (59, 49): black on white.
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Down Down Down Right Down Down Return || e2e_fail "keys failed"
click_at 20 20
click_at 59 49
e2e_until 10000 eval 'at 40 35; [[ $PIXEL == 000000* ]]' || e2e_fail "no black box: (40, 35) is $PIXEL"
at 60 35
[[ $PIXEL == FFFFFF* ]] || e2e_fail "the box reaches past its corner: (60, 35) is $PIXEL"

# Draw Circle... > Fill XOR (8th item): centre (150, 150), through (150, 170).
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Down Down Down Down Right Down Down Return || e2e_fail "keys failed"
click_at 150 150
click_at 150 170
e2e_until 10000 eval 'at 162 150; [[ $PIXEL == 000000* ]]' || e2e_fail "no black disc: (162, 150) is $PIXEL"
at 150 175
[[ $PIXEL == FFFFFF* ]] || e2e_fail "the disc reaches past its radius: (150, 175) is $PIXEL"

# Clipping (4th item) of (30, 30)-(69, 39): half black, half white, in a new window.
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Return || e2e_fail "keys failed"
click_at 30 30
click_at 69 39
e2e_wait_window "$pid" '^\(30,30\)-\(69,39\)\(' # shown enlarged to the smallest window
clip=$WIN
clip_at() {
  import -window root "$E2E_TMP/c.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$clip"
  PIXEL=$(convert "$E2E_TMP/c.png" -format "%[hex:p{$((GEOM_X + $1 * GEOM_W / 40)),$((GEOM_Y + GEOM_H / 2))}]" info:)
}
# Columns 30 to 59 of the picture are the box's, 60 to 69 are white.
e2e_until 10000 eval 'clip_at 5; [[ $PIXEL == 000000* ]]' || e2e_fail "the clip's column 5 is $PIXEL, want black"
clip_at 35
[[ $PIXEL == FFFFFF* ]] || e2e_fail "the clip's column 35 is $PIXEL, want white"

menu 3
timeout 10 xdotool key z || e2e_fail "key z failed" # &Zoom...
e2e_wait_window "$pid" '^TextWindow 0$'
timeout 10 xdotool windowfocus --sync "$WIN" type --delay 30 " 200x" || e2e_fail "typing failed"
e2e_key "$WIN" Return
e2e_wait_window "$pid" '^Drawing\(200%\)$'
e2e_geometry "$img"
((GEOM_W == 640 && GEOM_H == 480)) || e2e_fail "at 200% the window is ${GEOM_W}x$GEOM_H, want 640x480"

menu 3
pick -8 # &Destroy, the last item
gone() { [[ -z $(xdotool search --all --onlyvisible --pid "$pid" --name '^Drawing' 2>/dev/null) ]]; }
e2e_until 10000 gone || e2e_fail "the image window is still there after Destroy"
e2e_running "$pid" || e2e_fail "the program ended with its image window"
e2e_note "passed"
