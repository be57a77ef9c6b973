# Sourced by the end-to-end driver, scripts/run.sh, scripts/bench-e2e.sh and the Wine-side test
# drivers in tests/win: starting and ending the processes of a session (a printer on a pty that
# registers itself as a COM port, Quillet, test programs) under the Wine prefix in $WINEPREFIX.
# Needs WINE and WINESERVER (scripts/wine-env.sh sets them).

SIM_PID=
QUILLET_PID=

# e2e_until TENTHS COMMAND...: true once COMMAND is, false after TENTHS tenths of a second.
e2e_until() {
    local tenths=$1 i
    shift
    for i in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# e2e_size_is FILE BYTES: FILE holds exactly BYTES bytes.
e2e_size_is() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" = "$2" ]; }

# e2e_wait_output PID FILE TENTHS GREP-ARGS...: true once `grep GREP-ARGS FILE` finds its line,
# false when PID ends without it or TENTHS tenths of a second pass.
e2e_wait_output() {
    local pid=$1 file=$2 tenths=$3 i
    shift 3
    for i in $(seq "$tenths"); do
        grep -q "$@" "$file" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "$@" "$file" 2>/dev/null
}

# e2e_start_sim PRINTER OUT_DIR COM [extra printer options...]
# Starts PRINTER (the virtual printer, or tests/win/link/pty_peer.py, which takes the same
# options) on COM<COM> of the prefix (COM "": not registered) and waits for its READY line.
# OUT_DIR gets its files: what it records, raw.bin (every byte received), sim.stdout and
# sim.stderr.
e2e_start_sim() {
    local sim=$1 out=$2 com=$3
    shift 3
    if [ ! -x "$sim" ]; then
        echo "virtual printer not built: $sim (build the native preset)" >&2
        return 1
    fi
    mkdir -p "$out"
    local register=()
    [ -z "$com" ] || register=(--wine-prefix "$WINEPREFIX" --com "$com")
    "$sim" --out "$out" --raw "$out/raw.bin" "${register[@]}" "$@" \
        >"$out/sim.stdout" 2>"$out/sim.stderr" &
    SIM_PID=$!
    e2e_wait_output "$SIM_PID" "$out/sim.stdout" 300 -x READY && return 0
    echo "$(basename "$sim") not READY:" >&2
    cat "$out/sim.stderr" >&2
    return 1
}

# e2e_wait_serial_port COM: waits (20 s at most) until Wine's device service lists COM<COM>
# in SERIALCOMM, where a program's port list comes from; it maps the prefix's ports after the
# wineserver starts, so a program started at once could find the list without them.
e2e_wait_serial_port() {
    local com=$1 i
    for i in $(seq 40); do
        "$WINE" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null | tr -d '\r' |
            grep -qE "[[:space:]]COM$com\$" && return 0
        sleep 0.5
    done
    echo "Wine did not list COM$com within 20 s" >&2
    return 1
}

# Ends the printer with SIGTERM (it removes its port registration), SIGKILL after 10 s.
e2e_stop_sim() {
    [ -n "$SIM_PID" ] || return 0
    e2e_end_process "$SIM_PID" 100
    SIM_PID=
}

# e2e_gtest_against PRINTER DIR COM EXE FILTER [printer options...]
# One scenario of a GoogleTest program against a printer: starts PRINTER with DIR as its folder,
# runs EXE's tests in FILTER with --com COM --log DIR/log.jsonl --raw DIR/raw.bin (its options
# for the printer's port and files), ends the printer. Fails if either fails.
e2e_gtest_against() {
    local sim=$1 dir=$2 com=$3 exe=$4 filter=$5 status=1
    shift 5
    echo "=== $(basename "$dir") ($(basename "$sim")): $(cut -c1-80 <<<"$*")"
    if e2e_start_sim "$sim" "$dir" "$com" "$@"; then
        e2e_run_wine "$exe" --com "$com" --log "$dir/log.jsonl" --raw "$dir/raw.bin" \
            --gtest_filter="$filter"
        status=$?
    fi
    e2e_stop_sim
    return $status
}

# e2e_run_wine EXE [ARGS...]: runs a Windows program and waits for it. Starts the prefix's
# wineserver first, quietly: Debian's wineserver lists its objects on stderr when it ends.
e2e_run_wine() {
    "$WINESERVER" >/dev/null 2>&1
    "$WINE" "$@"
}

# Lets the prefix's Wine processes end (the registry is saved then); -k only if they do not.
e2e_wine_settle() {
    timeout 30 "$WINESERVER" -w 2>/dev/null || "$WINESERVER" -k 2>/dev/null
}

# e2e_start_quillet EXE WORK_DIR LOG: starts Quillet in the background, WORK_DIR as its
# current directory.
e2e_start_quillet() {
    local exe=$1 work=$2 log=$3
    if [ ! -f "$exe" ]; then
        echo "Quillet.exe not built: $exe (build the win preset)" >&2
        return 1
    fi
    # A server of the prefix's own first: a case right after one that waited for the last
    # server to end would otherwise have Quillet and the operator race to start one.
    "$WINESERVER" >/dev/null 2>&1
    (cd "$work" && exec "$WINE" "$exe") >"$log" 2>&1 &
    QUILLET_PID=$!
}

# True when Quillet has ended by itself within TENTHS tenths of a second.
e2e_quillet_ended_within() {
    local tenths=$1 i
    [ -n "$QUILLET_PID" ] || return 0
    for i in $(seq "$tenths"); do
        kill -0 "$QUILLET_PID" 2>/dev/null || { wait "$QUILLET_PID" 2>/dev/null; QUILLET_PID=; return 0; }
        sleep 0.1
    done
    return 1
}

# Ends Quillet if it still runs; returns 1 when it had to be ended.
e2e_stop_quillet() {
    [ -n "$QUILLET_PID" ] || return 0
    local was_running=0
    kill -0 "$QUILLET_PID" 2>/dev/null && was_running=1
    e2e_end_process "$QUILLET_PID" 30
    QUILLET_PID=
    [ "$was_running" -eq 0 ]
}

# e2e_end_process PID TENTHS: SIGTERM, then SIGKILL when it outlives TENTHS tenths of a second.
e2e_end_process() {
    local pid=$1 tenths=$2 i
    kill "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    for i in $(seq "$tenths"); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}
