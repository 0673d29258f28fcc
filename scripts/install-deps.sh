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
          gcab cabextract locales libmspack-dev libexpat1-dev pkg-config libpalm-perl nodejs
          nlohmann-json3-dev)

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
# Microsoft's SARIF validator for the folder check's SARIF output, from npm
# into the build tree (build/tools/sarif). Its package's install script,
# which npm does not run, would only make the .NET program executable. Where
# it cannot be had the SARIF test says so and is skipped.
sarif_version=5.7.0
sarif_dir=$(cd "$(dirname "$0")/.." && pwd)/build/tools/sarif
sarif_tool=$sarif_dir/node_modules/@microsoft/sarif-multitool-linux/Sarif.Multitool
install_sarif() {
  [ -x "$sarif_tool" ] && grep -q "\"version\": \"$sarif_version\"" \
    "$sarif_dir/node_modules/@microsoft/sarif-multitool/package.json" 2>/dev/null && return 0
  echo "installing the SARIF validator (@microsoft/sarif-multitool $sarif_version) into $sarif_dir"
  mkdir -p "$sarif_dir"
  if timeout 300 npm install --prefix "$sarif_dir" --no-audit --no-fund --silent \
       "@microsoft/sarif-multitool@$sarif_version" && [ -f "$sarif_tool" ]; then
    chmod u+x "$sarif_tool"
  else
    echo "the SARIF validator could not be installed: the SARIF test will be skipped"
  fi
}
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
  command -v npm >/dev/null || { "${as_root[@]}" apt-get install -y -qq npm || true; }
  make_locale
  install_sarif
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
# Debian's nodejs comes without npm; other builds of it bring their own.
command -v npm >/dev/null ||
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq npm
make_locale
install_sarif
make_utf8_locale
