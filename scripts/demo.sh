#!/usr/bin/env bash
# Installs what is needed, builds, creates the SQLite demo database and runs
# quarnel in console mode on it, without any server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$root/examples"
rm -f demo.db
sqlite3 demo.db < demo-schema.sql
"$build/bin/quarnel" -c -@demo-sqlite.qcp demo.qrp
