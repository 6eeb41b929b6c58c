#!/usr/bin/env bash
# Starts or stops a throwaway MariaDB server on loopback for the tests.
#   mariadbtest.sh start DIR   creates DIR, a data folder, starts the server, writes DIR/conn (an ODBC string)
#   mariadbtest.sh stop DIR    stops the server and removes DIR
#   mariadbtest.sh halt DIR    stops the server and keeps DIR (a server lost in the middle of a run)
#   mariadbtest.sh resume DIR  starts a halted server again on its port
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?server folder}
for tool in mariadbd mariadb-install-db mariadb; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
    { echo "MariaDB server not found (apt-get install mariadb-server)" >&2; exit 1; }
done
server=$(command -v mariadbd || echo /usr/sbin/mariadbd)
# The server refuses to run as root unless told which user to be.
user=$(id -un)
[ "$(id -u)" = 0 ] && user=mysql

serve() {
  local port=$1
  setsid -f "$server" --no-defaults --datadir="$dir/data" --user="$user" --port="$port" --bind-address=127.0.0.1 \
    --socket="$dir/sock" --pid-file="$dir/server.pid" --log-error="$dir/server.log" --skip-name-resolve \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-buffer-pool-size=64M --innodb-flush-log-at-trx-commit=0 --local-infile=1 \
    --max-connections=60 >/dev/null 2>&1
  for _ in $(seq 1 300); do
    mariadb --no-defaults --socket="$dir/sock" -uroot -e 'select 1' >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$dir/server.log" >&2
  return 1
}

stop_server() {
  [ -f "$dir/server.pid" ] || return 0
  local pid
  pid=$(cat "$dir/server.pid")
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

case "$cmd" in
start)
  stop_server 2>/dev/null || true
  rm -rf "$dir"
  mkdir -p "$dir/data"
  [ "$(id -u)" = 0 ] && chown -R "$user" "$dir"
  # A free port: ask the kernel for one.
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo $((20000 + RANDOM % 20000)))
  mariadb-install-db --no-defaults --datadir="$dir/data" --user="$user" --auth-root-authentication-method=normal \
    --skip-test-db >"$dir/install.log" 2>&1 || { cat "$dir/install.log" >&2; exit 1; }
  serve "$port"
  mariadb --no-defaults --socket="$dir/sock" -uroot -e \
    "create database gendb character set utf8mb4; create user 'gen'@'127.0.0.1' identified by 'genpw';
     grant all on *.* to 'gen'@'127.0.0.1' with grant option;"
  echo "DRIVER={MariaDB Unicode};Server=127.0.0.1;Port=$port;Database=gendb;Uid=gen;Pwd=genpw" > "$dir/conn"
  chmod a+r "$dir/conn"
  echo "MariaDB test server on 127.0.0.1:$port"
  ;;
stop)
  stop_server
  rm -rf "$dir"
  ;;
halt)
  stop_server
  ;;
resume)
  port=$(sed -n 's/.*Port=\([0-9]*\).*/\1/p' "$dir/conn")
  serve "$port"
  ;;
*) echo "usage: $0 start|stop|halt|resume DIR" >&2; exit 2 ;;
esac
