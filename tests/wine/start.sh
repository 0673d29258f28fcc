#!/usr/bin/env bash
# Starts what the Wine tests share: one Xvfb, the private prefix and one
# persistent wineserver. Safe to run again: whatever is still alive is kept.
# Usage: WINE_TEST_ROOT=<build tree> [WINE_TEST_ARCH=win64] start.sh
# Where the 32-bit Wine cannot run (tests/wine/probe-32bit.sh, or its answer
# in WINE32_PROBE when the caller asked once for the whole run), a win32
# session is not started: the reason is left for the tests, which then report
# themselves skipped, and this exits 77 (skipped) too.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
mkdir -p "$WINE_TEST_STATE"
rm -f "$WINE_TEST_SKIP"
if [ "$WINEARCH" = win32 ]; then
    # The probe exits 1 for "no"; that is an answer, not a failure here.
    probe=${WINE32_PROBE:-$(bash "$here/probe-32bit.sh" || true)}
    if [[ $probe != yes* ]]; then
        echo "the 32-bit Wine cannot run here: ${probe#no: }" >"$WINE_TEST_SKIP"
        skip_if_wine_unavailable
    fi
fi

# alive <pidfile> <program name>: the recorded process still runs that program.
alive() {
    [ -s "$1" ] && runs_program "$(cat "$1")" "$2"
}

t0=$(date +%s%N)

if alive "$WINE_TEST_STATE/xvfb.pid" Xvfb && [ -s "$WINE_TEST_STATE/display" ]; then
    echo "Xvfb already running on :$(cat "$WINE_TEST_STATE/display")"
else
    rm -f "$WINE_TEST_STATE/display" "$WINE_TEST_STATE/display.new"
    # -displayfd lets the server pick a free display number itself and tells
    # us once it accepts connections. Its output goes to a file: CTest waits
    # for every holder of the test's pipes before it ends the test.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$WINE_TEST_STATE/display.new" </dev/null >"$WINE_TEST_STATE/xvfb.log" 2>&1 &
    xvfb=$!
    echo "$xvfb" >"$WINE_TEST_STATE/xvfb.pid"
    # Our own child: whether it still exists is enough. Its command line may
    # still be this script's for a moment, before the exec.
    for _ in $(seq 100); do
        [ -s "$WINE_TEST_STATE/display.new" ] && break
        kill -0 "$xvfb" 2>/dev/null \
            || { echo "Xvfb exited at once:" >&2; cat "$WINE_TEST_STATE/xvfb.log" >&2; exit 1; }
        sleep 0.1
    done
    [ -s "$WINE_TEST_STATE/display.new" ] || { echo "Xvfb did not start" >&2; exit 1; }
    tr -d '\n' <"$WINE_TEST_STATE/display.new" >"$WINE_TEST_STATE/display"
    echo "Xvfb pid $(cat "$WINE_TEST_STATE/xvfb.pid") on :$(cat "$WINE_TEST_STATE/display")"
fi
export DISPLAY=":$(cat "$WINE_TEST_STATE/display")"

if alive "$WINE_TEST_STATE/wineserver.pid" wineserver; then
    echo "wineserver already running, pid $(cat "$WINE_TEST_STATE/wineserver.pid")"
else
    mkdir -p "$WINEPREFIX"
    # Foreground mode in a background job of ours, so its pid is the one we
    # record; -p keeps it alive between programs.
    setsid wineserver -f -p </dev/null >"$WINE_TEST_STATE/wineserver.log" 2>&1 &
    server=$!
    echo "$server" >"$WINE_TEST_STATE/wineserver.pid"
    sleep 0.2
    kill -0 "$server" 2>/dev/null \
        || { echo "wineserver exited at once:" >&2; cat "$WINE_TEST_STATE/wineserver.log" >&2; exit 1; }
    echo "wineserver pid $(cat "$WINE_TEST_STATE/wineserver.pid")"
fi

# The registry files appear only when the server saves them, so a marker of
# our own tells that wineboot has finished once in this prefix.
if [ ! -f "$WINEPREFIX/.harness-ready" ]; then
    echo "creating prefix $WINEPREFIX"
    timeout -k 5 300 "$WINE" wineboot --update </dev/null >"$WINE_TEST_STATE/wineboot.log" 2>&1 \
        || { cat "$WINE_TEST_STATE/wineboot.log" >&2; exit 1; }
    touch "$WINEPREFIX/.harness-ready"
fi
bash "$here/link-fonts.sh"

# Without a window manager every window close waits 2 s unless Wine manages
# windows itself. Setting it again on a warm prefix also checks the prefix
# answers.
timeout -k 5 120 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >"$WINE_TEST_STATE/reg.log" 2>&1 \
    || { cat "$WINE_TEST_STATE/reg.log" >&2; exit 1; }

ms=$(( ($(date +%s%N) - t0) / 1000000 ))
echo "ready in $((ms / 1000)).$((ms % 1000 / 100)) s"
