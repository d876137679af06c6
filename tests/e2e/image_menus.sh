#!/usr/bin/env bash
# shellcheck disable=SC2016 # looks and e2e_until evaluate their tests themselves
# The image window's popup menus with the real mouse and keyboard: the middle
# button's Process > Invert whitens the black picture, the right button's
# "&Zoom..." asks in text window 0 and zooms, "&Destroy" closes the window.
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

# The colour of the picture's pixel (5, 5) on screen, in PIXEL.
looks() {
  import -window root "$E2E_TMP/s.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$img"
  PIXEL=$(convert "$E2E_TMP/s.png" -format "%[hex:p{$((GEOM_X + 5)),$((GEOM_Y + 5))}]" info:)
  eval "$1"
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
e2e_until 10000 looks '[[ $PIXEL == 000000* ]]' || e2e_fail "the new picture is $PIXEL, want black"

menu 2 # Process... opens its submenu under the mouse; Invert is its first item
SEEN="$SEEN $POPUP"
timeout 10 xdotool mousemove --window "$POPUP" 30 10 || e2e_fail "mouse move failed"
e2e_until 10000 popup_opened || e2e_fail "the Process submenu did not open"
pick 10
e2e_until 10000 looks '[[ $PIXEL == FFFFFF* ]]' || e2e_fail "after Invert the picture is $PIXEL, want white"

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
