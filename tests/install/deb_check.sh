#!/usr/bin/env bash
# The Debian packages: their fields, exactly the files they should hold, programs that run and
# report the version, manual pages man can read, and no lintian error or warning.
# Usage: deb_check.sh VERSION DEB...
set -uo pipefail
version=$1
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expected_files="./usr/bin/quillet-logo
./usr/bin/quillet-nv
./usr/bin/quillet-sim
./usr/share/bash-completion/completions/quillet-logo
./usr/share/bash-completion/completions/quillet-nv
./usr/share/doc/quillet/README.md
./usr/share/doc/quillet/changelog.gz
./usr/share/doc/quillet/copyright
./usr/share/man/man1/quillet-logo.1.gz
./usr/share/man/man1/quillet-nv.1.gz
./usr/share/man/man1/quillet-sim.1.gz"

for deb in "$@"; do
    name=${deb##*/}
    [ -f "$deb" ] || { fail "$deb was not made"; continue; }
    arch=$(dpkg-deb -f "$deb" Architecture)
    [ "$name" = "quillet_${version}_$arch.deb" ] || fail "$name holds Architecture '$arch'"
    [ "$(dpkg-deb -f "$deb" Package)" = quillet ] || fail "$name: Package is not quillet"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$name: Version is not $version"
    dpkg-deb -f "$deb" Maintainer | grep -qE '^[^<]+ <[^@ ]+@[^> ]+>$' ||
        fail "$name: Maintainer '$(dpkg-deb -f "$deb" Maintainer)' is no name and address"
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libstdc++6 libpng16-16; do
        [[ ", $depends" == *", $library (>= "* ]] || fail "$name: Depends '$depends' lacks $library"
    done
    [ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 3 ] || fail "$name: no long description"

    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort)
    [ "$files" = "$expected_files" ] ||
        fail "$name holds other files than expected: $(diff <(echo "$expected_files") <(echo "$files") | grep '^[<>]' | tr '\n' ' ')"
    dpkg-deb -c "$deb" | awk '{print $2}' | grep -qv '^root/root$' && fail "$name has files not owned by root"

    root=$work/$arch
    dpkg-deb -x "$deb" "$root"
    run=()
    [ "$arch" = arm64 ] &&
        run=(qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
    for program in quillet-nv quillet-logo quillet-sim; do
        out=$("${run[@]}" "$root/usr/bin/$program" --version 2>&1)
        [ "$out" = "$program $version" ] || fail "$name: $program --version says '$out'"
    done
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$name: man warns about ${page##*/}: $warnings"
    done
    grep -q '^License: Expat$' "$root/usr/share/doc/quillet/copyright" ||
        fail "$name: copyright is not in Debian's format with the licence"
    echo "checked $name ($arch, Depends: $depends)"
done

# One lintian run for all: it takes most of its time starting up.
# (As root it says so first; that is no finding about the packages.)
lintian --fail-on error,warning -I "$@" 2>&1 | grep -v '^running with root privileges' >"$work/lintian.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian: $(grep -vE '^[IPN]:' "$work/lintian.txt" | tr '\n' ' ')"
cat "$work/lintian.txt"
if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "PASS the packages"
