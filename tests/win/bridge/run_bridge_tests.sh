#!/usr/bin/env bash
# scripts/bridge.sh with real parts: socat listeners on 127.0.0.1, a pty standing in for a
# printer's character device, Wine programs opening the port, `wine reg query` for what is
# registered. BRIDGE_TEST_COM picks the COM number (default 45).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/tests/e2e/lib/driver.sh"
. "$root/tests/e2e/lib/bridge.sh"
com=${BRIDGE_TEST_COM:-45}
link=$root/build/bridge/com$com
chmod 755 "$work"
holder_pid=
stand_in_pid=
wine_hold_pid=
locked_pid=

driver_cleanup() {
    bridge_stop
    bridge_stop_listener
    for pid in $holder_pid $stand_in_pid $wine_hold_pid $locked_pid; do e2e_end_process "$pid" 50; done
}

failed=0
bad() {
    echo "FAIL: $*"
    failed=1
}
registered() { "$WINE" reg query 'HKLM\Software\Wine\Ports' /v "COM$com" >/dev/null 2>&1; }
expect_unregistered() {
    registered && bad "$1: COM$com is registered"
    [ -e "$link" ] || [ -L "$link" ] && bad "$1: $link is left behind"
}
# wait_bridge: waits for the bridge to end; its exit status in status.
wait_bridge() {
    bridge_wait_end
    status=$BRIDGE_STATUS
}
file_holds() { grep -q "$2" "$1" 2>/dev/null; }
wine_write() { "$WINE" cmd /c "echo $1 > \\\\.\\COM$com" >/dev/null 2>&1; }

expect_unregistered "before the tests"

# A port that refuses connections: bound, never listening, held for the whole run.
python3 -c 'import socket, signal
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1], flush=True)
signal.pause()' >"$work/closed-port" &
holder_pid=$!
e2e_until 100 test -s "$work/closed-port"
closed=$(cat "$work/closed-port")

echo "=== refusals: message, status, nothing registered"
# An unwritable printer device: a pty's slave side, named as a USB printer is. Root writes
# anything, so root runs the bridge as nobody.
socat PTY,link="$work/locked-tty" "SYSTEM:sleep 600" 2>/dev/null &
locked_pid=$!
e2e_until 100 test -L "$work/locked-tty" || bad "the locked pty did not start"
locked=$(readlink -f "$work/locked-tty")
mkdir -p "$work/usb"
ln -s "$locked" "$work/usb/lp0"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chgrp lp "$locked" && chmod 660 "$locked"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod 444 "$locked"
fi
lp_group=$(stat -c %G "$locked")
: >"$work/regular-file"
# The bridge's own tools without python3.
mkdir -p "$work/no-python"
for tool in /usr/local/bin/* /usr/bin/* /bin/*; do
    case ${tool##*/} in python3*) continue ;; esac
    [ -e "$work/no-python/${tool##*/}" ] || ln -s "$tool" "$work/no-python/${tool##*/}"
done
tcp_usage="HOST a name, an IPv4 address or [IPv6], PORT 1 to 65535"
# status | message | runner | arguments
refusals=(
    "2|usage: scripts/bridge.sh|-|--com $com"
    "2|a port number from 1 to 255, not '0'|-|tcp:127.0.0.1:$closed --com 0"
    "2|is tcp:HOST:PORT (e.g. tcp:192.0.2.10:9100), $tcp_usage; not 'tcp:127.0.0.1'|-|tcp:127.0.0.1 --com $com"
    "2|$tcp_usage; not 'tcp:127.0.0.1:0'|-|tcp:127.0.0.1:0 --com $com"
    "2|$tcp_usage; not 'tcp:127.0.0.1:65536'|-|tcp:127.0.0.1:65536 --com $com"
    "2|$tcp_usage; not 'tcp:192.0.2.300:9100'|-|tcp:192.0.2.300:9100 --com $com"
    "2|$tcp_usage; not 'tcp:printer,fork:9100'|-|tcp:printer,fork:9100 --com $com"
    "2|$tcp_usage; not 'tcp:::1:9100'|-|tcp:::1:9100 --com $com"
    "2|$tcp_usage; not 'tcp:[:]:1'|-|tcp:[:]:1 --com $com"
    "2|is written tcp:HOST:PORT, in small letters; not 'TCP:127.0.0.1:$closed'|-|TCP:127.0.0.1:$closed --com $com"
    "1|cannot reach 127.0.0.1:$closed: Connection refused|-|tcp:127.0.0.1:$closed --com $com"
    "1|cannot reach [::1]:$closed: Connection refused|-|tcp:[::1]:$closed --com $com"
    "1|cannot reach localhost:$closed: Connection refused|-|tcp:localhost:$closed --com $com"
    "1|there is no $work/missing (is the printer plugged in|-|$work/missing --com $com"
    "1|$work/regular-file is not a device|-|$work/regular-file --com $com"
    "1|python3 is not installed|no-python|$work/usb/lp0 --com $com"
    "1|cannot open $work/usb/lp0 for writing: Permission denied|user|$work/usb/lp0 --com $com"
    "1|members of the group '$lp_group' may write it|user|$work/usb/lp0 --com $com"
)
# A device node whose name holds socat syntax (only root may make one).
if [ "$(id -u)" -eq 0 ] && mknod "$work/print,er" c 1 3; then
    refusals+=("1|the device path $work/print,er holds ',', which socat reads as part of its address syntax|-|$work/print,er --com $com")
else
    echo "(not root: no device node with ',' in its name to try)"
fi
# A link whose device's name ends in a newline, beside a device of the name without it: resolved
# by $(...), the link would bridge the other one.
if [ "$(id -u)" -eq 0 ] && mknod "$work/lp"$'\n' c 1 3 && mknod "$work/lp" c 1 3; then
    ln -s "$work/lp"$'\n' "$work/lp-link"
    refusals+=("1|$work/lp-link leads to \$'$work/lp\\n', a path holding a control character|-|$work/lp-link --com $com")
else
    echo "(not root: no device node with a newline in its name to try)"
fi
for row in "${refusals[@]}"; do
    IFS='|' read -r want message runner args <<<"$row"
    runner_cmd=()
    [ "$runner" = user ] && runner_cmd=("${as_user[@]}")
    [ "$runner" = no-python ] && runner_cmd=(env "PATH=$work/no-python")
    read -r -a argv <<<"$args"
    QUILLET_BRIDGE_PREFIX=$WINEPREFIX timeout 60 "${runner_cmd[@]}" bash "$root/scripts/bridge.sh" \
        "${argv[@]}" >"$work/refusal.out" 2>"$work/refusal.err"
    status=$?
    [ "$status" -eq "$want" ] || bad "bridge.sh $args: status $status, not $want"
    grep -qF -- "$message" "$work/refusal.err" ||
        bad "bridge.sh $args: no '$message' in: $(cat "$work/refusal.err")"
    [ -s "$work/refusal.out" ] && bad "bridge.sh $args printed: $(cat "$work/refusal.out")"
    expect_unregistered "bridge.sh $args"
done

# Names that the table's word splitting cannot carry.
QUILLET_BRIDGE_PREFIX=$WINEPREFIX timeout 60 bash "$root/scripts/bridge.sh" $'/dev/null\n' \
    --com "$com" >"$work/refusal.out" 2>"$work/refusal.err"
status=$?
[ "$status" -eq 2 ] || bad "a name ending in a newline: status $status, not 2"
grep -qF "\$'/dev/null\\n' holds a control character" "$work/refusal.err" ||
    bad "a name ending in a newline: $(cat "$work/refusal.err")"
expect_unregistered "a name ending in a newline"
QUILLET_BRIDGE_PREFIX=$WINEPREFIX timeout 60 bash "$root/scripts/bridge.sh" --help \
    >"$work/help.out" 2>"$work/help.err"
status=$?
[ "$status" -eq 0 ] || bad "--help: status $status, not 0"
grep -qF "usage: scripts/bridge.sh TARGET" "$work/help.out" || bad "--help printed: $(cat "$work/help.out")"

echo "=== network printer: a Wine program writes through, a second bridge is refused, SIGTERM"
bridge_listen "CREATE:$work/got-1" "$work/listener-1.log" -u || bad "listener 1 did not start"
target=tcp:127.0.0.1:$LISTENER_PORT
if bridge_start "$target" "$com" "$work/bridge-1"; then
    [ "$("$WINE" reg query 'HKLM\Software\Wine\Ports' /v "COM$com" 2>/dev/null |
        awk -v v="COM$com" '$1 == v {print $3}' | tr -d '\r')" = "$link" ] ||
        bad "COM$com is not registered as $link"
    QUILLET_BRIDGE_PREFIX=$WINEPREFIX timeout 60 "$root/scripts/bridge.sh" "$target" --com "$com" \
        >/dev/null 2>"$work/second.err"
    status=$?
    [ "$status" -eq 1 ] || bad "second bridge: status $status, not 1"
    grep -qF "COM$com is already bridged (process $BRIDGE_PID: $target)" "$work/second.err" ||
        bad "second bridge: $(cat "$work/second.err")"
    bridge_ended && bad "the first bridge ended when the second was refused"
    wine_write one || bad "a Wine program could not write to COM$com"
    e2e_until 100 file_holds "$work/got-1" one || bad "listener 1 got '$(cat "$work/got-1")', not 'one'"
    kill "$BRIDGE_PID"
    wait_bridge
    [ "$status" = 0 ] || bad "bridge after SIGTERM: status $status, not 0"
    expect_unregistered "after SIGTERM"
else
    bad "bridge 1 did not start"
fi
bridge_stop_listener

echo "=== network printer goes away: writes fail, the bridge ends; back again without a Wine restart"
bridge_listen "CREATE:$work/got-2" "$work/listener-2.log" -u || bad "listener 2 did not start"
target=tcp:127.0.0.1:$LISTENER_PORT
if bridge_start "$target" "$com" "$work/bridge-2"; then
    # A Wine program that lives on, as Quillet would, and a writer that keeps the port open.
    mkfifo "$work/hold"
    "$WINE" cmd <"$work/hold" >/dev/null 2>&1 &
    wine_hold_pid=$!
    exec {hold}>"$work/hold"
    python3 - "$link" >"$work/writer.out" 2>&1 <<'EOF' &
import os, sys, time
fd = os.open(sys.argv[1], os.O_WRONLY | os.O_NOCTTY)
for _ in range(600):
    try:
        os.write(fd, b"x")
    except OSError as e:
        print("write failed:", e.strerror)
        sys.exit(0)
    time.sleep(0.05)
print("writes still succeed after 30 s")
EOF
    writer_pid=$!
    e2e_until 100 test -s "$work/got-2" || bad "listener 2 got nothing from the writer"
    bridge_stop_listener
    wait_bridge
    [ "$status" = 3 ] || bad "bridge after the listener stopped: status $status, not 3"
    grep -qF "COM$com lost $target" "$work/bridge-2.stderr" ||
        bad "the bridge did not say it lost the printer: $(cat "$work/bridge-2.stderr")"
    expect_unregistered "after the printer went away"
    wait "$writer_pid"
    grep -qx "write failed: Input/output error" "$work/writer.out" ||
        bad "the port's writer: $(cat "$work/writer.out")"

    bridge_listen "CREATE:$work/got-3" "$work/listener-3.log" -u || bad "listener 3 did not start"
    target=tcp:127.0.0.1:$LISTENER_PORT
    if bridge_start "$target" "$com" "$work/bridge-3"; then
        kill -0 "$wine_hold_pid" 2>/dev/null || bad "the bridge restarted Wine for a port it had mapped"
        wine_write two || bad "a Wine program could not write to COM$com after the printer came back"
        e2e_until 100 file_holds "$work/got-3" two || bad "listener 3 got '$(cat "$work/got-3")'"
        bridge_stop
        expect_unregistered "after bridge 3"
    else
        bad "bridge 3 did not start"
    fi
    exec {hold}>&-
    e2e_end_process "$wine_hold_pid" 100
    wine_hold_pid=
else
    bad "bridge 2 did not start"
fi
bridge_stop_listener

echo "=== character device (a pty's slave side): every byte value arrives, the device goes away"
# Left with a new tty's settings (echo, newline translation): the bridge is to make it raw.
socat -u "PTY,link=$work/printer-tty" "CREATE:$work/device-got" 2>"$work/stand-in.log" &
stand_in_pid=$!
e2e_until 100 test -L "$work/printer-tty" || bad "the pty stand-in did not start"
device=$(readlink -f "$work/printer-tty")
python3 -c 'import sys; sys.stdout.buffer.write(bytes(((k * 7) ^ (k >> 8)) % 256 for k in range(65536)))' \
    >"$work/bytes.bin"
if bridge_start "$device" "$com" "$work/bridge-4"; then
    "$WINE" cmd /c copy /b "Z:${work//\//\\}\\bytes.bin" "\\\\.\\COM$com" >"$work/copy.out" 2>&1 ||
        bad "copy /b to COM$com failed: $(cat "$work/copy.out")"
    e2e_until 300 e2e_size_is "$work/device-got" 65536 ||
        bad "the device got $(stat -c %s "$work/device-got") of 65536 bytes"
    cmp -s "$work/bytes.bin" "$work/device-got" || bad "the device got other bytes than were sent"
    e2e_end_process "$stand_in_pid" 50
    stand_in_pid=
    wait_bridge
    [ "$status" = 3 ] || bad "bridge after the device went away: status $status, not 3"
    grep -qF "COM$com lost $device" "$work/bridge-4.stderr" ||
        bad "the bridge did not say it lost the device: $(cat "$work/bridge-4.stderr")"
    expect_unregistered "after the device went away"
else
    bad "bridge 4 did not start"
fi

echo "=== a checkout whose path holds a space, ',', ':' and '!': the bridge still starts and forwards"
odd="$work/check out, a:b!c"
mkdir -p "$odd/scripts"
cp "$root/scripts/bridge.sh" "$root/scripts/wine-env.sh" "$odd/scripts/"
bridge_listen "CREATE:$work/got-odd" "$work/listener-odd.log" -u || bad "the odd listener did not start"
target=tcp:127.0.0.1:$LISTENER_PORT
if BRIDGE_ROOT=$odd bridge_start "$target" "$com" "$work/bridge-odd"; then
    [ -L "$odd/build/bridge/com$com" ] || bad "no pty link in the odd checkout"
    wine_write odd || bad "a Wine program could not write to COM$com from the odd checkout"
    e2e_until 100 file_holds "$work/got-odd" odd || bad "the odd listener got '$(cat "$work/got-odd")'"
    bridge_stop
    expect_unregistered "after the odd bridge"
else
    bad "the bridge in '$odd' did not start: $(cat "$work/bridge-odd.stderr")"
fi
bridge_stop_listener

echo "=== make run PRINTER=... without a display"
DISPLAY= PRINTER=tcp:127.0.0.1:$closed QUILLET_RUN_PREFIX=$WINEPREFIX timeout 60 \
    bash "$root/scripts/run.sh" >"$work/run.out" 2>&1
status=$?
[ "$status" -ne 0 ] || bad "run.sh with PRINTER and no display: status 0"
grep -qF "needs a display" "$work/run.out" || bad "run.sh said: $(cat "$work/run.out")"
"$WINE" reg query 'HKLM\Software\Wine\Ports' /v COM8 >/dev/null 2>&1 && bad "run.sh registered COM8"

[ "$failed" -eq 0 ] && echo "all bridge checks held"
exit $failed
