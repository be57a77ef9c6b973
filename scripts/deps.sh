#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need; quick when all are there.
set -euo pipefail
pkgs=(make cmake clang libclang-rt-14-dev g++ libgtest-dev libbenchmark-dev libpng-dev
      g++-mingw-w64-x86-64-posix wine64 xvfb imagemagick fonts-dejavu-core python3 clang-format
      socat libstb-dev colord-data zip libasio-dev libcli11-dev nlohmann-json3-dev
      bash-completion)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
