#!/usr/bin/env bash
# Runs a Windows program like tests/wine/run.sh, but with Wine told to prefer
# a native copy, found on the search path, of the libraries a planted copy
# could replace. Wine 8 reads WINEDLLOVERRIDES from the Unix environment a
# process inherits (of a Windows parent's environment block only WINEDEBUG
# is carried over), so it is set here, before the driver starts, and every
# process the driver starts inherits it.
# Usage: WINE_TEST_ROOT=<build tree> run-native.sh <seconds> <program.exe> [args...]
set -uo pipefail
if [ $# -lt 2 ]; then
    echo "usage: run-native.sh <seconds> <program.exe> [args...]" >&2
    exit 2
fi
limit=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme,dwmapi,cryptbase,comctl32=n,b"
if [ -z "${DISPLAY:-}" ] || [ ! -s "$WINE_TEST_STATE/wineserver.pid" ]; then
    echo "run-native.sh: the shared Xvfb/wineserver is not running; run start.sh first" >&2
    exit 3
fi
exec timeout -k 5 "$limit" wine "$@"
