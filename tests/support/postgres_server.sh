#!/usr/bin/env bash
# A private PostgreSQL server for the tests: `start STATE_DIR` makes a cluster in a temporary
# folder, starts it on a free local port and writes the ODBC connection string to
# STATE_DIR/connection; `stop STATE_DIR` stops it and removes the cluster. The server never runs
# as root (CI does): as root the cluster belongs to `nobody`.
#
# STATE_DIR also holds a private odbcinst.ini: run the tests with ODBCSYSINI=STATE_DIR.
#
# Where PostgreSQL is not installed, `start` writes why to STATE_DIR/unavailable and succeeds, so
# the tests that need the server skip with that reason. A server that is installed but does not
# start fails `start`: that is a fault, not a reason to skip.
set -euo pipefail

command="${1:?usage: postgres_server.sh start|stop STATE_DIR}"
state="${2:?usage: postgres_server.sh start|stop STATE_DIR}"
password="tavlora-test-password"

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- "$@"
  else
    "$@"
  fi
}

pg_bin() {
  if [ -n "${TAVLORA_PG_BIN:-}" ]; then echo "$TAVLORA_PG_BIN"; return; fi
  ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1
}

odbc_driver() {
  for dir in /usr/lib/x86_64-linux-gnu/odbc /usr/lib/"$(uname -m)"-linux-gnu/odbc /usr/lib/odbc /usr/lib64 /usr/local/lib; do
    if [ -f "$dir/psqlodbcw.so" ]; then echo "$dir/psqlodbcw.so"; return; fi
  done
}

stop_server() {
  [ -f "$state/cluster" ] || return 0
  local cluster
  cluster="$(cat "$state/cluster")"
  if [ -d "$cluster/data" ]; then
    as_owner "$(pg_bin)/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$cluster"
  rm -f "$state/cluster" "$state/connection"
}

unavailable() {
  echo "$1" > "$state/unavailable"
  echo "postgres_server.sh: $1" >&2
  exit 0
}

start_server() {
  stop_server  # a server left by an earlier run that was killed
  rm -rf "$state"
  mkdir -p "$state"
  local bin driver cluster
  bin="$(pg_bin)"
  [ -n "$bin" ] && [ -x "$bin/initdb" ] || unavailable "PostgreSQL is not installed (scripts/install-deps installs it)"
  driver="$(odbc_driver)"
  [ -n "$driver" ] || unavailable "the PostgreSQL ODBC driver psqlodbcw.so is not installed (package odbc-postgresql)"

  cluster="$(mktemp -d /tmp/tavlora-pg.XXXXXX)"
  echo "$cluster" > "$state/cluster"
  trap 'stop_server' ERR
  chmod 755 "$cluster"
  printf '%s\n' "$password" > "$cluster/pwfile"
  if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$cluster"; fi
  as_owner "$bin/initdb" -D "$cluster/data" -U tavlora --pwfile="$cluster/pwfile" --auth=scram-sha-256 \
    --encoding=UTF8 --locale=C --no-sync >"$cluster/initdb.log" 2>&1 || {
      cat "$cluster/initdb.log" >&2; false; }

  local port started=""
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$(( 20000 + (RANDOM % 20000) ))
    if as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
        -o "-p $port -k $cluster -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null 2>&1; then
      started=yes
      break
    fi
  done
  if [ -z "$started" ]; then
    cat "$cluster/server.log" >&2 || true
    echo "postgres_server.sh: the server did not start" >&2
    false
  fi
  trap - ERR
  # The tests name the driver by its file; this private registration (ODBCSYSINI) only keeps
  # the system's driver settings, which may switch on a log file per process, out of the tests.
  printf '[PostgreSQL Unicode]\nDriver=%s\nCommLog=0\nDebug=0\n' "$driver" > "$state/odbcinst.ini"
  : > "$state/odbc.ini"
  # BoolsAsChar=0: booleans arrive as booleans, not as the text '1'/'0'.
  echo "Driver=$driver;Server=127.0.0.1;Port=$port;Database=postgres;Uid=tavlora;Pwd=$password;BoolsAsChar=0" \
    > "$state/connection"
  echo "postgres_server.sh: PostgreSQL on port $port, cluster $cluster"
}

case "$command" in
  start) start_server ;;
  stop) stop_server ;;
  *) echo "usage: postgres_server.sh start|stop STATE_DIR" >&2; exit 2 ;;
esac
