#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: a cluster in DIR, listening on loopback only,
# run by an unprivileged user (the server refuses to run as root), fsync off.
#   pg-test-server.sh start DIR    creates and starts it; prints its connection string
#   pg-test-server.sh restart DIR  stops and starts it again (the sessions are cut)
#   pg-test-server.sh stop DIR     stops it and removes DIR
set -euo pipefail
action=${1:?start, restart or stop}
dir=${2:?cluster folder}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] && command -v pg_ctl >/dev/null; then bin=$(dirname "$(command -v pg_ctl)"); fi
[ -x "$bin/pg_ctl" ] || { echo "PostgreSQL server programs not found" >&2; exit 1; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

ctl() {
    local port
    port=$(cat "$dir/port")
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=60" \
        "$@" >/dev/null
}

case "$action" in
start)
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$dir"; chmod 700 "$dir"; fi
    password=yjgl-test
    echo "$password" >"$dir/pw"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$dir/pw"; fi
    as_owner "$bin/initdb" -D "$dir/data" -U yjgl --pwfile="$dir/pw" -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/port"
    ctl start
    echo "Provider=PostgreSQL;Data Source=127.0.0.1:$(cat "$dir/port");Initial Catalog=postgres;User ID=yjgl;Password=$password;"
    ;;
restart)
    ctl -m fast restart
    ;;
stop)
    if [ -f "$dir/port" ] && [ -d "$dir/data" ]; then ctl -m fast stop || true; fi
    rm -rf "$dir"
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
