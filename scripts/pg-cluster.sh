#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for tests and benchmarks: initdb in a temporary directory, the
# server listening on a Unix socket in that directory only, under a free port number, run by an
# unprivileged user (the server refuses to run as root; as root the cluster belongs to `nobody`).
# Durability is traded for speed (fsync off): it holds nothing worth keeping.
#
#   scripts/pg-cluster.sh start        starts a cluster and prints its URI on stdout:
#                                      postgresql:///postgres?host=DIR&port=PORT&user=tessaline
#   scripts/pg-cluster.sh stop URI     stops the cluster of that URI (or DIR) and removes DIR
set -euo pipefail

bindir() {
  local d
  d=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -x "$d/initdb" ] || { echo "pg-cluster: no PostgreSQL server found (apt-get install postgresql-15)" >&2; exit 1; }
  echo "$d"
}

# Runs a command as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

# A port number no TCP listener of this machine uses (the socket file's name carries it).
free_port() {
  local p
  for _ in $(seq 1 50); do
    p=$((20000 + RANDOM % 30000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  echo "pg-cluster: no free port found" >&2
  exit 1
}

start() {
  local bin dir port
  bin=$(bindir)
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaline-pg.XXXXXX")
  chmod 700 "$dir"
  [ "$(id -u)" -ne 0 ] || chown nobody: "$dir"
  port=$(free_port)
  if ! as_owner "$bin/initdb" -D "$dir/data" -U tessaline --auth=trust --encoding=UTF8 --locale=C -N \
      >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-k $dir -p $port -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
      start >/dev/null; then
    cat "$dir/server.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  echo "postgresql:///postgres?host=$dir&port=$port&user=tessaline"
}

stop() {
  local where=${1:?"usage: pg-cluster.sh stop URI|DIR"} dir
  dir=${where#*host=}
  dir=${dir%%&*}
  case "$dir" in
    */tessaline-pg.*) ;;
    *) echo "pg-cluster: $where is not a cluster this script started" >&2; exit 1 ;;
  esac
  [ -d "$dir/data" ] && as_owner "$(bindir)/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *) echo "usage: pg-cluster.sh start | stop URI" >&2; exit 2 ;;
esac
