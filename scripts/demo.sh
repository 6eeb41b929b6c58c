#!/usr/bin/env bash
# Installs what is needed, builds, creates a fresh SQLite demo database, fills
# it by running the demo project in console mode (no server needed) and shows
# how many rows each table received.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$root/examples"
rm -f demo.db demo-masked.db
sqlite3 demo.db < demo-schema.sql
status=0
"$build/bin/quarnel" -c -@demo-sqlite.qcp demo.qrp || status=$?
echo
echo "Rows per table in examples/demo.db:"
for table in categories customers products orders order_lines payments; do
  printf '  %-12s %s\n' "$table" "$(sqlite3 demo.db "select count(*) from $table")"
done
echo "quarnel exit status: $status (0 all done, 1 rows rejected or a rule failed, 2 not run)"
[ "$status" -le 1 ] || exit "$status"

# The second project: tables by template, objects, update, scramble and clear
# on the rows the first one made.
echo
rules=0
"$build/bin/quarnel" -c -@demo-sqlite.qcp demo-rules.qrp || rules=$?
echo
echo "After examples/demo-rules.qrp:"
printf '  %-40s %s\n' "customers with a new e-mail (id <= 50)" \
  "$(sqlite3 demo.db "select count(*) from customers where customer_id <= 50 and email like '%@example.%'")"
printf '  %-40s %s\n' "cities in view demo_customer_cities" "$(sqlite3 demo.db "select count(*) from demo_customer_cities")"
printf '  %-40s %s\n' "rows in demo_archive (cleared)" "$(sqlite3 demo.db "select count(*) from demo_archive")"
printf '  %-40s %s\n' "customers_masked in demo-masked.db" "$(sqlite3 demo-masked.db "select count(*) from customers_masked")"
echo "quarnel exit status: $rules"
[ "$status" -le 1 ] && [ "$rules" -le 1 ]
