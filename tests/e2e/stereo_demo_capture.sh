#!/usr/bin/env bash
# The stereo demo driven as a photographer would: its windows come up, Space
# in the main window saves an event folder, OUT switches to single files,
# anaglyph1 turns the preview red/cyan, and Stop then Start begins afresh. Camera 0 shows plain
# red and camera 1 grey noise that changes with every frame, so every picture
# tells its source and every pass shows.
# Usage: stereo_demo_capture.sh <rozoru-stereo-demo>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-stereo-demo}
e2e_require_binary "$APP"
e2e_require_tools identify compare
e2e_start_xvfb

work=$E2E_TMP/captures
mkdir -p "$work"
cd "$work" || e2e_fail "cannot enter $work"
export ROZORU_DEMO_PATTERNS=red,snow
e2e_start demo "" "$APP"
pid=$APP_PID

e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
for title in 'Right\(50%\)' 'Left\(50%\)' 'LR\(100%\)' 'TextWindow 0' 'ButtonBox'; do
  e2e_wait_window "$pid" "^$title\$"
done
e2e_wait_window "$pid" '^ButtonBox$'
box=$WIN

# LR, looked up by its title.
lr_window() { e2e_wait_window "$pid" '^LR\(100%\)$'; }
# "red", "grey", "redcyan" (red with a grey's green and blue, as anaglyph1
# makes of red and grey) or "cyan" (the grey without its red) for a region of
# a picture, from its mean channels.
region_kind() { # IMAGE WxH+X+Y
  convert "$1" -crop "$2" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b] %[fx:standard_deviation.g]' info: |
    awk '{ r = $1; g = $2; b = $3; sg = $4
           if (r > 0.6 && g < 0.15 && b < 0.15) print "red"
           else if (r - g < 0.1 && g - r < 0.1 && b - g < 0.1 && g - b < 0.1 && sg > 0.05) print "grey"
           else if (r > 0.9 && r - g > 0.25 && sg > 0.05) print "redcyan"
           else if (r < 0.05 && g - b < 0.1 && b - g < 0.1 && sg > 0.05) print "cyan"
           else printf "other(%.2f,%.2f,%.2f sd %.2f)\n", r, g, b, sg }'
}
lr_is() { # LEFT_KIND RIGHT_KIND
  lr_window
  import -window "$WIN" "$E2E_TMP/lr.png" 2>/dev/null || return 1
  l=$(region_kind "$E2E_TMP/lr.png" 150x230+5+5)
  r=$(region_kind "$E2E_TMP/lr.png" 150x230+165+5)
  [[ $l == "$1" && $r == "$2" ]]
}
wait_lr() { e2e_until 15000 lr_is "$@" || e2e_fail "LR shows $l | $r, want $1 | $2"; }
# Waits until the preview has changed N times: camera 1's noise differs in
# every pass, so N changes mean N passes have shown.
lr_hash() {
  lr_window
  import -window "$WIN" "$E2E_TMP/lrp.png" 2>/dev/null && convert "$E2E_TMP/lrp.png" -crop 160x240+160+0 +repage -format '%#' info:
}
wait_passes() {
  local n=0 prev cur deadline=$(($(e2e_now_us) + 15000000))
  prev=$(lr_hash)
  while ((n < $1)); do
    cur=$(lr_hash)
    [[ $cur != "$prev" ]] && n=$((n + 1)) && prev=$cur
    (($(e2e_now_us) < deadline)) || e2e_fail "the preview changed $n times in 15 s, want $1"
    e2e_tick 0.05
  done
}
# Clicks button K of the 11x4 button box.
click_button() {
  e2e_geometry "$box"
  local col=$(($1 % 11)) row=$(($1 / 11))
  local x=$((GEOM_W * col / 11 + GEOM_W / 22)) y=$((GEOM_H * row / 4 + GEOM_H / 8))
  xdotool mousemove --window "$box" "$x" "$y" click 1 || e2e_fail "could not click button $1"
}
# Waits until exactly N files match the glob under the capture folder, all
# of them complete (a capture reserves its name with an empty file first).
wait_files() { # N GLOB...
  local n=$1 deadline=$(($(e2e_now_us) + 15000000)) files empty
  shift
  while :; do
    files=$(cd "$work" && compgen -G "$1" | wc -l)
    empty=$(cd "$work" && compgen -G "$1" | while read -r f; do [[ -s $f ]] || echo "$f"; done | wc -l)
    ((files == n && empty == 0)) && return 0
    (($(e2e_now_us) < deadline)) || e2e_fail "$files files match $1 in $work, want $n: $(cd "$work" && find . | sort | tr '\n' ' ')"
    e2e_tick 0.1
  done
}

# The loop runs by itself: the preview shows camera 0 (Right) left, camera 1 right.
wait_lr red grey

# Space in the main window: an event folder yymmdd/HHMMSS with four files.
lr_window
lr=$WIN
e2e_key "$main" space
wait_files 1 '[0-9][0-9][0-9][0-9][0-9][0-9]/[0-9][0-9][0-9][0-9][0-9][0-9]/pass.txt'
# The capture sized LR up and back in place, and the keyboard stayed with
# the window the user pressed Space in.
lr_window
[[ $WIN == "$lr" ]] || e2e_fail "the capture replaced the LR window ($lr, now $WIN)"
[[ $(xdotool getwindowfocus) == "$main" ]] || e2e_fail "the capture took the keyboard focus from the main window"
folder=$(cd "$work" && compgen -G '[0-9][0-9][0-9][0-9][0-9][0-9]/[0-9][0-9][0-9][0-9][0-9][0-9]' | head -1)
e2e_note "event capture in $folder"
for f in orig.jpg date.txt user.txt pass.txt; do
  [[ -f $work/$folder/$f ]] || e2e_fail "$folder/$f missing"
done
size=$(identify -format '%m %wx%h' "$work/$folder/orig.jpg") || e2e_fail "orig.jpg does not decode"
[[ $size == "JPEG 640x240" ]] || e2e_fail "orig.jpg is $size, want JPEG 640x240"
left=$(region_kind "$work/$folder/orig.jpg" 310x230+5+5)
right=$(region_kind "$work/$folder/orig.jpg" 310x230+325+5)
[[ $left == red && $right == grey ]] || e2e_fail "orig.jpg shows $left | $right; want red (Right) | grey (Left)"
[[ $(cat "$work/$folder/date.txt") == "${folder%/*}" ]] || e2e_fail "date.txt holds '$(cat "$work/$folder/date.txt")'"
[[ $(cat "$work/$folder/user.txt") == "${folder#*/}" ]] || e2e_fail "user.txt holds '$(cat "$work/$folder/user.txt")'"
[[ $(cat "$work/$folder/pass.txt") =~ ^[0-9]{4,5}$ ]] || e2e_fail "pass.txt holds '$(cat "$work/$folder/pass.txt")'"

# OUT, then a capture: one time-stamped file, no new folder.
click_button 34
wait_passes 3 # the pass that reads the button has ended
e2e_key "$main" space
wait_files 1 '[0-9][0-9][0-9][0-9][0-9][0-9]_[0-9][0-9]_[0-9][0-9]_[0-9][0-9].jpg'
wait_files 1 '[0-9][0-9][0-9][0-9][0-9][0-9]/*'
single=$(cd "$work" && compgen -G '*.jpg')
[[ $(identify -format '%wx%h' "$work/$single") == 640x240 ]] || e2e_fail "$single is not 640x240"
e2e_note "single capture $single"

# anaglyph1: Right becomes red from camera 0 with green and blue from camera
# 1; Left keeps only camera 1's green and blue.
click_button 31
wait_lr redcyan cyan

# Stop, then Start: a fresh run, no anaglyph.
# Start while the loop still runs is ignored: S is pressed until it starts
# afresh, without the anaglyph.
e2e_key "$main" c
restarted() {
  e2e_key "$main" s
  e2e_until 2000 lr_is red grey
}
e2e_until 15000 restarted || e2e_fail "no fresh start after Stop: LR shows $l | $r"

e2e_key "$main" x
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE, want 0"
e2e_note "passed"
