# Sourced after processes.sh: a network printer made of real parts for the bridge's tests and
# `make run PRINTER=...`: socat listening on a free 127.0.0.1 port in front of a pty (the
# virtual printer's), and scripts/bridge.sh giving it a COM port of $WINEPREFIX.

LISTENER_PID=
LISTENER_PORT=
BRIDGE_PID=
BRIDGE_ROOT=${BRIDGE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}

# bridge_listen FAR LOG [SOCAT_OPTION...]: one connection on 127.0.0.1 (the kernel picks the
# port), forwarded to the socat address FAR. Small socket buffers, as a printer's, so that a
# sender feels it stop.
bridge_listen() {
    local far=$1 log=$2
    shift 2
    socat -d -d "$@" "TCP-LISTEN:0,bind=127.0.0.1,rcvbuf=8192" "$far" 2>"$log" &
    LISTENER_PID=$!
    local listening='listening on AF=2 127\.0\.0\.1:([0-9]+)'
    if e2e_wait_output "$LISTENER_PID" "$log" 100 -E "$listening"; then
        LISTENER_PORT=$(sed -n -E "s/.*$listening.*/\\1/p" "$log")
        return 0
    fi
    echo "the listener did not start:" >&2
    cat "$log" >&2
    return 1
}

bridge_stop_listener() {
    [ -n "$LISTENER_PID" ] || return 0
    e2e_end_process "$LISTENER_PID" 50
    LISTENER_PID=
}

# bridge_start_sim SIM OUT [options...]: the virtual printer on a pty of its own, OUT/tty, not
# registered with Wine; SIM_PID as e2e_start_sim sets it, so e2e_stop_sim ends it.
bridge_start_sim() {
    local sim=$1 out=$2
    shift 2
    e2e_start_sim "$sim" "$out" "" --pty-link "$out/tty" "$@"
}

# bridge_start TARGET COM OUT: scripts/bridge.sh in the background, its output in OUT.stdout and
# OUT.stderr; returns once it has said "COMn -> TARGET", 1 if it ends first or takes over 60 s.
bridge_start() {
    local target=$1 com=$2 out=$3
    QUILLET_BRIDGE_PREFIX=$WINEPREFIX "$BRIDGE_ROOT/scripts/bridge.sh" "$target" --com "$com" \
        >"$out.stdout" 2>"$out.stderr" &
    BRIDGE_PID=$!
    e2e_wait_output "$BRIDGE_PID" "$out.stdout" 600 -xF "COM$com -> $target" && return 0
    echo "the bridge did not start:" >&2
    cat "$out.stderr" >&2
    return 1
}

bridge_ended() { ! kill -0 "$BRIDGE_PID" 2>/dev/null; }

# bridge_wait_end: waits (20 s at most) for the bridge to end by itself; its exit status in
# BRIDGE_STATUS, "running" if it did not end.
bridge_wait_end() {
    BRIDGE_STATUS=running
    e2e_until 200 bridge_ended || return 0
    wait "$BRIDGE_PID"
    BRIDGE_STATUS=$?
    BRIDGE_PID=
}

# Ends the bridge with SIGTERM (it removes its registration), SIGKILL after 20 s.
bridge_stop() {
    [ -n "$BRIDGE_PID" ] || return 0
    e2e_end_process "$BRIDGE_PID" 200
    BRIDGE_PID=
}

# bridge_stop_listener_after FILE BYTES: in the background, ends the listener once FILE holds
# BYTES bytes (checked every 20 ms for at most 150 s).
bridge_stop_listener_after() {
    local file=$1 bytes=$2 pid=$LISTENER_PID
    (
        for _ in $(seq 7500); do
            if [ "$(stat -c %s "$file" 2>/dev/null || echo 0)" -ge "$bytes" ]; then
                kill "$pid" 2>/dev/null
                echo "listener stopped at $(stat -c %s "$file") bytes"
                exit 0
            fi
            sleep 0.02
        done
        echo "the printer never had $bytes bytes; listener left running"
    ) &
}
