#!/usr/bin/env bash
# `make run` with a display, as a person starts it: once the window is up the port list shows
# COM9, the virtual printer (the dialog by itself selects its last entry, USB), and closing the
# window ends the session.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${QUILLET_RUN_DIR:?} ${E2E_OPERATOR:?} ${E2E_IDS:?}"
. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib/processes.sh"
own_display=0
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start
    own_display=1
fi
run_pid=
cleanup() {
    [ -z "$run_pid" ] || e2e_end_process "$run_pid" 100
    [ "$own_display" -eq 0 ] || xvfb_stop
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "FAIL run-display: $*"
    for log in run.out operator.out; do
        [ -s "$QUILLET_RUN_DIR/../run-display-$log" ] && tail -n 30 "$QUILLET_RUN_DIR/../run-display-$log"
    done
    exit 1
}

rm -rf "$QUILLET_RUN_DIR"
mkdir -p "$QUILLET_RUN_DIR"
out=$QUILLET_RUN_DIR/../run-display-run.out
ops=$QUILLET_RUN_DIR/../run-display-operator.out
PRINTER= bash "$root/scripts/run.sh" >"$out" 2>&1 &
run_pid=$!
# Not before run.sh has registered the printer's port: that restarts the prefix's Wine.
e2e_wait_output "$run_pid" "$out" 1200 -F "Quillet runs on" || fail "run.sh did not start Quillet"
printf '%s\n' "ids $E2E_IDS" 'window "Quillet (Ver 1.1)" 60000' \
    'within 60000 expect-selection IDC_COMBO_PORT COM9' 'click IDOK' 'gone 10000' |
    timeout 150 "$WINE" "$E2E_OPERATOR" -v - >"$ops" 2>&1 || fail "the operator: $(tail -n 3 "$ops")"
run_ended() { ! kill -0 "$run_pid" 2>/dev/null; }
e2e_until 300 run_ended || fail "run.sh still runs 30 s after the window closed"
wait "$run_pid"
status=$?
run_pid=
[ "$status" -eq 0 ] || fail "run.sh exited $status"
grep -q "COM9 could not be selected" "$out" && fail "run.sh: $(cat "$out")"
echo "PASS run-display"
