# Sourced: the project's Wine prefix and a private X display.
# Everything lives in the build folder; the user's ~/.wine is never touched.
QUILLET_ROOT=${QUILLET_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$QUILLET_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=$(command -v wine64 || command -v wine); fi
if [ -x /usr/lib/wine/wineserver64 ]; then WINESERVER=/usr/lib/wine/wineserver64; else WINESERVER=$(command -v wineserver); fi
export WINE WINESERVER

# Creates the prefix once; later calls only check it.
wine_prefix_ensure() {
    [ -f "$WINEPREFIX/.quillet-ready" ] && return 0
    mkdir -p "$WINEPREFIX"
    echo "Creating Wine prefix $WINEPREFIX (once)..."
    DISPLAY= "$WINE" wineboot --init >/dev/null 2>&1 || true
    # Unmanaged windows: with no window manager on Xvfb, Wine otherwise waits ~2 s for every
    # window that is hidden or destroyed.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.quillet-ready"
}

# Starts Xvfb on a free display and exports DISPLAY; xvfb_stop ends it.
xvfb_start() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    QUILLET_XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}
xvfb_stop() {
    [ -n "${QUILLET_XVFB_PID:-}" ] || return 0
    kill "$QUILLET_XVFB_PID" 2>/dev/null || true
    wait "$QUILLET_XVFB_PID" 2>/dev/null || true
    QUILLET_XVFB_PID=
}

# Ends every process of the prefix (Wine's serial ports are read again at the next start).
wine_stop() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
}
