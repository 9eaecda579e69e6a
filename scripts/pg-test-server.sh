#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: a cluster in DIR, listening on loopback only,
# run by an unprivileged user (the server refuses to run as root), fsync off.
#   pg-test-server.sh start DIR    creates and starts it; prints its connection string
#   pg-test-server.sh restart DIR  stops and starts it again (the sessions are cut)
#   pg-test-server.sh stop DIR     stops it (or the pair) and removes DIR
# A primary with a synchronous standby, for the failover tests: streaming replication,
# synchronous_commit=on and fsync=on (none of the single server's speed settings).
#   pg-test-server.sh start-pair DIR  creates both; prints the connection string naming both
#   pg-test-server.sh failover DIR    stops the primary at once (-m immediate) and promotes the
#                                     standby, which then commits without waiting for a standby
#   pg-test-server.sh rejoin DIR      brings the old primary back as standby of the new one
#                                     (pg_rewind, else a new base backup); once it streams, the
#                                     primary commits synchronously again
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

# The pair: DIR/node1 and DIR/node2, each with its data and port; DIR/primary names the primary.
node_ctl() {
    local node=$1
    shift
    as_owner "$bin/pg_ctl" -D "$dir/$node/data" -l "$dir/$node/server.log" -w -t 60 \
        -o "-p $(cat "$dir/$node/port")" "$@" >/dev/null
}

node_sql() {
    as_owner "$bin/psql" -X -q -t -A -h "$dir" -p "$(cat "$dir/$1/port")" -U yjgl -d postgres -c "$2"
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

other_node() {
    if [ "$1" = node1 ]; then echo node2; else echo node1; fi
}

# The standby's settings naming its primary (over the local socket) and the file that makes it one.
follow() {
    local node=$1 primary=$2
    printf "primary_conninfo = 'host=%s port=%s user=yjgl application_name=%s'\n" \
        "$dir" "$(cat "$dir/$primary/port")" "$node" >>"$dir/$node/data/postgresql.auto.conf"
    touch "$dir/$node/data/standby.signal"
}

# Waits until the primary's synchronous standby streams, then commits wait for it again.
synchronous_again() {
    local primary=$1 tries=0
    until [ "$(node_sql "$primary" "SELECT count(*) FROM pg_stat_replication WHERE state = 'streaming'")" = 1 ]; do
        tries=$((tries + 1))
        [ $tries -lt 600 ] || { echo "the standby does not stream" >&2; exit 1; }
        sleep 0.1
    done
    node_sql "$primary" "ALTER SYSTEM SET synchronous_standby_names = '*'" >/dev/null
    node_sql "$primary" "SELECT pg_reload_conf()" >/dev/null
}

base_backup() {
    local node=$1 primary=$2
    rm -rf "$dir/$node/data"
    as_owner "$bin/pg_basebackup" -h "$dir" -p "$(cat "$dir/$primary/port")" -U yjgl -D "$dir/$node/data" \
        -X stream -c fast
    follow "$node" "$primary"
}

case "$action" in
start-pair)
    mkdir -p "$dir/node1" "$dir/node2"
    password=yjgl-test
    echo "$password" >"$dir/pw"
    free_port >"$dir/node1/port"
    free_port >"$dir/node2/port"
    if [ "$(id -u)" -eq 0 ]; then chown -R postgres "$dir"; chmod 700 "$dir"; fi
    as_owner "$bin/initdb" -D "$dir/node1/data" -U yjgl --pwfile="$dir/pw" -E UTF8 --locale=C.UTF-8 --no-sync \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
    as_owner tee -a "$dir/node1/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir'
max_connections = 60
fsync = on
synchronous_commit = on
full_page_writes = on
wal_level = replica
wal_log_hints = on
max_wal_senders = 10
wal_keep_size = '512MB'
hot_standby = on
CONF
    node_ctl node1 start
    echo node1 >"$dir/primary"
    base_backup node2 node1
    node_ctl node2 start
    synchronous_again node1
    echo "Provider=PostgreSQL;Data Source=127.0.0.1:$(cat "$dir/node1/port"),127.0.0.1:$(cat "$dir/node2/port");Initial Catalog=postgres;User ID=yjgl;Password=$password;"
    ;;
failover)
    old=$(cat "$dir/primary")
    new=$(other_node "$old")
    as_owner "$bin/pg_ctl" -D "$dir/$old/data" -m immediate -w stop >/dev/null
    # The new primary has no standby until the old one rejoins: its commits must not wait.
    as_owner sed -i '/^synchronous_standby_names/d' "$dir/$new/data/postgresql.auto.conf"
    node_ctl "$new" reload
    node_ctl "$new" promote
    echo "$new" >"$dir/primary"
    ;;
rejoin)
    primary=$(cat "$dir/primary")
    node=$(other_node "$primary")
    # What the old primary wrote after the last synchronous commit was never confirmed to a
    # workstation; rewinding it takes it back to where the new primary went on. The new
    # primary's control file names its new timeline only after a checkpoint.
    node_sql "$primary" "CHECKPOINT" >/dev/null
    if ! as_owner "$bin/pg_rewind" -D "$dir/$node/data" \
        --source-server="host=$dir port=$(cat "$dir/$primary/port") user=yjgl dbname=postgres" \
        >>"$dir/$node/rewind.log" 2>&1; then
        base_backup "$node" "$primary"
    else
        follow "$node" "$primary"
    fi
    node_ctl "$node" start
    synchronous_again "$primary"
    ;;
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
    for node in node1 node2; do
        if [ -f "$dir/$node/port" ] && [ -d "$dir/$node/data" ]; then node_ctl "$node" -m immediate stop || true; fi
    done
    rm -rf "$dir"
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
