# The logos of the demo road.
. "$(dirname "$0")/nv-save-print.setup.sh"
