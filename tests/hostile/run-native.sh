#!/usr/bin/env bash
# Runs a Windows program like tests/wine/run.sh, but with Wine told to prefer
# a native copy, found on the search path, of the libraries a planted copy
# could replace. Wine 8 reads WINEDLLOVERRIDES from the Unix environment a
# process inherits (of a Windows parent's environment block only WINEDEBUG
# is carried over), so it is set here, before the driver starts, and every
# process the driver starts inherits it.
# Usage: WINE_TEST_ROOT=<build tree> run-native.sh <seconds> <program.exe> [args...]
here=$(cd "$(dirname "$0")" && pwd)
WINE_EXTRA_OVERRIDES="uxtheme,dwmapi,cryptbase,comctl32=n,b" exec bash "$here/../wine/run.sh" "$@"
