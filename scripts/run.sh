#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the project and starts the stereo
# program when the machine has a camera, or the stereo demo (the same program
# on two synthetic cameras) when it has none. Captures are saved in
# $ROZORU_CAPTURES, by default the folder "captures" at the top of the repository.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if compgen -G '/sys/class/video4linux/video*' >/dev/null; then
  program=rozoru-stereo
  what="the stereo program (a camera was found)"
else
  program=rozoru-stereo-demo
  what="the stereo demo on two synthetic cameras (no camera was found)"
fi
captures=${ROZORU_CAPTURES:-$top/captures}
mkdir -p "$captures"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: would start $what, but there is no display to show it on (DISPLAY is not set)." >&2
  echo "run: start it from a desktop session, or try it headless: (cd $captures && xvfb-run -a $top/build/src/$program)" >&2
  exit 1
fi
echo "run: starting $what; captures are saved in $captures"
cd "$captures"
exec "$top/build/src/$program"
