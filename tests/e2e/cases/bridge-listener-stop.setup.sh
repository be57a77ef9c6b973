set -eu
. "$(dirname "$0")/big-logos.sh"
