#!/usr/bin/env bash
# A COM port of the project's Wine prefix for a printer Wine cannot reach by itself: a USB printer
# class device (/dev/usb/lp0) or a network printer that takes raw bytes (tcp:HOST:9100).
#   scripts/bridge.sh TARGET [--com N]      TARGET: a character device path or tcp:HOST:PORT,
#                                            HOST a name, an IPv4 address or [IPv6], PORT 1-65535
# socat forwards both ways between a pty and the target. The pty has a stable name,
# build/bridge/comN, and that name is what COMn is registered as: Wine opens it at each Port
# Open. Runs until Ctrl-C or SIGTERM, or until the printer goes away; the registration is removed
# whenever it ends. Exit status: 0 ended by a signal, 1 refused or failed to start, 2 bad command
# line, 3 the printer went away.
# QUILLET_BRIDGE_PREFIX names another Wine prefix (the tests' own).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${QUILLET_BRIDGE_PREFIX:-$root/build/wineprefix}
. "$root/scripts/wine-env.sh"

usage_line="usage: scripts/bridge.sh TARGET [--com N]   (TARGET: /dev/usb/lp0, tcp:HOST:PORT, ...)"
usage() {
    echo "$usage_line" >&2
    exit 2
}
target=
com=8
while [ $# -gt 0 ]; do
    case $1 in
    --com)
        [ $# -ge 2 ] || usage
        com=$2
        shift 2
        ;;
    -h | --help)
        echo "$usage_line"
        exit 0
        ;;
    -*) usage ;;
    *)
        [ -z "$target" ] || usage
        target=$1
        shift
        ;;
    esac
done
[ -n "$target" ] || usage
# A name is shown in messages and resolved by $(...), which drops trailing newlines: a name with
# a control character could name one device and bridge another.
if [[ $target == *[[:cntrl:]]* ]]; then
    echo "bridge: the printer's name $(printf '%q' "$target") holds a control character; give its plain path" >&2
    exit 2
fi
if [[ $target == [Tt][Cc][Pp]:* && $target != tcp:* ]]; then
    echo "bridge: a network printer is written tcp:HOST:PORT, in small letters; not '$target'" >&2
    exit 2
fi
if ! [[ $com =~ ^[1-9][0-9]?$|^[12][0-9][0-9]$ ]] || [ "$com" -gt 255 ]; then
    echo "bridge: --com takes a port number from 1 to 255, not '$com'" >&2
    exit 2
fi
for tool in socat python3; do
    command -v "$tool" >/dev/null || {
        echo "bridge: $tool is not installed (make setup installs it)" >&2
        exit 1
    }
done

# A path as one socat address parameter: every character socat could read as syntax escaped.
socat_quote() {
    local text=$1 out= i c
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        case $c in
        [A-Za-z0-9/._+-]) out+=$c ;;
        *) out+="\\$c" ;;
        esac
    done
    printf '%s' "$out"
}

port=COM$com
dir=$root/build/bridge
link=$dir/com$com
log=$dir/com$com.log

socat_pid=
registered=0
owner=0
unregister() {
    [ "$registered" -eq 1 ] || return 0
    # No wineserver restart here: it would end a running Quillet, which is to see its writes
    # fail instead. Wine drops the port from its list at its next start.
    "$WINE" reg delete 'HKLM\Software\Wine\Ports' /v "$port" /f >/dev/null 2>&1 {lock}>&-
    registered=0
}
cleanup() {
    if [ -n "$socat_pid" ]; then
        kill "$socat_pid" 2>/dev/null
        wait "$socat_pid" 2>/dev/null
    fi
    unregister
    [ "$owner" -eq 0 ] || rm -f "$dir/com$com.owner"
    return 0
}
trap cleanup EXIT
trap 'exit 0' INT TERM HUP

# The far side as a socat address. A tty target is set raw so that no byte is changed on the way.
case $target in
tcp:*)
    hostport=${target#tcp:}
    host=${hostport%:*}
    tcp_port=${hostport##*:}
    ipv4='^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$'
    name='^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*$'
    good_host=0
    if [[ $host =~ $ipv4 ]]; then
        good_host=1
        for part in "${BASH_REMATCH[@]:1}"; do [ "$((10#$part))" -le 255 ] || good_host=0; done
    elif [[ $host =~ ^\[[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*\]$ ]]; then
        # The brackets may hold only a real IPv6 address: socat reads anything else its own way.
        python3 -c 'import ipaddress, sys; ipaddress.IPv6Address(sys.argv[1])' "${host:1:-1}" \
            2>/dev/null && good_host=1
    elif [[ $host =~ $name ]] && ! [[ $host =~ ^[0-9.]+$ ]]; then
        good_host=1
    fi
    if [ "$host" = "$hostport" ] || [ "$good_host" -eq 0 ] || ! [[ $tcp_port =~ ^[0-9]{1,5}$ ]] ||
        [ "$((10#$tcp_port))" -lt 1 ] || [ "$((10#$tcp_port))" -gt 65535 ]; then
        echo "bridge: a network printer is tcp:HOST:PORT (e.g. tcp:192.0.2.10:9100), HOST a name, an IPv4 address or [IPv6], PORT 1 to 65535; not '$target'" >&2
        exit 2
    fi
    tcp_port=$((10#$tcp_port))
    # A small send buffer keeps what a vanished printer can take with it small.
    far="TCP:$host:$tcp_port,connect-timeout=10,sndbuf=8192,nodelay"
    ;;
*)
    if [ ! -e "$target" ]; then
        echo "bridge: there is no $target (is the printer plugged in and switched on?)" >&2
        exit 1
    fi
    # The x keeps a trailing newline of the resolved path, which $(...) would drop.
    device=$(readlink -f -- "$target" && echo x)
    device=${device%$'\n'x}
    if [[ $device == *[[:cntrl:]]* ]]; then
        echo "bridge: $target leads to $(printf '%q' "$device"), a path holding a control character; give a path without one" >&2
        exit 1
    fi
    if [ ! -c "$device" ]; then
        echo "bridge: $target is not a device (a printer is a character device such as /dev/usb/lp0)" >&2
        exit 1
    fi
    points_at=
    [ "$device" = "$target" ] || points_at=" ($target is $device)"
    # socat takes the path inside its own address syntax.
    if [[ $device =~ [^A-Za-z0-9/._+-] ]]; then
        bad=$(sed 's/[A-Za-z0-9/._+-]//g' <<<"$device")
        echo "bridge: the device path $device holds '${bad:0:1}', which socat reads as part of its address syntax$points_at; give a path without it" >&2
        exit 1
    fi
    [ -z "$points_at" ] || echo "bridge: $target is $device" >&2
    kind=$(python3 - "$device" 2>&1 <<'EOF'
import os, sys
try:
    fd = os.open(sys.argv[1], os.O_WRONLY | os.O_NOCTTY | os.O_NONBLOCK)
except OSError as e:
    print("error:" + e.strerror)
    sys.exit(1)
print("tty" if os.isatty(fd) else "plain")
EOF
    )
    case $kind in
    error:*)
        echo "bridge: cannot open $target for writing: ${kind#error:}" >&2
        if [[ $target == /dev/usb/lp* || $target == */usb/lp[0-9]* || $device == /dev/usb/lp* ]]; then
            group=$(stat -c %G "$device" 2>/dev/null)
            [ -n "$group" ] && [ "$group" != root ] && [ "$group" != UNKNOWN ] || group=lp
            echo "bridge: members of the group '$group' may write it: sudo usermod -aG $group \$USER, then log in again" >&2
        fi
        exit 1
        ;;
    tty) far="OPEN:$device,noctty,rawer" ;;
    plain) far="OPEN:$device,noctty" ;;
    *)
        echo "bridge: cannot tell what $target is: $kind" >&2
        exit 1
        ;;
    esac
    ;;
esac

# The lock, not the registry, says who owns the port: a killed bridge leaves its registry value
# behind but never its lock.
mkdir -p "$dir"
exec {lock}>"$dir/com$com.lock"
if ! flock -n "$lock"; then
    echo "bridge: $port is already bridged ($(cat "$dir/com$com.owner" 2>/dev/null)); stop that bridge or choose another --com" >&2
    exit 1
fi
echo "process $$: $target" >"$dir/com$com.owner"
owner=1

# socat's last error line, without its prefix: "connect(...): Connection refused" -> the reason.
socat_reason() {
    local line
    line=$(grep ' E ' "$log" | tail -n1)
    line=${line##*): }
    echo "${line#* E }"
}

# The pty first, then the far side: socat reports the transfer loop once both are open. The log
# is emptied here, not by socat's redirection, so that a line of an earlier run is never read.
: >"$log"
socat -d -d "PTY,link=$(socat_quote "$link"),rawer" "$far" 2>"$log" {lock}>&- &
socat_pid=$!
ready=0
for _ in $(seq 300); do
    grep -q 'starting data transfer loop' "$log" && { ready=1; break; }
    kill -0 "$socat_pid" 2>/dev/null || break
    sleep 0.05
done
if [ "$ready" -eq 0 ]; then
    kill "$socat_pid" 2>/dev/null
    wait "$socat_pid" 2>/dev/null
    socat_pid=
    case $target in
    tcp:*) echo "bridge: cannot reach $host:$tcp_port: $(socat_reason)" >&2 ;;
    *) echo "bridge: cannot open $target: $(socat_reason)" >&2 ;;
    esac
    exit 1
fi

# A wineserver outlives the command that starts it: no Wine command may inherit the lock.
wine_prefix_ensure >&2 {lock}>&-
"$WINE" reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$link" /f >/dev/null 2>&1 {lock}>&- || {
    echo "bridge: cannot register $port in $WINEPREFIX" >&2
    exit 1
}
registered=1
# Wine maps its ports when its server starts. A port that is already mapped to this link (the
# bridge started again for a printer that came back) needs no restart, and Quillet keeps running.
mapped=0
if [ "$(readlink "$WINEPREFIX/dosdevices/${port,,}")" = "$link" ] &&
    "$WINE" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null {lock}>&- | grep -qw "$port"; then
    mapped=1
fi
if [ "$mapped" -eq 0 ]; then
    "$WINESERVER" -k 2>/dev/null {lock}>&-
    "$WINESERVER" -w 2>/dev/null {lock}>&-
fi
echo "$port -> $target"

wait "$socat_pid"
socat_pid=
# Here only when the far side ended: socat has closed the pty, so the port's writes fail.
reason=$(socat_reason)
case $target in
tcp:*) [ -n "$reason" ] || reason="the printer closed the connection" ;;
*) [ -n "$reason" ] || reason="the device has closed" ;;
esac
echo "bridge: $port lost $target: $reason; the port is hung up and no longer registered" >&2
exit 3
