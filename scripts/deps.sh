#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need; quick when all are there.
set -euo pipefail
pkgs=(make cmake clang libclang-rt-14-dev g++ libgtest-dev libbenchmark-dev libpng-dev
      g++-mingw-w64-x86-64-posix wine64 xvfb imagemagick fonts-dejavu-core python3 clang-format
      socat dosfstools fusefat libstb-dev colord-data zip libasio-dev libcli11-dev nlohmann-json3-dev
      cups cups-client cups-bsd libcups2-dev bash-completion
      # The Debian packages (make deb) and the arm64 cross build, its tests under qemu-user.
      dpkg-dev lintian g++-aarch64-linux-gnu qemu-user
      # arm64 libraries through multiarch: headers and .so to link, shlibs for dpkg-shlibdeps.
      libpng-dev:arm64 zlib1g-dev:arm64 libgtest-dev:arm64 libstb-dev:arm64 libstdc++6:arm64
      libcups2-dev:arm64)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# The :arm64 packages come from the same archive once dpkg takes that architecture.
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    "${sudo_cmd[@]}" dpkg --add-architecture arm64
fi
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
