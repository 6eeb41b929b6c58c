#!/usr/bin/env bash
# Makes the screenshots of plenkor's window shown in the README: the window
# test that builds a ten-field file from the menu saves the window at each
# step (Qt's offscreen platform, no display needed).
#   scripts/plenkor-screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-screenshots}
out="$root/docs/screenshots"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target plenkorwindow_tests
mkdir -p "$out"
# A run long enough for the progress to show.
QT_QPA_PLATFORM=offscreen PLENKOR_SCREENSHOTS="$out" PLENKOR_WINDOW_ROWS=${PLENKOR_WINDOW_ROWS:-300000} \
  "$build/tests/plenkorwindow_tests" tenFieldsFromTheMenuPreviewedAndWritten
ls -l "$out"/plenkor-*.png
