#!/usr/bin/env bash
# Runs the printer command tests: first those with the link closed, then, for each scenario, the
# virtual printer registered as COM<N> in the Wine prefix and the tests under Wine against it.
#   run_printer_command_tests.sh PRINTER_COMMAND_TESTS_EXE QUILLET_SIM
# Uses WINEPREFIX/WINE/WINESERVER from the environment when set (as in make test), else the
# project's defaults. PRINTER_TEST_COM picks the COM number (default 42).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
exe=${1:?usage: run_printer_command_tests.sh EXE QUILLET_SIM}
sim=${2:?usage: run_printer_command_tests.sh EXE QUILLET_SIM}
. "$root/scripts/wine-env.sh"
wine_prefix_ensure
own_display=0
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start
    own_display=1
fi
com=${PRINTER_TEST_COM:-42}
work=$(mktemp -d)
sim_pid=

stop_sim() {
    [ -n "$sim_pid" ] || return 0
    kill -TERM "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
}
wine_settle() {
    timeout 30 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k 2>/dev/null
}
cleanup() {
    stop_sim
    wine_settle
    [ "$own_display" -eq 1 ] && xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ ! -x "$sim" ]; then
    echo "virtual printer not built: $sim"
    exit 1
fi

failed=0

# A folder whose NvSave.BIN leads to a full disk.
mkdir -p "$work/full"
ln -s /dev/full "$work/full/NvSave.BIN"
echo "=== offline"
"$WINESERVER" >/dev/null 2>&1
"$WINE" "$exe" --full-dir "$work/full" --gtest_filter='OfflineCommands.*' || failed=1

# scenario NAME GTEST_FILTER [sim options...]
scenario() {
    local name=$1 filter=$2
    shift 2
    local dir=$work/$name
    mkdir -p "$dir"
    echo "=== $name: $*"
    "$sim" --out "$dir/out" --raw "$dir/raw" --wine-prefix "$WINEPREFIX" --com "$com" "$@" \
        >"$dir/sim.out" 2>"$dir/sim.err" &
    sim_pid=$!
    local i
    for i in $(seq 300); do
        grep -q '^READY' "$dir/sim.out" 2>/dev/null && break
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q '^READY' "$dir/sim.out" 2>/dev/null; then
        echo "virtual printer did not start:"
        cat "$dir/sim.out" "$dir/sim.err"
        failed=1
        stop_sim
        return
    fi
    "$WINESERVER" >/dev/null 2>&1
    "$WINE" "$exe" --com "$com" --raw "$dir/raw" --gtest_filter="$filter" || failed=1
    stop_sim
}

scenario line 'PtyCommands.*'
scenario xoff 'PtyFaults.NvDownloadHeld*' --xoff-after 1 --xoff-ms 7000
scenario hangup 'PtyFaults.AfterAHangUp*' --hangup-after 3000

exit $failed
