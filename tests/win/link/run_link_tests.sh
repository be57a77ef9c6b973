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
peer=${2:-}
if [ -n "$peer" ] && [ ! -x "$peer" ]; then
    echo "no $peer: using pty_peer.py"
    peer=
fi
peer=${peer:-$here/pty_peer.py}
. "$root/tests/e2e/lib/driver.sh"
com=${LINK_TEST_COM:-41}
driver_cleanup() { e2e_stop_sim; }

failed=0
# scenario NAME GTEST_FILTER [peer options...]
scenario() {
    local dir=$work/$1 filter=$2
    shift 2
    e2e_gtest_against "$peer" "$dir" "$com" "$exe" "$filter" "$@" || failed=1
}

# Reply for the ring: byte k is k % 256, k = 1 .. 1001.
reply=$(python3 -c 'print(bytes(k % 256 for k in range(1, 1002)).hex())')

scenario line 'PtyLink.*:Table/PtyLineSettings.*:-PtyLink.XoffHeld*:PtyLink.ReceivedBytes*'
scenario xoff-9600 'PtyLink.XoffHeldAt9600*' --xoff-after 1 --xoff-ms 8000
scenario xoff-115200 'PtyLink.XoffHeldAt115200*' --xoff-after 1 --xoff-ms 8000
scenario ring 'PtyLink.ReceivedBytes*' --reply "$reply"

e2e_wine_settle
if grep -qi "\"COM$com\"" "$WINEPREFIX/system.reg" 2>/dev/null; then
    echo "COM$com is still registered in $WINEPREFIX"
    failed=1
fi
exit $failed
