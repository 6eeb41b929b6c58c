#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL 15 cluster on loopback for the tests.
#   pgtest.sh start DIR   creates DIR, initdb, starts the server, writes DIR/conn (an ODBC string)
#   pgtest.sh stop DIR    stops the server and removes DIR
#   pgtest.sh halt DIR    stops the server and keeps DIR (a server lost in the middle of a run)
#   pgtest.sh resume DIR  starts a halted server again on its port
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?cluster folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL server binaries not found (apt-get install postgresql)" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$cmd" in
start)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown postgres "$dir"
  # A free port: ask the kernel for one.
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo $((20000 + RANDOM % 20000)))
  as_owner "$bin/initdb" -D "$dir/data" -U gen --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=50" -w start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
  as_owner "$bin/createdb" -h 127.0.0.1 -p "$port" -U gen gendb
  echo "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Database=gendb;Uid=gen;Pwd=genpw" > "$dir/conn"
  chmod a+r "$dir/conn"
  echo "PostgreSQL test server on 127.0.0.1:$port"
  ;;
stop)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
  fi
  rm -rf "$dir"
  ;;
halt)
  as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  ;;
resume)
  port=$(sed -n 's/.*Port=\([0-9]*\).*/\1/p' "$dir/conn")
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=50" -w start >/dev/null
  ;;
*) echo "usage: $0 start|stop|halt|resume DIR" >&2; exit 2 ;;
esac
