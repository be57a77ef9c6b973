#!/usr/bin/env bash
# `make dist`: the Windows release, build/dist/Quillet-1.0.0.1-win64.zip, from the win build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=${QUILLET_WIN_BUILD:-$root/build/win}
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ]; then
    echo "no version in CMakeLists.txt (project(Quillet VERSION N.N.N.N ...)): no zip made" >&2
    exit 1
fi
name=Quillet-$version-win64
out=$root/build/dist
quillet=$win_build/src/app/Quillet.exe
logo=$win_build/src/logo/QuilletLogo.exe
nv=$win_build/src/nv/QuilletNv.exe
for exe in "$quillet" "$logo" "$nv"; do
    [ -f "$exe" ] || { echo "$exe is not built: run 'make build' first." >&2; exit 1; }
done

stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage/samples"
cp "$quillet" "$logo" "$nv" "$stage/"
cp "$root/samples/"*.bmp "$stage/samples/"
# Windows users open these in Notepad: CRLF line ends.
sed 's/$/\r/' "$root/dist/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE"
# Names one per NUL, so that a space in one is part of it.
(cd "$stage" && find . -type f ! -name SHA256SUMS -printf '%P\0' | LC_ALL=C sort -z |
    xargs -0 sha256sum >SHA256SUMS)
(cd "$out" && zip -q -X -r "$name.zip" "$name")
rm -rf "$stage"
echo "$out/$name.zip"
