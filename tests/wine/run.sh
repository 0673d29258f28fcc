#!/usr/bin/env bash
# Runs one Windows program under the harness's Wine with a time limit.
# Usage: WINE_TEST_ROOT=<build tree> run.sh <seconds> <program.exe> [args...]
# WINE_EXTRA_OVERRIDES, when set, is added to the harness's WINEDLLOVERRIDES.
# Exit status: the program's (low 8 bits, as Wine reports it); 124 when the
# limit was reached; 3 when the shared Wine is not running; 77 (skipped) only
# when start.sh found that this machine cannot run it.
set -uo pipefail
if [ $# -lt 2 ]; then
    echo "usage: run.sh <seconds> <program.exe> [args...]" >&2
    exit 2
fi
limit=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
skip_if_wine_unavailable
[ -z "${WINE_EXTRA_OVERRIDES:-}" ] || export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$WINE_EXTRA_OVERRIDES"
if [ -z "${DISPLAY:-}" ] || [ ! -s "$WINE_TEST_STATE/wineserver.pid" ]; then
    echo "run.sh: the shared Xvfb/wineserver is not running; run start.sh first" >&2
    exit 3
fi
timeout -k 5 "$limit" "$WINE" "$@"
status=$?
# 77 means skipped to CTest; a program's own 77 must not read as that.
if [ "$status" -eq 77 ]; then
    echo "run.sh: the program exited with 77; reported as 1" >&2
    exit 1
fi
exit "$status"
