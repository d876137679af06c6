#!/usr/bin/env bash
# shellcheck disable=SC2016 # e2e_until evaluates its tests itself
# The image window's popup menus with the real mouse and keyboard: the middle
# button's Process > Invert whitens the black picture; Color > Change sets
# the colour in the colour dialog; a filled box and disc are drawn in it by
# clicking; a clipped rectangle opens in a new window, whose "&Save as" saves
# it through the file dialog, pixel for pixel; the right button's "&Zoom..."
# asks in text window 0 and zooms; "&Destroy" closes.
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
# True when no visible window of the program has a title matching REGEX.
gone() { [[ -z $(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null) ]]; }
popup_opened() {
  local id
  for id in $(windows); do
    [[ " $SEEN " != *" $id "* ]] && POPUP=$id && return 0
  done
  return 1
}
# Opens a popup menu on image window WIN (the picture) with mouse BUTTON;
# sets POPUP. Usage: menu BUTTON [WIN]
menu() {
  local win=${2:-$img}
  SEEN=$(windows)
  # Above text window 0, which opens where it likes.
  timeout 10 xdotool windowraise "$win" mousemove --window "$win" 100 100 click "$1" || e2e_fail "click $1 failed"
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
# Color... > Change (5th item, 1st of its submenu) through the colour
# dialog: its "&HTML:" field takes the colour as #rrggbb, Return is OK.
ink=2060C0
menu 2
timeout 10 xdotool key Down Down Down Down Down Right Return || e2e_fail "keys failed"
e2e_wait_window "$pid" '^Select Color$'
timeout 10 xdotool windowfocus --sync "$WIN" key alt+h ctrl+a type "#$ink" || e2e_fail "typing the colour failed"
e2e_key "$WIN" Return
e2e_until 10000 gone '^Select Color$' || e2e_fail "the colour dialog did not close on Return"

# Draw Box... > Fill (7th item, 2nd of its submenu) from (20, 20) to (59, 49).
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Down Down Down Right Down Return || e2e_fail "keys failed"
click_at 20 20
click_at 59 49
e2e_until 10000 eval 'at 40 35; [[ $PIXEL == $ink* ]]' || e2e_fail "no box in #$ink: (40, 35) is $PIXEL"

# Draw Circle... > Fill (8th item): centre (150, 150), through (150, 170).
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Down Down Down Down Right Down Return || e2e_fail "keys failed"
click_at 150 150
click_at 150 170
e2e_until 10000 eval 'at 150 150; [[ $PIXEL == $ink* ]]' || e2e_fail "no disc in #$ink: (150, 150) is $PIXEL"

# Clipping (4th item) of (30, 30)-(179, 169): a corner of the box, white
# and the whole disc, in a new window.
STATUS=$(status)
menu 2
timeout 10 xdotool key Down Down Down Down Return || e2e_fail "keys failed"
click_at 30 30
click_at 179 169
e2e_wait_window "$pid" '^\(30,30\)-\(179,169\)\('
clip=$WIN

# The clip window's "&Save as", through the file dialog: "File &name:" takes
# a whole path (in a folder of its own, so that no completion pops up).
mkdir "$E2E_TMP/saved" || e2e_fail "cannot make a folder for the saved file"
saved=$E2E_TMP/saved/clip.bmp
menu 3 "$clip"
timeout 10 xdotool key s || e2e_fail "key s failed"
e2e_wait_window "$pid" '^Save as$'
timeout 10 xdotool windowfocus --sync "$WIN" key alt+n ctrl+a type "$saved" || e2e_fail "typing the file name failed"
e2e_key "$WIN" Return
e2e_until 10000 test -s "$saved" || e2e_fail "nothing saved as $saved"
size=$(convert "$saved" -format '%wx%h' info:) || e2e_fail "the saved file is no picture"
[[ $size == 150x140 ]] || e2e_fail "the saved picture is $size, want 150x140"
# Picture point (X, Y) is file point (X - 30, Y - 30).
saved_is() {
  local got
  got=$(convert "$saved" -format "%[hex:p{$(($1 - 30)),$(($2 - 30))}]" info:)
  [[ $got == "$3"* ]] || e2e_fail "the saved picture at ($1, $2) is $got, want $3"
}
saved_is 30 30 "$ink"    # the box, to its corners
saved_is 59 49 "$ink"
saved_is 60 49 FFFFFF    # past them
saved_is 59 50 FFFFFF
saved_is 150 150 "$ink"  # the disc
saved_is 165 150 "$ink"
saved_is 175 150 FFFFFF  # past its radius
saved_is 179 169 FFFFFF

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
e2e_until 10000 gone '^Drawing' || e2e_fail "the image window is still there after Destroy"
e2e_running "$pid" || e2e_fail "the program ended with its image window"
e2e_note "passed"
