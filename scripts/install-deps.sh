#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs.
# Usage: install-deps.sh run    what building and running the programs needs
#        install-deps.sh test   that, and what the tests and benchmarks need
#                               (the default when no set is named)
# Safe to run again: apt-get skips what is already installed, and the package
# lists are refreshed only when a package is actually missing.
set -euo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libgif-dev
  fonts-dejavu-core fonts-ipafont-gothic
)
test_packages=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libopencv-core-dev libopencv-imgproc-dev
  gstreamer1.0-tools
  xvfb xauth xdotool x11-utils imagemagick xclip
  clang libclang-rt-14-dev
)

case ${1:-test} in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: install-deps.sh [run|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages: ${missing[*]} (run as root)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
