#!/usr/bin/env bash
# The stereo program on two USB cameras as the system lists them: two test
# cameras of the plugin module (src/camera/test_cameras), one offering the
# modes of a raw webcam, one of a camera that needs MJPEG for 30 fps. It
# starts, a capture saves a 640x240 JPEG, and both halves show their camera's
# picture: red from the camera at port 1 (Right), blue from port 2 (Left).
# Usage: stereo_test_cameras.sh <rozoru-stereo> <plugin dir> <recorded modes dir>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=${1:?usage: $0 rozoru-stereo plugin-dir modes-dir}
PLUGINS=${2:?usage: $0 rozoru-stereo plugin-dir modes-dir}
MODES=${3:?usage: $0 rozoru-stereo plugin-dir modes-dir}
e2e_require_binary "$APP"
PLUGINS=$(realpath "$PLUGINS") MODES=$(realpath -m "$MODES") # the program may change its folder
[[ -f $PLUGINS/librykcameras.so ]] || e2e_fail "no test camera module in $PLUGINS"
if [[ ! -f $MODES/webcam-720p-uvc.caps || ! -f $MODES/slow-small-raw.caps ]]; then
  echo "[$E2E_NAME] skipped: no recorded camera modes in $MODES"
  exit "$E2E_SKIP"
fi
e2e_require_tools identify convert
e2e_start_xvfb

# Only this test's registry, and plugins scanned inside the program: the
# module then always loads into a process built like it (an ASan or TSan
# build's module needs that build's runtime, which the scanner lacks).
export GST_PLUGIN_PATH=$PLUGINS GST_REGISTRY=$E2E_TMP/gst-registry.bin GST_REGISTRY_FORK=no
right=usb-0000:00:14.0-1 left=usb-0000:00:14.0-2
export RYK_TEST_CAMERAS="$MODES/webcam-720p-uvc.caps@$right,pattern=red;$MODES/slow-small-raw.caps@$left,pattern=blue"
shots=$E2E_TMP/shots
e2e_start stereo "" "$APP" --captures "$shots" --cameras "$right,$left"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$' 30
main=$WIN
e2e_wait_window "$pid" '^ButtonBox$'
out=$E2E_TMP/stereo.out
e2e_until 20000 grep -q 'rozoru-stereo: camera 1: .* mode MJPEG 640x480 at 30 fps' "$out" ||
  e2e_fail "camera 1 did not start in MJPEG 640x480"
chosen="camera 0 = Test Camera (webcam-720p-uvc) at $right; camera 1 = Test Camera (slow-small-raw) at $left"
grep -qF "rozoru-stereo: cameras chosen: $chosen" "$out" ||
  e2e_fail "stderr does not name the two test cameras with their ports"

e2e_key "$main" space
e2e_until 15000 grep -q '^rozoru-stereo: capture saved: ' "$out" || e2e_fail "no capture logged on stderr within 15 s"
saved=$(sed -n 's/^rozoru-stereo: capture saved: \(.*\) (pair-skew-ms=.*$/\1/p' "$out" | head -n 1)
jpeg=$saved/orig.jpg
[[ -s $jpeg ]] || e2e_fail "capture logged as '$saved', but it holds no orig.jpg"
size=$(identify -format '%m %wx%h' "$jpeg") || e2e_fail "orig.jpg does not decode"
[[ $size == "JPEG 640x240" ]] || e2e_fail "orig.jpg is $size, want JPEG 640x240"
# "red", "blue", "black" or the mean channels of a region of the capture.
kind() {
  convert "$jpeg" -crop "$1" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info: |
    awk '{ if ($1 > 0.6 && $2 < 0.2 && $3 < 0.2) print "red"
           else if ($3 > 0.6 && $1 < 0.2 && $2 < 0.2) print "blue"
           else if ($1 < 0.05 && $2 < 0.05 && $3 < 0.05) print "black"
           else printf "other(%.2f,%.2f,%.2f)\n", $1, $2, $3 }'
}
l=$(kind 310x230+5+5)
r=$(kind 310x230+325+5)
[[ $l == red && $r == blue ]] || e2e_fail "orig.jpg shows $l | $r; want red (Right, port 1) | blue (Left, port 2)"

e2e_key "$main" x
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE, want 0"
e2e_note "passed"
