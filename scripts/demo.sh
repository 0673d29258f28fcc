#!/usr/bin/env bash
# The demo: builds setup.exe, lays out a sample setup folder beside a copy of
# it in a private Wine prefix (build/demo/wineprefix), registers two stand-in
# install tools the way ActiveSync and Palm Desktop register theirs, and runs
# setup.exe there.
#
#   bash scripts/demo.sh             on your display, for you to click through;
#                                    without a usable display (or with CI=true)
#                                    the same as --headless
#   bash scripts/demo.sh --headless  on a private Xvfb, driven by
#                                    tests/e2e/demo.cpp, with a picture of each
#                                    window in build/demo/screenshots/
#   bash scripts/demo.sh --pictures  --headless, then copies the pictures to
#                                    docs/ (the README's)
#
# Either way it ends by printing what each stand-in install tool was given.
# It runs the shipped 32-bit setup.exe where this machine can run 32-bit code,
# and otherwise (or with SETUP_NO_32BIT=1) the 64-bit test build of the same
# program under the 64-bit Wine; it says which, and why.
# Exit status 0 only when the whole road went as expected.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

headless=0
pictures=0
for arg in "$@"; do
    case $arg in
        --headless) headless=1 ;;
        --pictures) headless=1; pictures=1 ;;
        -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "demo.sh: unknown argument $arg (try --help)" >&2; exit 2 ;;
    esac
done

t0=$(date +%s%N)
elapsed() { local ms=$(( ($(date +%s%N) - t0) / 1000000 )); echo "$((ms / 1000)).$((ms % 1000 / 100)) s"; }

echo "== installing what the demo needs"
bash scripts/install-deps.sh || { echo "demo: installing the tools failed" >&2; exit 1; }
demo=$root/build/demo
mkdir -p "$demo"
if probe=$(bash tests/wine/probe-32bit.sh); then
    preset=win32
    echo "== running the shipped 32-bit setup.exe: this machine runs 32-bit code (its 32-bit Wine loader answered: ${probe#yes })"
else
    preset=win64
    echo "== running the 64-bit test build of setup.exe, not the shipped 32-bit file: ${probe#no: }"
fi
export WINE_TEST_ARCH=$preset
echo "== building setup.exe, the stand-in tools and the demo program (preset $preset; log: build/demo/build.log)"
if ! { cmake --preset $preset && cmake --build --preset $preset; } >"$demo/build.log" 2>&1; then
    tail -n 30 "$demo/build.log" >&2
    echo "demo: the build failed" >&2
    exit 1
fi
tree=$root/build/$preset
demo_args=(--setup "$tree/setup.exe" --tools "$tree/tests/standins" --sample "$tree/folders/Sample CD")
echo "   built in $(elapsed)"

# A display the user can see: set, answering, and not CI's.
if [ $headless -eq 0 ]; then
    if [ "${CI:-}" = true ] || [ -z "${DISPLAY:-}" ] \
        || ! timeout 10 xdpyinfo >/dev/null 2>&1; then
        echo "   no usable display: running headless"
        headless=1
    fi
fi

export WINE_TEST_ROOT=$demo
unset STANDIN_LOG STANDIN_WAIT_FOR STANDIN_EXIT

if [ $headless -eq 0 ]; then
    user_display=$DISPLAY
    # shellcheck source=tests/wine/wine-env.sh
    . tests/wine/wine-env.sh
    export DISPLAY=$user_display
    # A headless run that was cut short may have left its Xvfb and
    # wineserver behind; windows would open there instead of here.
    bash tests/wine/stop.sh >/dev/null
    # The prefix's Wine processes belong to this run: end them on the way out.
    trap 'timeout -k 5 30 wineserver -k >/dev/null 2>&1' EXIT
    if [ ! -f "$WINEPREFIX/.harness-ready" ]; then
        echo "== creating the Wine prefix $WINEPREFIX"
        timeout -k 5 300 "$WINE" wineboot --update </dev/null >"$demo/wineboot.log" 2>&1 \
            || { cat "$demo/wineboot.log" >&2; exit 1; }
        touch "$WINEPREFIX/.harness-ready"
    fi
    bash tests/wine/link-fonts.sh  # start.sh does this for headless runs
    # A headless run leaves Wine drawing the frames itself; here the
    # desktop's window manager does.
    timeout -k 5 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f \
        </dev/null >/dev/null 2>&1
    echo "== setup.exe on $DISPLAY"
    timeout -k 5 3600 "$WINE" "$tree/tests/e2e/demo.exe" play "${demo_args[@]}" </dev/null
    status=$?
    echo "sample setup folder: $WINEPREFIX/drive_c/Quillmere Demo/Sample CD"
    [ "$status" -eq 124 ] && echo "demo: setup.exe still ran after an hour; ended it" >&2
    exit "$status"
fi

# Headless: the harness's own Xvfb and wineserver, stopped again at the end.
trap 'bash tests/wine/stop.sh >/dev/null' EXIT
echo "== starting Xvfb and Wine (prefix in build/demo)"
bash tests/wine/start.sh | sed 's/^/   /'
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "demo: Wine did not start" >&2; exit 1; }

shots=$demo/screenshots
rm -rf "$shots"
mkdir -p "$shots"
echo "== walking setup.exe's road (tests/e2e/demo.cpp)"
bash tests/wine/run.sh 180 "$tree/tests/e2e/demo.exe" walk "${demo_args[@]}" --shots "$shots" \
    </dev/null | tr -d '\r'
status=${PIPESTATUS[0]}
[ "$status" -eq 124 ] && echo "demo: the walk did not end within 180 s" >&2

# The vendor's check of the same sample folder: its rows, and under each
# Windows CE row the devices each cabinet installs on.
echo "== the vendor's check of the sample folder (setup-check.exe)"
sample="$tree/folders/Sample CD"
bash tests/wine/run.sh 60 "$tree/setup-check.exe" "Z:${sample//\//\\}" </dev/null | tr -d '\r' \
    | sed -n '/^Rows/,/^$/p' | sed 's/^/   /'
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "demo: setup-check.exe found errors in the sample" >&2; status=1; }

# PNG without time stamps, so pictures of an unchanged program are the same
# bytes.
converted=()
for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] || continue
    png=${bmp%.bmp}.png
    if convert "$bmp" -strip -define png:exclude-chunks=date,time "$png"; then
        rm -f "$bmp"
        converted+=("$png")
    else
        status=1
    fi
done
for name in selection about final; do
    [ -f "$shots/$name.png" ] || { echo "demo: no picture $name.png" >&2; status=1; }
done
[ ${#converted[@]} -eq 0 ] || echo "pictures: ${converted[*]#"$root"/}"

if [ $pictures -eq 1 ]; then
    if [ "$status" -eq 0 ]; then
        mkdir -p docs
        cp "$shots"/selection.png "$shots"/about.png "$shots"/final.png docs/
        echo "README pictures updated: docs/selection.png docs/about.png docs/final.png"
    else
        echo "demo: the road did not go as expected; docs/ left as it was" >&2
    fi
fi

echo "demo: $([ "$status" -eq 0 ] && echo "done" || echo "FAILED") in $(elapsed), with build/$preset/setup.exe"
exit "$status"
