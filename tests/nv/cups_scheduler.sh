#!/usr/bin/env bash
# A CUPS scheduler of the tests' own, in DIR: its own configuration, every folder under DIR, a
# domain socket DIR/cups.sock and nothing on the network. Needs root (cupsd then runs jobs as lp).
#   cups_scheduler.sh start DIR   starts it and waits until it answers (prints the socket)
#   cups_scheduler.sh stop DIR    ends it and waits until it is gone
set -uo pipefail
what=${1:?start or stop} dir=${2:?folder}
dir=$(cd "$dir" && pwd) || exit 1
sock=$dir/cups.sock

wait_gone() { # pid, tenths of a second
    local i
    for ((i = 0; i < $2; i++)); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}

stop() {
    [ -s "$dir/cupsd.pid" ] || return 0
    local pid
    pid=$(cat "$dir/cupsd.pid")
    kill -TERM "$pid" 2>/dev/null
    wait_gone "$pid" 100 || { kill -KILL "$pid" 2>/dev/null; wait_gone "$pid" 50; }
    rm -f "$dir/cupsd.pid"
}

start() {
    mkdir -p "$dir"/{root,spool,cache,state,tmp,log}
    chmod 0755 "$dir"
    chown lp:lp "$dir"/{spool,cache,state,tmp,log}
    chmod 0710 "$dir/spool"
    cat >"$dir/root/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$dir/root/cups-files.conf" <<CONF
ServerRoot $dir/root
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
User lp
Group lp
Sandboxing Relaxed
CONF
    local conf=(-c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf")
    /usr/sbin/cupsd -t "${conf[@]}" >"$dir/log/check" 2>&1 || { cat "$dir/log/check" >&2; return 1; }
    /usr/sbin/cupsd -f "${conf[@]}" </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid"
    local i
    for ((i = 0; i < 150; i++)); do
        if CUPS_SERVER=$sock lpstat -r 2>/dev/null | grep -q 'is running'; then
            echo "$sock"
            return 0
        fi
        kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "the test scheduler did not answer within 15 s:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null
    stop
    return 1
}

case $what in
start) start ;;
stop) stop ;;
*) echo "start or stop, not $what" >&2; exit 2 ;;
esac
