#!/usr/bin/env bash
# Rows per second and peak memory of quarnel and plenkor beside baselines,
# in one go (run by hand; no test runs it):
#   (a) @faker-js/faker writing examples/people.qrp's ten fields to a CSV file
#       (bench/faker/people.mjs, the faker version pinned in bench/faker/);
#   (b) plenkor writing the same definition;
#   (c) quarnel into SQLite beside SQLite's own prepared-insert loop and
#   (d) quarnel's COPY load beside PostgreSQL's COPY from a file, both from
#       throughput_bench, on a private PostgreSQL server started for the run;
# plus plenkor's peak memory at 100,000 and at 10,000,000 rows, and the
# ratios the figures are judged by.
#
#   bench/compare.sh [--rows N]        (default 1,000,000 rows)
#
# It builds in Release into build-compare/ and installs the faker package
# into bench/faker/node_modules/ only; nothing else on the machine changes.
# Needs what ./scripts/install-deps.sh installs, and node with npm for (a).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rows=1000000
while [ $# -gt 0 ]; do
  case "$1" in
    --rows)
      rows=${2:?--rows needs a number}
      shift 2
      ;;
    -h | --help)
      sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "unknown argument: $1 (bench/compare.sh [--rows N])" >&2
      exit 2
      ;;
  esac
done
case "$rows" in
  '' | *[!0-9]*)
    echo "--rows needs a whole number" >&2
    exit 2
    ;;
esac

build="$root/build-compare"
work=$(mktemp -d /tmp/quarnel-compare.XXXXXX)
pg=$(mktemp -u /tmp/quarnel-compare-pg.XXXXXX)
started_pg=0
cleanup() {
  if [ "$started_pg" = 1 ]; then "$root/scripts/pgtest.sh" stop "$pg" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Peak resident memory in KB of a command, written to the file named first;
# GNU time where it is installed, else the kernel's high-water mark read
# while the command runs.
peak() {
  local out=$1
  shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$out" "$@"
    return
  fi
  "$@" &
  local pid=$! hwm=0 value
  while kill -0 "$pid" 2>/dev/null; do
    value=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$value" ] && hwm=$value
    sleep 0.05
  done
  local status=0
  wait "$pid" || status=$?
  echo "$hwm" >"$out"
  return $status
}
now() { date +%s.%N; }
mb() { awk -v kb="$(tail -n1 "$1")" 'BEGIN { printf "%.0f MB", kb / 1024 }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

echo "== Building (Release) in build-compare/"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=OFF -DQUARNEL_BENCH=ON >"$work/cmake.log" 2>&1 ||
  { cat "$work/cmake.log" >&2; exit 1; }
cmake --build "$build" --target throughput_bench plenkor librarydb -j"$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log" >&2; exit 1; }
plenkor="$build/bin/plenkor"
# plenkor keeps its settings and log in folders of the run, not in the home folder.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"

faker_rate=""
if command -v node >/dev/null && command -v npm >/dev/null; then
  echo "== Installing the pinned faker into bench/faker/node_modules"
  (cd "$root/bench/faker" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  echo "== (a) faker, $rows rows"
  peak "$work/faker.mem" node "$root/bench/faker/people.mjs" --rows "$rows" --output "$work/faker.csv" |
    tee "$work/faker.out"
  faker_rate=$(awk '{print $(NF-1)}' "$work/faker.out")
  faker_mem=$(mb "$work/faker.mem")
  rm -f "$work/faker.csv"
else
  echo "== (a) skipped: node and npm are not installed (apt-get install nodejs npm; faker 10 needs node 20.19 or later)"
fi

# plenkor on examples/people.qrp: rows per second and peak memory.
run_plenkor() {
  local n=$1 tag=$2 start end
  start=$(now)
  peak "$work/plenkor-$tag.mem" "$plenkor" -c "$root/examples/people.qrp" --rows "$n" \
    --output "$work/plenkor-$tag.csv" --overwrite >"$work/plenkor-$tag.out" ||
    { echo "plenkor failed: $(cat "$work/plenkor-$tag.out")" >&2; exit 1; }
  end=$(now)
  [ "$(wc -l <"$work/plenkor-$tag.csv")" -eq $((n + 1)) ] || { echo "plenkor wrote a short file" >&2; exit 1; }
  rm -f "$work/plenkor-$tag.csv"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
echo "== (b) plenkor, $rows rows"
plenkor_seconds=$(run_plenkor "$rows" main)
plenkor_rate=$(rate "$rows" "$plenkor_seconds")
plenkor_mem=$(mb "$work/plenkor-main.mem")
echo "plenkor    CSV file $rows rows $plenkor_seconds s $plenkor_rate rows/s"
echo "== plenkor's peak memory at 100,000 and 10,000,000 rows"
run_plenkor 100000 small >/dev/null
run_plenkor 10000000 large >/dev/null
small_mem=$(mb "$work/plenkor-small.mem")
large_mem=$(mb "$work/plenkor-large.mem")

echo "== (c) and (d) throughput_bench, $rows rows, PostgreSQL on a private server"
"$root/scripts/pgtest.sh" start "$pg"
started_pg=1
"$build/bench/throughput_bench" --rows "$rows" --pg "$(cat "$pg/conn")" | tee "$work/bench.out"
"$root/scripts/pgtest.sh" stop "$pg"
started_pg=0

# Rows per second of one line of the bench: "TARGET  WAY ... N rows/s".
bench_rate() { grep -E "^$1 +$2" "$work/bench.out" | awk '{print $(NF-1)}' | head -n1; }
sqlite_batched=$(bench_rate SQLite "statements of 100 rows")
sqlite_single=$(bench_rate SQLite "single-row statements")
sqlite_native=$(bench_rate SQLite "native prepared inserts")
pg_single=$(bench_rate PostgreSQL "single-row statements")
pg_batched=$(bench_rate PostgreSQL "statements of 100 rows")
pg_copy=$(bench_rate PostgreSQL "bulk load")
pg_file=$(bench_rate PostgreSQL "COPY from a file")

echo
echo "Rows per second, $rows rows (peak memory where measured)"
printf '  %-40s %12s  %s\n' "faker (node), CSV file" "${faker_rate:--}" "${faker_mem:-}"
printf '  %-40s %12s  %s\n' "plenkor, CSV file" "$plenkor_rate" "$plenkor_mem"
printf '  %-40s %12s\n' "quarnel into SQLite, single rows" "$sqlite_single"
printf '  %-40s %12s\n' "quarnel into SQLite, 100 rows a call" "$sqlite_batched"
printf '  %-40s %12s\n' "SQLite's own prepared-insert loop" "$sqlite_native"
printf '  %-40s %12s\n' "quarnel into PostgreSQL, single rows" "$pg_single"
printf '  %-40s %12s\n' "quarnel into PostgreSQL, 100 rows" "$pg_batched"
printf '  %-40s %12s\n' "quarnel's COPY load into PostgreSQL" "$pg_copy"
printf '  %-40s %12s\n' "PostgreSQL's COPY from a file" "$pg_file"
echo "Ratios"
printf '  %-40s %8s  (asked: at least 10)\n' "plenkor / faker" "$(ratio "$plenkor_rate" "${faker_rate:-0}")"
printf '  %-40s %8s  (asked: at least 0.8)\n' "quarnel SQLite / SQLite's loop" "$(ratio "$sqlite_batched" "$sqlite_native")"
printf '  %-40s %8s  (asked: at least 0.8)\n' "COPY load / COPY from a file" "$(ratio "$pg_copy" "$pg_file")"
printf '  %-40s %8s  (asked: at least 10)\n' "PostgreSQL batched / single" "$(ratio "$pg_batched" "$pg_single")"
echo "plenkor's peak memory: $small_mem at 100,000 rows, $large_mem at 10,000,000 rows"
