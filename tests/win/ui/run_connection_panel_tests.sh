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
peer=${2:-}
[ -n "$peer" ] && [ ! -x "$peer" ] && peer=
peer=${peer:-$root/tests/win/link/pty_peer.py}
. "$root/tests/e2e/lib/driver.sh"
com=${PANEL_TEST_COM:-43}
list_ports=(COM1 COM3 COM10)

ports_key='HKLM\Software\Wine\Ports'
unregister() {
    local port
    for port in "${list_ports[@]}"; do
        "$WINE" reg delete "$ports_key" /v "$port" /f >/dev/null 2>&1
    done
}
driver_cleanup() {
    e2e_stop_sim
    unregister
}

for port in "${list_ports[@]}"; do
    "$WINE" reg add "$ports_key" /v "$port" /d /dev/null /f >/dev/null 2>&1 ||
        { echo "cannot register $port"; exit 1; }
done

e2e_gtest_against "$peer" "$work/panel" "$com" "$exe" '*'
