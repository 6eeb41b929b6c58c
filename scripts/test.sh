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

# Coverage-guided fuzzing of every parser users feed, under the sanitizers:
# 30 s per target, two at a time, each on a fresh corpus grown from its seeds.
# A crash, leak, sanitizer report, time-out or memory blow-up fails the run;
# the input that did it is kept in build-fuzz/artifacts.
fuzz="$root/build-fuzz"
targets=(pattern project expression datetime regex cmdline)
cmake -S "$root" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQUARNEL_FUZZ=ON -DQUARNEL_TESTS=OFF >/dev/null
cmake --build "$fuzz" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
mkdir -p "$fuzz/artifacts"
fuzz_one() {
  local name=$1 max_len=4096
  [[ $name == project ]] && max_len=32768  # the example projects are up to 25 kB
  mkdir -p "$corpus/$name"
  "$fuzz/tests/fuzz/${name}_fuzz" -max_total_time=30 -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$fuzz/artifacts/$name-" "$corpus/$name" \
    "$root/tests/fuzz/seeds/$name" >"$corpus/$name.log" 2>&1
}
failed=()
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for name in "${targets[@]:i:2}"; do
    fuzz_one "$name" &
    pids+=("$!")
  done
  for j in "${!pids[@]}"; do
    name=${targets[i + j]}
    if wait "${pids[j]}"; then
      echo "fuzz $name: $(grep -h '^Done' "$corpus/$name.log")"
    else
      failed+=("$name")
      echo "fuzz $name failed:"
      tail -n 40 "$corpus/$name.log"
    fi
  done
done
if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $fuzz/artifacts)" >&2
  exit 1
fi
