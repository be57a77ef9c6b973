#!/usr/bin/env bash
# QuilletNv.exe under Wine with printer:NAME: Wine lists the queues of the tests' own CUPS
# scheduler as Windows printers, so a raw queue in front of the virtual printer is one. store and
# print through it carry the very bytes the native quillet-nv writes; an unknown printer names the
# printers there are; ports lists it.
set -uo pipefail
exe=$1 native=$2 sim=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib/processes.sh"
scheduler=$root/tests/nv/cups_scheduler.sh
wine_prefix_ensure
work=$(mktemp -d)
# The scheduler runs jobs as lp, which must reach its spool in here.
chmod 0711 "$work"
cleanup() { e2e_stop_sim; bash "$scheduler" stop "$work/cups"; e2e_wine_settle; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$work"/*.err "$work/printer/sim.stderr" "$work/cups/log/error_log"; do
        [ -s "$f" ] && { echo "--- $f"; tr -d '\r' <"$f"; }
    done
    exit 1
}
# wine_run NAME ARGS...: QuilletNv.exe with ARGS, its output in NAME.out and NAME.err; its status.
# Wine's heap reports a bad free that does not crash the run (yet), so a run with one fails.
wine_run() {
    local name=$1
    shift
    WINEDEBUG=warn+heap timeout 120 "$WINE" "$exe" "$@" >"$work/$name.out.raw" 2>"$work/$name.err.raw"
    local status=$?
    tr -d '\r' <"$work/$name.out.raw" >"$work/$name.out"
    tr -d '\r' <"$work/$name.err.raw" >"$work/$name.err"
    grep -q ':warn:heap:' "$work/$name.err" && fail "$name: Wine's heap was handed a bad pointer"
    return $status
}

samples=("$root"/samples/quillet-q.bmp "$root"/samples/receipt-header.bmp)
"$native" store "${samples[@]}" --save "$work/store.bin" >/dev/null || fail "native store --save"

mkdir -p "$work/cups"
sock=$(bash "$scheduler" start "$work/cups") || fail "the test scheduler did not start"
export CUPS_SERVER=$sock
e2e_start_sim "$sim" "$work/printer" "" --listen 0 || fail "printer did not start"
port=$(sed -n 's/^LISTEN 127.0.0.1://p' "$work/printer/sim.stdout")
lpadmin -p receipt -E -v "socket://127.0.0.1:$port" || fail "lpadmin"
# The native print's bytes, straight to the printer: the first bytes it gets.
"$native" print 1 2 --no-status --port "tcp:127.0.0.1:$port" --save "$work/print.bin" >/dev/null ||
    fail "native print --save"
e2e_until 100 e2e_size_is "$work/printer/raw.bin" "$(stat -c %s "$work/print.bin")" || fail "native print"
"$WINESERVER" -k 2>/dev/null # the printers are read from CUPS when Wine starts
e2e_run_wine cmd /c exit >/dev/null 2>&1

wine_run ports ports || fail "ports exited $?"
grep -q '^printer:receipt  printer, CUPS:receipt, ready' "$work/ports.out" || fail "ports lists no printer:receipt"

wine_samples=()
for s in "${samples[@]}"; do wine_samples+=("$(winepath -w "$s" 2>/dev/null)"); done
wine_run store store "${wine_samples[@]}" --port printer:receipt || fail "store exited $?"
grep -qE '^sent [0-9,]+ bytes through printer:receipt as job [0-9]+ and (delivered in [0-9.]+ s; the printer itself cannot confirm|the spooler passed it on in [0-9.]+ s; neither it nor the printer says that it was printed)$' \
    "$work/store.out" || fail "no delivery line"
cat "$work/print.bin" "$work/store.bin" >"$work/first.bin"
want=$(stat -c %s "$work/first.bin")
e2e_until 200 e2e_size_is "$work/printer/raw.bin" "$want" || fail "the printer got $(stat -c %s "$work/printer/raw.bin" 2>/dev/null) of $want bytes"

wine_run print print 1 2 --port printer:receipt || fail "print exited $?"
cat "$work/first.bin" "$work/print.bin" >"$work/both.bin"
want=$(stat -c %s "$work/both.bin")
e2e_until 200 e2e_size_is "$work/printer/raw.bin" "$want" || fail "the printer got $(stat -c %s "$work/printer/raw.bin") of $want bytes"
cmp -s "$work/printer/raw.bin" "$work/both.bin" || fail "the bytes through the spooler differ"
e2e_until 100 test -n "$(ls "$work/printer"/*.png 2>/dev/null)" || fail "no receipt printed"

wine_run unknown print 1 --port "printer:No Such Printer" && fail "an unknown printer succeeded"
[ "$?" -eq 1 ] || fail "an unknown printer: exit $? (1 expected)"
grep -q "no printer 'No Such Printer' is installed" "$work/unknown.err" || fail "unknown printer not named"
grep -q "'receipt'" "$work/unknown.err" || fail "the printers there are not named"
echo "PASS QuilletNv.exe printer:NAME"
