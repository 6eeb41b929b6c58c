#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Does nothing when they are all present already.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  unixodbc unixodbc-dev libsqliteodbc odbc-postgresql odbc-mdbtools
  libsqlite3-dev sqlite3 libpugixml-dev libfreexl-dev zlib1g-dev
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  postgresql libpq-dev
  mariadb-server mariadb-client odbc-mariadb
  qt6-base-dev libgl-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
