#!/usr/bin/env bash
# A throw-away CUPS server for the print tests: its configuration, spool, logs and output in
# DIR, reached through the socket DIR/cups.sock only (no network port), with three queues:
#   yjgl-pdf     cups-pdf writing every job as DIR/out/job_{id}-{title}.pdf (the default queue)
#   yjgl-reject  a queue that refuses every job
#   yjgl-paused  a queue that takes jobs but is stopped, so they wait
# cups-pdf reads its settings from a fixed place, so the server runs in a mount namespace of its
# own in which DIR/cups-pdf.conf is laid over that file; the system's CUPS settings are neither
# read nor changed. Needs root (the cups-pdf back end and the mount namespace).
#   cups-test-server.sh start DIR   starts it; prints the value for CUPS_SERVER
#   cups-test-server.sh stop DIR    stops it and removes DIR
set -euo pipefail
action=${1:?start or stop}
dir=${2:?server folder}

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -rf "$dir"
}

case "$action" in
start)
    [ "$(id -u)" -eq 0 ] || { echo "the CUPS test server needs root" >&2; exit 1; }
    [ -x /usr/sbin/cupsd ] && [ -x /usr/lib/cups/backend/cups-pdf ] ||
        { echo "cupsd or cups-pdf not installed (bash scripts/install-deps.sh)" >&2; exit 1; }
    mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,run,log,out,pdf-spool}
    chmod 755 "$dir"
    chmod 1777 "$dir/out" "$dir/spool/tmp"
    cat >"$dir/cupsd.conf" <<CONF
LogLevel warn
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/run
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice No
CONF
    cat >"$dir/cups-pdf.conf" <<CONF
Out $dir/out
AnonDirName $dir/out
Spool $dir/pdf-spool
Log $dir/log
Grp root
Label 1
CONF
    # A job of a user without an account also ends up in DIR/out.
    unshare --mount --propagation private sh -c \
        'mount --bind "$1/cups-pdf.conf" /etc/cups/cups-pdf.conf && exec /usr/sbin/cupsd -f -c "$1/cupsd.conf" -s "$1/cups-files.conf"' \
        sh "$dir" >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid"
    export CUPS_SERVER="$dir/cups.sock"
    running() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }
    for _ in $(seq 100); do running && break; sleep 0.1; done
    running || { cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null; stop; exit 1; }
    ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
    # pdftocairo turns the program's PDF into PostScript for cups-pdf keeping the Chinese text
    # readable (by pdftotext) in what comes out.
    for queue in yjgl-pdf yjgl-reject yjgl-paused; do
        lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o PageSize=A5 \
            -o pdftops-renderer-default=pdftocairo 2>/dev/null
    done
    lpadmin -d yjgl-pdf
    cupsreject -r "refuses every job" yjgl-reject
    cupsdisable -r "stopped for the test" yjgl-paused
    echo "$dir/cups.sock"
    ;;
stop)
    stop
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
