#!/usr/bin/env bash
# Sets up a Debian 12 machine with what running needs, builds the two
# programs and starts the stereo program when the machine has a camera, or
# the stereo demo (the same program on two synthetic cameras) when it has
# none. Captures are saved in $ROZORU_CAPTURES, by default the folder
# "captures" at the top of the repository.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh" run
cmake -S "$top" -B "$top/build-run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROZORU_TESTS=OFF -DROZORU_BENCH=OFF \
  >/dev/null
cmake --build "$top/build-run" -j "$(nproc)" --target rozoru-stereo rozoru-stereo-demo

# The first node that captures video. A camera also has nodes for metadata,
# which capture nothing; udev notes each node's V4L2 capabilities.
capture_node() {
  local sys node caps
  for sys in /sys/class/video4linux/video*; do
    [[ -e $sys ]] || continue
    node=/dev/${sys##*/}
    caps=$(udevadm info --query=property --name="$node" 2>/dev/null | sed -n 's/^ID_V4L_CAPABILITIES=//p') || true
    if [[ -z $caps && -r $sys/dev ]]; then
      caps=$(sed -n 's/^E:ID_V4L_CAPABILITIES=//p' "/run/udev/data/c$(cat "$sys/dev")" 2>/dev/null) || true
    fi
    # Without udev's notes, a camera's capture node is its first (index 0).
    if [[ -z $caps && $(cat "$sys/index" 2>/dev/null) == 0 ]]; then
      caps=:capture:
    fi
    if [[ $caps == *:capture:* ]]; then
      echo "$node"
      return 0
    fi
  done
  return 1
}

if node=$(capture_node); then
  program=rozoru-stereo
  what="the stereo program (a camera was found at $node)"
else
  program=rozoru-stereo-demo
  what="the stereo demo on two synthetic cameras (no camera that captures video was found)"
fi
captures=${ROZORU_CAPTURES:-$top/captures}
exe=$top/build-run/src/$program

if [ -z "${DISPLAY:-}" ]; then
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: would start $what, but this Wayland session has no XWayland (DISPLAY is not set);" >&2
    echo "run: the program places and snaps its windows through X11. Enable XWayland and try again." >&2
  else
    echo "run: would start $what, but there is no display to show it on (DISPLAY is not set)." >&2
    echo "run: start it from a desktop session, or try it headless: xvfb-run -a $exe --captures $captures" >&2
  fi
  exit 1
fi
# On Wayland through XWayland: window placement and snapping need X11.
export QT_QPA_PLATFORM=xcb
echo "run: starting $what; captures are saved in $captures"
exec "$exe" --captures "$captures"
