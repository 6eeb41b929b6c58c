#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test (the database tests against SQLite and a PostgreSQL server
# that the test run starts on loopback and stops again).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-asan"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUARNEL_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 120

# A minute of coverage-guided fuzzing of the pattern engine under the sanitizers.
fuzz="$root/build-fuzz"
cmake -S "$root" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQUARNEL_FUZZ=ON -DQUARNEL_TESTS=OFF >/dev/null
cmake --build "$fuzz" -j"$(nproc)" --target pattern_fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
"$fuzz/tests/fuzz/pattern_fuzz" -max_total_time=60 -max_len=4096 -timeout=10 -print_final_stats=1 "$corpus" \
  "$root/tests/fuzz/seeds"
