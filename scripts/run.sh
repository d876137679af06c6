#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the project and starts the stereo program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display to show the program on (DISPLAY is not set)." >&2
  echo "run: start it from a desktop session, or try it headless: xvfb-run -a $top/build/src/rozoru-stereo" >&2
  exit 1
fi
exec "$top/build/src/rozoru-stereo"
