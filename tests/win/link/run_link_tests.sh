#!/usr/bin/env bash
# Runs the link's line tests: for each scenario a pty peer (quillet-sim when given and built,
# else pty_peer.py) registered as COM<N> in the Wine prefix, and link_tests under Wine against it.
#   run_link_tests.sh LINK_TESTS_EXE [QUILLET_SIM]
# Uses WINEPREFIX/WINE/WINESERVER from the environment when set (as in make test), else the
# project's defaults. LINK_TEST_COM picks the COM number (default 41).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
exe=${1:?usage: run_link_tests.sh LINK_TESTS_EXE [QUILLET_SIM]}
sim=${2:-}
if [ -n "$sim" ] && [ ! -x "$sim" ]; then
    echo "no $sim: using pty_peer.py"
    sim=
fi
. "$root/scripts/wine-env.sh"
wine_prefix_ensure
com=${LINK_TEST_COM:-41}
work=$(mktemp -d)
peer_pid=

stop_peer() {
    [ -n "$peer_pid" ] || return 0
    kill -TERM "$peer_pid" 2>/dev/null
    wait "$peer_pid" 2>/dev/null
    peer_pid=
}
# Lets the prefix's Wine processes end (the registry is saved then); -k only if they do not.
wine_settle() {
    timeout 30 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k 2>/dev/null
}
cleanup() {
    stop_peer
    wine_settle
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# start_peer DIR [peer options...]: waits for its READY line.
start_peer() {
    local dir=$1
    shift
    mkdir -p "$dir"
    local peer=(python3 "$here/pty_peer.py")
    [ -n "$sim" ] && peer=("$sim")
    "${peer[@]}" --out "$dir/out" --raw "$dir/raw" --wine-prefix "$WINEPREFIX" --com "$com" "$@" \
        >"$dir/peer.out" 2>"$dir/peer.err" &
    peer_pid=$!
    local i
    for i in $(seq 300); do
        grep -q '^READY' "$dir/peer.out" 2>/dev/null && return 0
        kill -0 "$peer_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "peer did not start:"
    cat "$dir/peer.out" "$dir/peer.err"
    return 1
}

failed=0
# scenario NAME GTEST_FILTER [peer options...]
scenario() {
    local name=$1 filter=$2
    shift 2
    local dir=$work/$name
    echo "=== $name (${sim:-pty_peer.py}): $(cut -c1-80 <<<"$*")"
    if ! start_peer "$dir" "$@"; then
        failed=1
        stop_peer
        return
    fi
    # Our own quiet server: Debian's wineserver lists its objects on stderr when it ends.
    "$WINESERVER" >/dev/null 2>&1
    "$WINE" "$exe" --com "$com" --log "$dir/out/log.jsonl" --raw "$dir/raw" \
        --gtest_filter="$filter" || failed=1
    stop_peer
}

# Reply for the ring: byte k is k % 256, k = 1 .. 1001.
reply=$(python3 -c 'print(bytes(k % 256 for k in range(1, 1002)).hex())')

scenario line 'PtyLink.*:Table/PtyLineSettings.*:-PtyLink.XoffHeld*:PtyLink.ReceivedBytes*'
scenario xoff 'PtyLink.XoffHeld*' --xoff-after 1 --xoff-ms 8000
scenario ring 'PtyLink.ReceivedBytes*' --reply "$reply"

wine_settle
if grep -qi "\"COM$com\"" "$WINEPREFIX/system.reg" 2>/dev/null; then
    echo "COM$com is still registered in $WINEPREFIX"
    failed=1
fi
exit $failed
