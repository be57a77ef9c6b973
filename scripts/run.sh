#!/usr/bin/env bash
# `make run`: the virtual printer on COM9 of the project's Wine prefix, then Quillet with
# build/run as its current directory. With a display the user works the window; without one
# (or with --demo) the demo script (tools/operator/demo.op) drives the window, on a private
# Xvfb when there is no display. Everything started here is ended here.
# With a display the operator selects COM9, the virtual printer, once the window is up.
# PRINTER=TARGET (make run PRINTER=/dev/usb/lp0, PRINTER=tcp:HOST:9100): a real printer through
# scripts/bridge.sh on COM8 instead of the virtual printer; the operator selects COM8 once the
# window is up. Only with a display: the demo would print on that printer.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
printer_target=${PRINTER:-}
if [ -n "$printer_target" ] && { [ -z "${DISPLAY:-}" ] || [ "${1:-}" = "--demo" ]; }; then
    echo "make run PRINTER=$printer_target needs a display and no demo: the demo would run and print on that real printer." >&2
    exit 1
fi
# The project's own prefix and build folders, whatever the caller's WINEPREFIX says;
# QUILLET_RUN_PREFIX, QUILLET_WIN_BUILD and QUILLET_NATIVE_BUILD point elsewhere if needed.
export WINEPREFIX=${QUILLET_RUN_PREFIX:-$root/build/wineprefix}
. scripts/wine-env.sh
. tests/e2e/lib/processes.sh
. tests/e2e/lib/bridge.sh
win_build=${QUILLET_WIN_BUILD:-$root/build/win}
native_build=${QUILLET_NATIVE_BUILD:-$root/build/native}
drive_demo=0
[ "${1:-}" = "--demo" ] && drive_demo=1

run_dir=${QUILLET_RUN_DIR:-$root/build/run}
printer_dir=$run_dir/printer
sim=$native_build/sim/quillet-sim
operator=$win_build/tools/operator/operator.exe
demo=$root/tools/operator/demo.op
quillet=$(find "$win_build" -name Quillet.exe -not -path '*/e2e/runs/*' -print -quit)
if [ -z "$quillet" ]; then
    echo "Quillet.exe is not built: run 'make build' first." >&2
    exit 1
fi

own_display=0
cleanup() {
    e2e_stop_quillet
    e2e_stop_sim
    bridge_stop
    wine_stop
    [ "$own_display" -eq 1 ] && xvfb_stop
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    xvfb_start
    own_display=1
    drive_demo=1
fi
wine_prefix_ensure

# Receipts and the log start afresh; the NV store survives, as a printer's memory does.
rm -rf "$printer_dir"
mkdir -p "$printer_dir"
printer=0
if [ -n "$printer_target" ]; then
    bridge_start "$printer_target" 8 "$run_dir/bridge" && e2e_wait_serial_port 8 || exit 1
    echo "$printer_target on COM8 (scripts/bridge.sh; its messages in $run_dir/bridge.stderr)."
elif [ -x "$sim" ]; then
    if e2e_start_sim "$sim" "$printer_dir" 9 --store "$run_dir/nv-store" &&
        e2e_wait_serial_port 9; then
        printer=1
        echo "Virtual printer on COM9 ($(sed -n 's/^PTY //p' "$printer_dir/sim.stdout"))."
    else
        echo "The virtual printer did not start; Quillet runs without it." >&2
    fi
else
    echo "The virtual printer is not built ($sim); Quillet runs without it." >&2
fi

# "NvSave.BIN" goes to Quillet's current directory, which the file-open dialog may move to the
# folder it started in (the executable's) or to the picked file's.
nvsave_places=("$run_dir" "$(dirname "$quillet")" "$root/samples")
for place in "${nvsave_places[@]}"; do rm -f "$place/NvSave.BIN"; done

e2e_start_quillet "$quillet" "$run_dir" "$run_dir/quillet.out" || exit 1

if [ "$drive_demo" -eq 0 ]; then
    echo "Quillet runs on $DISPLAY; the session ends when you close it."
    # The dialog selects its last port entry (USB) at start; the printer's port is chosen for
    # the user: the bridged one, or the virtual printer's.
    port=
    [ -n "$printer_target" ] && port=COM8
    [ "$printer" -eq 1 ] && port=COM9
    if [ -n "$port" ]; then
        printf 'ids %s\nwindow "Quillet (Ver 1.1)" 30000\nselect IDC_COMBO_PORT %s\n' \
            "$root/src/res/resource.h" "$port" | timeout 60 "$WINE" "$operator" - ||
            echo "$port could not be selected; choose it in the port list." >&2
    fi
    while kill -0 "$QUILLET_PID" 2>/dev/null; do sleep 0.5; done
    wait "$QUILLET_PID" 2>/dev/null
    QUILLET_PID=
else
    echo "The demo script drives Quillet on display $DISPLAY."
    rm -f "$run_dir/quillet.bmp" "$run_dir/quillet.png"
    # A colour picture made here, turned into a fourth logo by the converter.
    rm -f "$run_dir/colour-sample.png" "$run_dir/colour-sample-logo.bmp"
    if ! convert -size 480x160 gradient:gold-firebrick -fill navy -draw 'circle 80,80 80,20' \
        -fill white -font DejaVu-Sans-Bold -pointsize 56 -annotate +170+100 'Quillet' \
        "$run_dir/colour-sample.png" ||
        ! "$native_build/src/logo/quillet-logo" "$run_dir/colour-sample.png"; then
        echo "The colour logo could not be made (convert or quillet-logo failed); the demo stops." >&2
        exit 1
    fi
    DEMO_IDS=$root/src/res/resource.h DEMO_SAMPLES=$root/samples DEMO_RUN=$run_dir \
        DEMO_SHOT=$run_dir/quillet.bmp timeout 300 "$WINE" "$operator" -v "$demo"
    demo_status=$?
    [ -f "$run_dir/quillet.bmp" ] && convert "$run_dir/quillet.bmp" "$run_dir/quillet.png" &&
        rm -f "$run_dir/quillet.bmp"
    e2e_quillet_ended_within 100 || echo "Quillet did not end after the demo; ending it." >&2
    [ "$demo_status" -eq 0 ] || echo "The demo script failed (operator status $demo_status)." >&2
fi
e2e_stop_quillet
e2e_stop_sim

echo
echo "Results in $run_dir:"
if [ "$printer" -eq 1 ]; then
    receipts=("$printer_dir"/receipt-*.png)
    if [ -e "${receipts[0]}" ]; then
        echo "  receipts:       ${receipts[*]}"
    else
        echo "  receipts:       none printed"
    fi
    echo "  printer log:    $printer_dir/log.jsonl"
    echo "  raw bytes:      $printer_dir/raw.bin"
else
    echo "  receipts:       none (no virtual printer)"
fi
[ -f "$run_dir/quillet.png" ] && echo "  screenshot:     $run_dir/quillet.png"
for place in "${nvsave_places[@]}"; do
    [ -f "$place/NvSave.BIN" ] && echo "  NV download:    $place/NvSave.BIN"
done
exit "${demo_status:-0}"
