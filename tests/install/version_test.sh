#!/usr/bin/env bash
# --version: the program's name and the project's version on one line, nothing else, exit 0.
# Usage: version_test.sh VERSION NAME=PROGRAM...
set -uo pipefail
version=$1
shift
failures=0
for pair in "$@"; do
    name=${pair%%=*} program=${pair#*=}
    out=$("$program" --version 2>/tmp/version-err.$$)
    rc=$?
    err=$(cat /tmp/version-err.$$)
    rm -f /tmp/version-err.$$
    expected="$name $version"
    if [ $rc -ne 0 ] || [ "$out" != "$expected" ] || [ -n "$err" ]; then
        echo "FAIL: $name --version: exit $rc, printed '$out' (expected '$expected'), stderr '$err'"
        failures=$((failures + 1))
    else
        echo "ok: $out"
    fi
done
[ $failures -eq 0 ]
