#!/usr/bin/env bash
# Stops the wineserver and the Xvfb that start.sh recorded, by their pids.
# Usage: WINE_TEST_ROOT=<build tree> stop.sh
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

# stop <pidfile> <program name>: TERM, then KILL after 10 s. Only a process
# that still runs the recorded program is signalled.
stop() {
    local file=$1 name=$2 pid
    [ -s "$file" ] || return 0
    pid=$(cat "$file")
    if runs_program "$pid" "$name"; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 100); do
            [ -e "/proc/$pid" ] || break
            sleep 0.1
        done
        if [ -e "/proc/$pid" ]; then
            echo "$name (pid $pid) ignored TERM; killing" >&2
            kill -KILL "$pid" 2>/dev/null
        fi
        echo "stopped $name (pid $pid)"
    fi
    rm -f "$file"
}

# The wineserver first. Signalled alone it would leave the prefix's Wine
# processes (services.exe and the like) behind, blocked; -k ends every
# process of this private prefix and then the server itself.
if [ -s "$WINE_TEST_STATE/wineserver.pid" ]; then
    timeout -k 5 30 wineserver -k >/dev/null 2>&1 && echo "ended the prefix's Wine processes"
fi
stop "$WINE_TEST_STATE/wineserver.pid" wineserver
stop "$WINE_TEST_STATE/xvfb.pid" Xvfb
rm -f "$WINE_TEST_STATE/display" "$WINE_TEST_STATE/display.new"
# Nothing ran, so nothing was stopped: skipped, like the tests.
if [ -s "$WINE_TEST_SKIP" ]; then
    rm -f "$WINE_TEST_SKIP"
    exit 77
fi
exit 0
