#!/usr/bin/env bash
# Runs the connection panel tests under Wine: registers the ports COM1, COM3 and COM10 (on
# /dev/null, for the list) in the prefix's Wine Ports key, starts a pty peer (quillet-sim when
# built, else the link tests' pty_peer.py) as COM<N>, which restarts the wineserver so that all
# of them are listed, runs the tests, and takes every registration away again.
#   run_connection_panel_tests.sh CONNECTION_PANEL_TESTS_EXE [QUILLET_SIM]
# PANEL_TEST_COM picks N (default 43).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
exe=${1:?usage: run_connection_panel_tests.sh CONNECTION_PANEL_TESTS_EXE [QUILLET_SIM]}
sim=${2:-}
[ -n "$sim" ] && [ ! -x "$sim" ] && sim=
. "$root/scripts/wine-env.sh"
wine_prefix_ensure
com=${PANEL_TEST_COM:-43}
list_ports=(COM1 COM3 COM10)
work=$(mktemp -d)
peer_pid=

ports_key='HKLM\Software\Wine\Ports'
unregister() {
    local port
    for port in "${list_ports[@]}"; do
        "$WINE" reg delete "$ports_key" /v "$port" /f >/dev/null 2>&1
    done
}
stop_peer() {
    [ -n "$peer_pid" ] || return 0
    kill -TERM "$peer_pid" 2>/dev/null
    wait "$peer_pid" 2>/dev/null
    peer_pid=
}
cleanup() {
    stop_peer
    unregister
    timeout 30 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for port in "${list_ports[@]}"; do
    "$WINE" reg add "$ports_key" /v "$port" /d /dev/null /f >/dev/null 2>&1 ||
        { echo "cannot register $port"; exit 1; }
done

peer=(python3 "$root/tests/win/link/pty_peer.py")
[ -n "$sim" ] && peer=("$sim")
"${peer[@]}" --out "$work/out" --raw "$work/raw" --wine-prefix "$WINEPREFIX" --com "$com" \
    >"$work/peer.out" 2>"$work/peer.err" &
peer_pid=$!
for _ in $(seq 300); do
    grep -q '^READY' "$work/peer.out" 2>/dev/null && break
    kill -0 "$peer_pid" 2>/dev/null || break
    sleep 0.1
done
if ! grep -q '^READY' "$work/peer.out" 2>/dev/null; then
    echo "pty peer did not start:"
    cat "$work/peer.out" "$work/peer.err"
    exit 1
fi

# Our own quiet server: Debian's wineserver lists its objects on stderr when it ends.
"$WINESERVER" >/dev/null 2>&1
"$WINE" "$exe" --com "$com"
