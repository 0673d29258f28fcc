# Environment for running programs under the test harness's private Wine.
# Source it with WINE_TEST_ROOT set to the build tree (build/win32); the
# prefix, the pid files and the logs all live under that tree.
# WINE_TEST_ARCH picks the Wine: win32 (the default) for the 32-bit programs,
# win64 for the 64-bit test build, run by the 64-bit loader in a prefix of
# its own. $WINE is the loader to start programs with.
if [ -z "${WINE_TEST_ROOT:-}" ]; then
    echo "wine-env.sh: WINE_TEST_ROOT (the build tree) is not set" >&2
    return 2 2>/dev/null || exit 2
fi
export WINE_TEST_ARCH=${WINE_TEST_ARCH:-win32}
case $WINE_TEST_ARCH in
    win32) WINE=wine; wine_suffix= ;;
    # Debian puts no wine64 on PATH; the loader finds itself through WINELOADER.
    win64) WINE=/usr/lib/wine/wine64; wine_suffix=-win64; export WINELOADER=$WINE ;;
    *) echo "wine-env.sh: WINE_TEST_ARCH must be win32 or win64" >&2
       return 2 2>/dev/null || exit 2 ;;
esac
export WINE
export WINE_TEST_STATE="$WINE_TEST_ROOT/wine-state$wine_suffix"
export WINEPREFIX="$WINE_TEST_ROOT/wineprefix$wine_suffix"
export WINEARCH=$WINE_TEST_ARCH
# Mono/Gecko installers off; a crashing program must not start winedbg and
# hang the run.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [ -s "$WINE_TEST_STATE/display" ]; then
    DISPLAY=":$(cat "$WINE_TEST_STATE/display")"
    export DISPLAY
fi

# runs_program <pid> <name>: that process still runs the named program (a
# recycled pid must not count). The command line is read whole first: with
# pipefail, a grep -q that stops reading early would make a running program
# look dead.
runs_program() {
    local cmd
    [ -n "$1" ] && [ -r "/proc/$1/cmdline" ] || return 1
    cmd=$(tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null) || return 1
    [[ $cmd == *"$2"* ]]
}

# start.sh leaves this file, with the reason, when this machine cannot run
# the 32-bit Wine; every test that needs it then reports itself skipped
# (exit 77, CTest's SKIP_RETURN_CODE), never passed.
WINE_TEST_SKIP="$WINE_TEST_STATE/skipped"
skip_if_wine_unavailable() {
    if [ -s "$WINE_TEST_SKIP" ]; then
        echo "skipped: $(cat "$WINE_TEST_SKIP")"
        exit 77
    fi
}
