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
          clang libclang-rt-14-dev osslsigncode openssl zip unzip
          gcab cabextract locales)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The Japanese locale gives Wine the double-byte ANSI code page 932 for the
# folder check's cross-check.
make_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  echo "making the locale ja_JP.UTF-8"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null || "${as_root[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}
# A locale without an ANSI code page of its own gives Wine code page 65001
# (UTF-8), for the run of setup.exe and the folder check under it.
make_utf8_locale() {
  locale -a 2>/dev/null | grep -qix 'hi_IN.utf8' && return 0
  echo "making the locale hi_IN.UTF-8"
  localedef -i hi_IN -f UTF-8 hi_IN.UTF-8 2>/dev/null \
    || "${as_root[@]}" localedef -i hi_IN -f UTF-8 hi_IN.UTF-8
}
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
  make_locale
  make_utf8_locale
  exit 0
fi

echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
# With Wine's recommended libraries (X rendering, fonts), as the tests were
# measured with them.
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}"
make_locale
make_utf8_locale
