#!/usr/bin/env bash
# Quillet through a bridged network printer that goes away and comes back, driven by the
# operator: the write that finds the printer gone fails with "Error : Port write !!!"; once the
# bridge runs again, Port Close and Port Open reach the printer, with Quillet and Wine running on.
#   run_bridge_quillet_test.sh QUILLET_EXE OPERATOR_EXE RESOURCE_HEADER
# BRIDGE_TEST_COM picks the COM number (default 46).
set -uo pipefail
quillet=${1:?usage: run_bridge_quillet_test.sh QUILLET_EXE OPERATOR_EXE RESOURCE_HEADER}
operator=${2:?} ids=${3:?}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/tests/e2e/lib/driver.sh"
. "$root/tests/e2e/lib/bridge.sh"
com=${BRIDGE_TEST_COM:-46}
driver_cleanup() {
    e2e_stop_quillet
    bridge_stop
    bridge_stop_listener
}

fail() {
    echo "FAIL: $*"
    for log in operator.out bridge-1.stderr bridge-2.stderr; do
        [ -s "$work/$log" ] && { echo "--- $log"; tail -n 30 "$work/$log"; }
    done
    exit 1
}
# Steps on Quillet's window, after finding it again.
steps() {
    printf '%s\n' "ids $ids" 'window "Quillet (Ver 1.1)" 30000' "$@" |
        timeout 120 "$WINE" "$operator" -v - >>"$work/operator.out" 2>&1
}
# got_bytes FILE N: waits (10 s at most) until FILE holds N bytes; false with what it holds.
got_bytes() {
    e2e_until 100 e2e_size_is "$1" "$2" && return 0
    echo "$1 holds $(stat -c %s "$1" 2>/dev/null || echo 0) bytes, not $2"
    return 1
}
# "Quillet All Print" sends 19 FS p commands and the print trailer.
all_print_bytes=82

bridge_listen "CREATE:$work/got-1" "$work/listener-1.log" -u || fail "listener 1 did not start"
bridge_start "tcp:127.0.0.1:$LISTENER_PORT" "$com" "$work/bridge-1" || fail "bridge 1 did not start"
e2e_wait_serial_port "$com" || fail "COM$com is not in Wine's port list"
e2e_start_quillet "$quillet" "$work" "$work/quillet.out" || fail "cannot start Quillet"
steps "select IDC_COMBO_PORT COM$com" "click IDC_BTN_PORT_OPEN" "expect-disabled IDC_BTN_PORT_OPEN" \
    "click IDC_BTN_NV_PRINT_ALL" "no-dialog 500" || fail "printing through bridge 1"
got_bytes "$work/got-1" "$all_print_bytes" || fail "the printer behind bridge 1"

# The printer goes away: the bridge hangs up the pty and ends.
bridge_stop_listener
bridge_wait_end
[ "$BRIDGE_STATUS" = 3 ] || fail "bridge 1 after its printer went away: $BRIDGE_STATUS, not 3"
steps "click IDC_BTN_NV_PRINT_ALL" 'message "Quillet" "Error : Port write !!!" 10000' ||
    fail "printing with the printer gone"

# The printer is back: the bridge again, on the same COM number; Quillet runs on.
bridge_listen "CREATE:$work/got-2" "$work/listener-2.log" -u || fail "listener 2 did not start"
bridge_start "tcp:127.0.0.1:$LISTENER_PORT" "$com" "$work/bridge-2" || fail "bridge 2 did not start"
kill -0 "$QUILLET_PID" 2>/dev/null || fail "Quillet ended when the bridge started again"
steps "click IDC_BTN_PORT_CLOSE" "expect-enabled IDC_BTN_PORT_OPEN" "click IDC_BTN_PORT_OPEN" \
    "no-dialog 1000" "expect-disabled IDC_BTN_PORT_OPEN" "click IDC_BTN_NV_PRINT_ALL" \
    "no-dialog 500" "click IDOK" "gone 10000" || fail "printing through bridge 2"
got_bytes "$work/got-2" "$all_print_bytes" || fail "the printer behind bridge 2"
echo "Quillet reached the printer again after it came back"
