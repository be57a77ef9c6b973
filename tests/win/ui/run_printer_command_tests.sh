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
. "$root/tests/e2e/lib/driver.sh"
driver_display
com=${PRINTER_TEST_COM:-42}
driver_cleanup() { e2e_stop_sim; }

if [ ! -x "$sim" ]; then
    echo "virtual printer not built: $sim"
    exit 1
fi

failed=0

# A folder whose NvSave.BIN leads to a full disk.
mkdir -p "$work/full"
ln -s /dev/full "$work/full/NvSave.BIN"
echo "=== offline"
e2e_run_wine "$exe" --full-dir "$work/full" --gtest_filter='OfflineCommands.*' || failed=1

# scenario NAME GTEST_FILTER [sim options...]
scenario() {
    local dir=$work/$1 filter=$2
    shift 2
    e2e_gtest_against "$sim" "$dir" "$com" "$exe" "$filter" "$@" || failed=1
}

scenario line 'PtyCommands.*'
scenario xoff 'PtyFaults.NvDownloadHeld*' --xoff-after 1 --xoff-ms 7000
scenario hangup 'PtyFaults.AfterAHangUp*' --hangup-after 3000

exit $failed
