# Sourced first by the Windows-side test drivers (tests/win/*/run_*.sh): the shared start-up.
# Sets root (the checkout) and work (a new temporary folder), sources the session helpers
# (scripts/wine-env.sh, processes.sh), makes sure of the project's Wine prefix, and sets the one
# EXIT trap: the driver's own driver_cleanup, if it defines one, ends what the driver started;
# then the prefix's Wine processes settle, a private display ends, and $work goes.
#   driver_display   starts a private X display when there is none
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib/processes.sh"
wine_prefix_ensure
work=$(mktemp -d)
driver_own_display=0

driver_display() {
    [ -z "${DISPLAY:-}" ] || return 0
    xvfb_start
    driver_own_display=1
}

driver_exit() {
    ! declare -F driver_cleanup >/dev/null || driver_cleanup
    e2e_wine_settle
    [ "$driver_own_display" -eq 0 ] || xvfb_stop
    rm -rf "$work"
}
trap driver_exit EXIT
trap 'exit 130' INT TERM
