#!/usr/bin/env bash
# Runs one end-to-end case, cases/NAME.op: an operator script that drives Quillet.exe.
# Beside it, optional hooks:
#   NAME.setup.sh             bash, before anything starts (make fixtures in $E2E_FILES)
#   NAME.check.sh / .check.py after everything has ended: assertions on files, the printer's
#                             log, screenshots; a non-zero exit fails the case
# Directives in the script's comments:
#   # e2e: printer             start the virtual printer on COM9 before Quillet
#   # e2e: sim-args OPTIONS    more options for the virtual printer
#   # e2e: quillet-exits       Quillet must have ended by itself within 5 s after the script
#   # e2e: operator-fails-at N the script must fail at line N (what a person cannot do)
#   # e2e: bridge              a network printer instead: the virtual printer unregistered, a
#                             socat listener on 127.0.0.1 in front of it, scripts/bridge.sh on COM8
#   # e2e: listener-stop-after N  with bridge: stop the listener once the printer has N bytes
#   # e2e: steps NAME          the operator runs the steps of cases/NAME.op instead of this
#                             file's (one road, two ways to the printer)
# Hooks and the script see: E2E_CASE_DIR (this run's folder), E2E_WORK (Quillet's current
# directory), E2E_FILES (fixtures), E2E_PRINTER (the printer's --out folder), E2E_IDS (the
# resource header with the control ids), E2E_COM (the printer's COM number: 9, or 8 through the
# bridge), WINEPREFIX, WINE, WINESERVER.
set -uo pipefail
case_file=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
name=$(basename "$case_file" .op)
: "${E2E_QUILLET:?} ${E2E_OPERATOR:?} ${E2E_IDS:?} ${E2E_SIM:?} ${E2E_ROOT:?}"

. "$root/scripts/wine-env.sh"
. "$here/lib/processes.sh"

own_display=0
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start
    own_display=1
fi

export E2E_CASE_DIR=$E2E_ROOT/$name
export E2E_WORK=$E2E_CASE_DIR/work E2E_FILES=$E2E_CASE_DIR/files E2E_PRINTER=$E2E_CASE_DIR/printer
export E2E_IDS E2E_COM=9
rm -rf "$E2E_CASE_DIR"
mkdir -p "$E2E_WORK" "$E2E_FILES"

killed_quillet=0
cleanup() {
    e2e_stop_quillet || killed_quillet=1
    declare -F bridge_stop >/dev/null && { bridge_stop; bridge_stop_listener; }
    e2e_stop_sim
    # A killed program may leave Wine's helpers behind; a whole-prefix stop ends them.
    if [ "$killed_quillet" -eq 1 ] || [ "$own_display" -eq 1 ]; then wine_stop; fi
    [ "$own_display" -eq 1 ] && xvfb_stop
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL $name: $*"
    for log in operator.out quillet.out printer/sim.stderr bridge.stderr; do
        [ -s "$E2E_CASE_DIR/$log" ] || continue
        echo "--- $log"
        tail -n 40 "$E2E_CASE_DIR/$log"
    done
    exit 1
}

directive() { sed -n -E "s/^#[[:space:]]*e2e:[[:space:]]*$1[[:space:]]*(.*)$/\\1/p" "$case_file" | head -n1; }
has_directive() { grep -qE "^#[[:space:]]*e2e:[[:space:]]*$1([[:space:]]|$)" "$case_file"; }

wine_prefix_ensure

hook="${case_file%.op}"
if [ -f "$hook.setup.sh" ]; then
    (cd "$E2E_CASE_DIR" && bash "$hook.setup.sh") || fail "setup hook failed"
fi

if has_directive printer; then
    read -r -a sim_args <<<"$(directive sim-args)"
    e2e_start_sim "$E2E_SIM" "$E2E_PRINTER" 9 "${sim_args[@]}" 2>&1 || fail "the virtual printer did not start"
    e2e_wait_serial_port 9 2>&1 || fail "COM9 is not in Wine's port list"
fi

if has_directive bridge; then
    . "$here/lib/bridge.sh"
    read -r -a sim_args <<<"$(directive sim-args)"
    bridge_start_sim "$E2E_SIM" "$E2E_PRINTER" "${sim_args[@]}" 2>&1 || fail "the virtual printer did not start"
    bridge_listen "FILE:$E2E_PRINTER/tty,noctty,rawer" "$E2E_CASE_DIR/listener.log" 2>&1 ||
        fail "the listener did not start"
    bridge_start "tcp:127.0.0.1:$LISTENER_PORT" 8 "$E2E_CASE_DIR/bridge" 2>&1 || fail "the bridge did not start"
    e2e_wait_serial_port 8 2>&1 || fail "COM8 is not in Wine's port list"
    export E2E_COM=8
    stop_after=$(directive listener-stop-after)
    [ -z "$stop_after" ] ||
        bridge_stop_listener_after "$E2E_PRINTER/raw.bin" "$stop_after" >"$E2E_CASE_DIR/listener-stop.out"
fi

e2e_start_quillet "$E2E_QUILLET" "$E2E_WORK" "$E2E_CASE_DIR/quillet.out" 2>&1 || fail "cannot start Quillet"

script=$case_file
steps=$(directive steps)
[ -z "$steps" ] || script=$here/cases/$steps.op
timeout 150 "$WINE" "$E2E_OPERATOR" -v "$script" >"$E2E_CASE_DIR/operator.out" 2>&1
operator_status=$?
fails_at=$(directive operator-fails-at)
if [ -n "$fails_at" ]; then
    grep -q "step failed at line $fails_at:" "$E2E_CASE_DIR/operator.out" ||
        fail "the operator was to fail at line $fails_at (status $operator_status)"
else
    [ "$operator_status" -eq 0 ] || fail "operator exited with $operator_status"
fi

if has_directive quillet-exits; then
    e2e_quillet_ended_within 50 || fail "Quillet still runs 5 s after the script"
fi
e2e_stop_quillet || { killed_quillet=1; has_directive quillet-exits && fail "Quillet had to be killed"; }
declare -F bridge_stop >/dev/null && { bridge_stop; bridge_stop_listener; }
e2e_stop_sim

for bmp in "$E2E_CASE_DIR"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png"
done

if [ -f "$hook.check.sh" ]; then
    (cd "$E2E_CASE_DIR" && bash "$hook.check.sh") >"$E2E_CASE_DIR/check.out" 2>&1 ||
        { cat "$E2E_CASE_DIR/check.out"; fail "check hook failed"; }
fi
if [ -f "$hook.check.py" ]; then
    (cd "$E2E_CASE_DIR" && python3 "$hook.check.py") >"$E2E_CASE_DIR/check.out" 2>&1 ||
        { cat "$E2E_CASE_DIR/check.out"; fail "check hook failed"; }
fi
echo "PASS $name"
