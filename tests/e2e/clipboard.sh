#!/usr/bin/env bash
# shellcheck disable=SC2016 # e2e_until evaluates its tests itself
# Pictures through the desktop's clipboard with another program (xclip): the
# example's shapes copied with Ctrl+C in the image window are read back as
# image/png and as image/bmp, each pixel for pixel the picture on screen; a
# PNG that xclip puts on the clipboard is pasted with Ctrl+V over the image
# window at its top-left corner.
# Usage: clipboard.sh <rozoru-example-draw>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-example-draw}
e2e_require_binary "$APP"
e2e_require_tools xclip compare
e2e_start_xvfb
e2e_start app "" "$APP"
pid=$APP_PID
e2e_wait_window "$pid" '^Drawing\(100%\)$'
img=$WIN
e2e_wait_window "$pid" '^ButtonBox$'
bb=$WIN

# The 320x240 picture on screen into FILE; sets COLOURS.
shot() {
  import -window root "$E2E_TMP/root.png" 2>/dev/null || e2e_fail "screenshot failed"
  e2e_geometry "$img"
  convert "$E2E_TMP/root.png" -crop "320x240+${GEOM_X}+${GEOM_Y}" +repage "$1" || e2e_fail "cannot crop the screenshot"
  COLOURS=$(convert "$1" -format '%k' info:)
}
# Number of pixels in which two pictures differ (their sizes must agree).
differing() { compare -metric AE "$1" "$2" null: 2>&1; }
offers() { timeout 10 xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx "$1"; }

e2e_geometry "$bb"
timeout 10 xdotool mousemove --window "$bb" $((GEOM_W / 6)) $((GEOM_H / 2)) click 1 || e2e_fail "click on Shapes failed"
e2e_until 10000 eval 'shot "$E2E_TMP/shown.png"; ((COLOURS > 4))' || e2e_fail "no shapes drawn: $COLOURS colours"

e2e_key "$img" ctrl+c
e2e_until 10000 offers image/png || e2e_fail "the clipboard offers no image/png after Ctrl+C"
offers image/bmp || e2e_fail "the clipboard offers no image/bmp after Ctrl+C"
for type in png bmp; do
  timeout 10 xclip -selection clipboard -t "image/$type" -o >"$E2E_TMP/copied.$type" || e2e_fail "xclip read no image/$type"
  size=$(identify -format '%wx%h' "$E2E_TMP/copied.$type" 2>/dev/null)
  [[ $size == 320x240 ]] || e2e_fail "image/$type is '$size', want 320x240"
  n=$(differing "$E2E_TMP/copied.$type" "$E2E_TMP/shown.png")
  [[ $n == 0 ]] || e2e_fail "image/$type differs from the picture in $n pixels"
done
# The BMP is the bitmap block behind a 14-byte file header: 24 bits, bottom-up.
header=$(od -An -tu1 -N30 "$E2E_TMP/copied.bmp" | tr -s ' \n' ' ')
[[ $header == " 66 77 "*" 54 0 0 0 40 0 0 0 64 1 0 0 240 0 0 0 1 0 24 0 " ]] ||
  e2e_fail "the BMP's headers are [$header]"

# Another program's PNG: a red field with a green square, smaller than the
# picture, so the shapes stay around it.
convert -size 100x80 xc:'#FF0000' -fill '#00FF00' -draw 'rectangle 10,10 29,29' "PNG24:$E2E_TMP/theirs.png" ||
  e2e_fail "cannot make the PNG"
xclip -selection clipboard -t image/png -i "$E2E_TMP/theirs.png" || e2e_fail "xclip could not take the PNG"
e2e_until 10000 eval '! offers image/bmp' || e2e_fail "xclip did not take the clipboard"
e2e_key "$img" ctrl+v
pasted() {
  shot "$E2E_TMP/after.png"
  convert "$E2E_TMP/after.png" -crop 100x80+0+0 +repage "$E2E_TMP/corner.png"
  [[ $(differing "$E2E_TMP/corner.png" "$E2E_TMP/theirs.png") == 0 ]]
}
e2e_until 10000 pasted || e2e_fail "the pasted corner differs from the PNG in $(differing "$E2E_TMP/corner.png" "$E2E_TMP/theirs.png") pixels"
# Outside the pasted part the picture is as it was.
convert "$E2E_TMP/after.png" -fill black -draw 'rectangle 0,0 99,79' "$E2E_TMP/a.png"
convert "$E2E_TMP/shown.png" -fill black -draw 'rectangle 0,0 99,79' "$E2E_TMP/b.png"
[[ $(differing "$E2E_TMP/a.png" "$E2E_TMP/b.png") == 0 ]] || e2e_fail "the paste changed the picture outside its corner"
e2e_running "$pid" || e2e_fail "the program ended"
e2e_note "passed"
