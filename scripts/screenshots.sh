#!/usr/bin/env bash
# Makes the pictures of the main window for the README (docs/screenshots/):
# builds the picture tool, creates a fresh SQLite demo database, and grabs
# each page after a run of the demo project. Uses Xvfb when it is installed
# (installing it when missing), else Qt's offscreen platform.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$root/build"}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target quarnel_screenshots
if ! command -v xvfb-run >/dev/null; then
  (apt-get install -y xvfb xauth >/dev/null 2>&1 || sudo apt-get install -y xvfb xauth >/dev/null 2>&1) || true
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/examples/{demo.qrp,demo-cities.txt,demo-payment-methods.txt,demo-sqlite.qcp} "$work"/
sqlite3 "$work/demo.db" < "$root/examples/demo-schema.sql"
mkdir -p "$work/home" "$root/docs/screenshots"
export QUARNEL_HOME="$work/home" QUARNEL_SHOTS="$root/docs/screenshots"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
cd "$work"
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/quarnel_screenshots" -@demo-sqlite.qcp demo.qrp
else
  QT_QPA_PLATFORM=offscreen "$build/tests/quarnel_screenshots" -@demo-sqlite.qcp demo.qrp
fi
