#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (ctest's emulator for the win build).
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_prefix_ensure
exec "$WINE" "$@"
