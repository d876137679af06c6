#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the project and runs every test:
#   1. all tests (unit, thread core, framework on Qt's offscreen platform,
#      end-to-end under Xvfb) on the normal build, and the example
#      application built against the framework installed from it;
#   2. unit, thread-core and framework tests under AddressSanitizer + UBSan;
#   3. the fuzz targets, built with clang, for a bounded number of inputs;
#   4. unit, thread-core and framework tests under ThreadSanitizer, Qt
#      included: the framework tests' entry orders calls posted to the GUI
#      thread for TSan, and tests/tsan.supp covers what happens inside the
#      uninstrumented Qt, GLib and GStreamer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh" test
jobs=2

echo "== build and test: normal"
bash "$top/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$top/build" --output-on-failure -j "$jobs"

echo "== the example application against the installed framework"
# Installed into a temp prefix and built as a project of its own, as an
# application outside this tree would be; then driven like the in-tree one.
pkg=$(mktemp -d)
trap 'rm -rf "$pkg"' EXIT
cmake --install "$top/build" --prefix "$pkg/prefix" --component Development >/dev/null
# Each installed header compiles on its own, with nothing but the installed ones.
for h in "$pkg"/prefix/include/rozoru/*.h; do
  echo "#include \"rozoru/${h##*/}\"" | c++ -std=c++20 -fsyntax-only -Wall -Werror -I"$pkg/prefix/include" -x c++ -
done
cmake -S "$top/examples" -B "$pkg/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_PREFIX_PATH="$pkg/prefix" >/dev/null
cmake --build "$pkg/build" -j "$jobs"
bash "$top/tests/e2e/example_draw.sh" "$pkg/build/rozoru-example-draw"

echo "== build and test: AddressSanitizer + UBSan"
bash "$top/scripts/build.sh" build-asan -DCMAKE_BUILD_TYPE=Debug -DROZORU_SANITIZE=address -DROZORU_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-asan" -L 'unit|threadcore|framework' --output-on-failure -j "$jobs"

echo "== fuzz targets (clang, a bounded run)"
cmake -S "$top/tests/fuzz" -B "$top/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$top/build-fuzz" -j "$jobs"
ctest --test-dir "$top/build-fuzz" --output-on-failure

echo "== build and test: ThreadSanitizer"
bash "$top/scripts/build.sh" build-tsan -DCMAKE_BUILD_TYPE=Debug -DROZORU_SANITIZE=thread -DROZORU_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tests/tsan.supp" \
  ctest --test-dir "$top/build-tsan" -L 'unit|threadcore|framework' --output-on-failure -j "$jobs"
