#!/usr/bin/env bash
# The programs' command line: --help, --version and a wrong option answer
# without a display, and so does a bad $ROZORU_CAMERAS; --captures makes the folder and the captures go there,
# whatever the current folder; --cameras picks and orders the cameras; stderr
# tells the instance, the cameras chosen with their ports and each capture's path
# with its pair skew, which the JPEG carries as its comment.
# Usage: command_line.sh <rozoru-stereo-demo> <rozoru-stereo> <version>
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
DEMO=${1:?usage: $0 rozoru-stereo-demo rozoru-stereo version}
STEREO=${2:?usage: $0 rozoru-stereo-demo rozoru-stereo version}
VERSION=${3:?usage: $0 rozoru-stereo-demo rozoru-stereo version}
e2e_require_binary "$DEMO"
e2e_require_binary "$STEREO"

# No display at all: these never reach Qt.
for app in "$DEMO" "$STEREO"; do
  name=$(basename "$app")
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$app" --help) || e2e_fail "$name --help exited with $?"
  [[ $out == "Usage: $name [--captures DIR] [--cameras A,B] [Qt options]"* ]] || e2e_fail "$name --help says: $out"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$app" --version) || e2e_fail "$name --version exited with $?"
  [[ $out == "$name $VERSION" ]] || e2e_fail "$name --version says '$out', want '$name $VERSION'"
  env -u DISPLAY -u WAYLAND_DISPLAY "$app" --captures "$E2E_TMP/x" --bogus >"$E2E_TMP/bad.out" 2>"$E2E_TMP/bad.err"
  code=$?
  ((code == 2)) || e2e_fail "$name --bogus exited with $code, want 2"
  [[ ! -s $E2E_TMP/bad.out && ! -e $E2E_TMP/x ]] || e2e_fail "$name --bogus wrote to stdout or made the captures folder"
  head -n 1 "$E2E_TMP/bad.err" | grep -qxF "$name: unknown option '--bogus'" ||
    e2e_fail "$name --bogus: $(cat "$E2E_TMP/bad.err")"
  grep -q "^Usage: $name " "$E2E_TMP/bad.err" || e2e_fail "$name --bogus shows no usage on stderr"
  ROZORU_CAMERAS=A, env -u DISPLAY -u WAYLAND_DISPLAY "$app" 2>"$E2E_TMP/env.err"
  code=$?
  ((code == 2)) && grep -qF "$name: ROZORU_CAMERAS needs camera names" "$E2E_TMP/env.err" ||
    e2e_fail "$name with ROZORU_CAMERAS=A, exited with $code: $(head -n 1 "$E2E_TMP/env.err")"
done
e2e_note "--help, --version and --bogus answer without a display"

e2e_start_xvfb
shots=$E2E_TMP/new/shots
cd /
export ROZORU_CAPTURES=$E2E_TMP/not-here # the option wins
e2e_start demo "" "$DEMO" -platform xcb --captures "$shots" --cameras "synthetic camera 1,usb-synthetic-1"
pid=$APP_PID
e2e_wait_window "$pid" '^ROZORU$'
main=$WIN
e2e_wait_window "$pid" '^ButtonBox$'
e2e_key "$main" space
e2e_until 15000 grep -q '^rozoru-stereo-demo: capture saved: ' "$E2E_TMP/demo.out" ||
  e2e_fail "no capture logged on stderr within 15 s"
line=$(sed -n 's/^rozoru-stereo-demo: capture saved: //p' "$E2E_TMP/demo.out")
saved=${line% (pair-skew-ms=*)}
[[ $saved == "$shots"/[0-9]*/[0-9]* && -s $saved/orig.jpg ]] || e2e_fail "capture logged as '$line', not in $shots"
# The pair's skew on that line is the picture's comment, which a reader sees.
comment=$(identify -format '%c' "$saved/orig.jpg") || e2e_fail "orig.jpg does not decode"
[[ $line == "$saved ($comment)" && $comment =~ ^pair-skew-ms=[0-9]+\.[0-9]$ ]] ||
  e2e_fail "stderr says '$line', the JPEG's comment is '$comment'"
[[ ! -e $ROZORU_CAPTURES ]] || e2e_fail "\$ROZORU_CAPTURES was used although --captures was given"
for line in "instance 0; captures and logs go to $shots" "camera 0: Synthetic Camera 1 " \
  "cameras chosen: camera 0 = Synthetic Camera 1 at usb-synthetic-2; camera 1 = Synthetic Camera 0 at usb-synthetic-1"; do
  grep -qF "rozoru-stereo-demo: $line" "$E2E_TMP/demo.out" || e2e_fail "stderr lacks '$line'"
done
e2e_key "$main" x
e2e_wait_exit "$pid"
((EXIT_CODE == 0)) || e2e_fail "exit code $EXIT_CODE, want 0"
e2e_note "passed"
