# Environment for running programs under the test harness's private Wine.
# Source it with WINE_TEST_ROOT set to the build tree (build/win32); the
# prefix, the pid files and the logs all live under that tree.
if [ -z "${WINE_TEST_ROOT:-}" ]; then
    echo "wine-env.sh: WINE_TEST_ROOT (the build tree) is not set" >&2
    return 2 2>/dev/null || exit 2
fi
export WINE_TEST_STATE="$WINE_TEST_ROOT/wine-state"
export WINEPREFIX="$WINE_TEST_ROOT/wineprefix"
export WINEARCH=win32
# Mono/Gecko installers off; a crashing program must not start winedbg and
# hang the run.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [ -s "$WINE_TEST_STATE/display" ]; then
    DISPLAY=":$(cat "$WINE_TEST_STATE/display")"
    export DISPLAY
fi
