#!/usr/bin/env bash
# `make deb`: build/dist/quillet_VERSION_ARCH.deb from the optimised programs of one architecture.
# Usage: scripts/deb.sh amd64|arm64 BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-} build=${2:-}
case $arch in
amd64) machine='X86-64' tools=x86_64-linux-gnu ;;
arm64) machine='AArch64' tools=aarch64-linux-gnu ;;
*)
    echo "usage: scripts/deb.sh amd64|arm64 BUILD_DIR" >&2
    exit 2
    ;;
esac
[ -n "$build" ] || { echo "usage: scripts/deb.sh amd64|arm64 BUILD_DIR" >&2; exit 2; }
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "no version in CMakeLists.txt: no package made" >&2; exit 1; }
maintainer=$(sed -n 's/^ -- \(.*>\)  .*/\1/p' "$root/dist/debian/changelog" | head -n1)
[ -n "$maintainer" ] || { echo "no maintainer line in dist/debian/changelog" >&2; exit 1; }
changelog_version=$(sed -n '1s/^quillet (\([^)]*\)).*/\1/p' "$root/dist/debian/changelog")
if [ "$changelog_version" != "$version" ]; then
    echo "dist/debian/changelog is at $changelog_version, the project at $version: add an entry" >&2
    exit 1
fi
# Every file's time is the changelog's: the same sources give the same package.
epoch=$(date -d "$(sed -n 's/^ -- .*>  \(.*\)$/\1/p' "$root/dist/debian/changelog" | head -n1)" +%s)

out=$root/build/dist
deb=$out/quillet_${version}_$arch.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pkg=$work/quillet
mkdir -p "$out" "$pkg/DEBIAN" "$pkg/usr/bin" "$pkg/usr/share/man/man1" \
    "$pkg/usr/share/bash-completion/completions" "$pkg/usr/share/doc/quillet"

for program in src/nv/quillet-nv src/logo/quillet-logo sim/quillet-sim; do
    binary=$build/$program
    [ -f "$binary" ] || { echo "$binary is not built (make deb builds it)" >&2; exit 1; }
    if ! LC_ALL=C readelf -h "$binary" | grep -q "Machine: *.*$machine"; then
        echo "$binary is not an $arch program" >&2
        exit 1
    fi
    install -m 755 "$binary" "$pkg/usr/bin/"
    "$tools-strip" --remove-section=.comment --remove-section=.note --strip-unneeded \
        "$pkg/usr/bin/${program##*/}"
done
for page in "$root"/docs/man/*.1; do
    gzip -9n <"$page" >"$pkg/usr/share/man/man1/${page##*/}.gz"
done
install -m 644 "$root"/dist/bash-completion/* "$pkg/usr/share/bash-completion/completions/"
install -m 644 "$root/README.md" "$pkg/usr/share/doc/quillet/README.md"
gzip -9n <"$root/dist/debian/changelog" >"$pkg/usr/share/doc/quillet/changelog.gz"

# LICENSE in Debian's copyright format: its holder line, and its text as the Expat licence.
holder=$(sed -n 's/^Copyright (c) //p' "$root/LICENSE" | head -n1)
{
    sed -e "s|@MAINTAINER@|$maintainer|" -e "s|@COPYRIGHT@|$holder|" "$root/dist/debian/copyright.in"
    sed -n '/^Permission/,$p' "$root/LICENSE" | sed -e 's/^$/./' -e 's/^/ /'
} >"$pkg/usr/share/doc/quillet/copyright"

# Depends from the libraries the programs link, as Debian's shlibs files name them.
mkdir -p "$work/debian"
printf 'Source: quillet\n\nPackage: quillet\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O "$pkg"/usr/bin/* 2>"$work/shlibdeps.err" |
    sed -n 's/^shlibs:Depends=//p') || true
if [ -z "$depends" ]; then
    echo "dpkg-shlibdeps found no dependencies for $arch:" >&2
    cat "$work/shlibdeps.err" >&2
    exit 1
fi

chmod -R u=rwX,go=rX "$pkg"
chmod 755 "$pkg"/usr/bin/*
(cd "$pkg" && find usr -type f -printf '%P\0' | LC_ALL=C sort -z |
    sed -z 's|^|usr/|' | xargs -0 md5sum >DEBIAN/md5sums)
size=$(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@MAINTAINER@|$maintainer|" \
    -e "s|@SIZE@|$size|" -e "s|@DEPENDS@|$depends|" "$root/dist/debian/control.in" \
    >"$pkg/DEBIAN/control"
chmod 644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"
find "$pkg" -exec touch -h -d "@$epoch" {} +
SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$pkg" "$deb" >/dev/null
echo "$deb"
