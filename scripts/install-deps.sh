#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12.
# Idempotent: does nothing when everything is already there. wine32:i386
# installs even where the machine cannot run 32-bit code; only running it
# fails there, and the tests ask about that separately.
set -euo pipefail

packages=(cmake g++ make python3 libgtest-dev googletest
          g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
          wine wine32:i386 wine64 fonts-wine xvfb xdotool imagemagick x11-utils
          clang libclang-rt-14-dev osslsigncode openssl zip unzip)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
# With Wine's recommended libraries (X rendering, fonts), as the tests were
# measured with them.
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}"
