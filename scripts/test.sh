#!/usr/bin/env bash
# Runs every test layer: native unit tests, Windows-side tests under Wine, end-to-end tests.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh

cleanup() { wine_stop; xvfb_stop; }
trap cleanup EXIT
trap 'exit 130' INT TERM

xvfb_start
wine_prefix_ensure
mkdir -p build/logs

passed=0
failed=0
run_layer() {
    local name=$1 dir=$2
    shift 2
    echo "=== $name ==="
    ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "build/logs/$name.log"
    local line
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "build/logs/$name.log" | tail -n1)
    if [ -z "$line" ]; then
        echo "$name: no test summary"
        failed=$((failed + 1))
        return
    fi
    local f total
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - f))
    failed=$((failed + f))
}

run_layer native build/native -j2 --timeout 300
# The arm64 programs under qemu-user, against the amd64 converter and the virtual printer.
run_layer arm64 build/arm64 -j2 --timeout 600
# Windows-side and end-to-end tests share one Wine prefix and its COM ports: one at a time.
run_layer win build/win -j1 --timeout 300

# The packages `make deb` wrote: contents, fields, programs, manual pages, lintian.
echo "=== packages ==="
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if bash tests/install/deb_check.sh "$version" build/dist/quillet_"$version"_{amd64,arm64}.deb 2>&1 |
    tee build/logs/packages.log; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

echo
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
