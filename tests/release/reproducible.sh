#!/usr/bin/env bash
# Two clean builds of the same source, in folders of different path lengths
# and at different times, must give a byte-identical setup.exe: a vendor has
# to be able to rebuild exactly the file they tested before signing it.
#
# Usage: reproducible.sh <source tree> [cmake]
# The working tree is used, uncommitted changes included, without build/ and
# .git/. Set KEEP_REPRO=1 to keep the temporary folders for inspection.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: reproducible.sh <source tree> [cmake]" >&2
    exit 2
fi
src=$(cd "$1" && pwd)
cmake=${2:-cmake}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/repro.XXXXXX")
if [ "${KEEP_REPRO:-0}" = 1 ]; then
    trap 'echo "kept $tmp"' EXIT
else
    trap 'rm -rf "$tmp"' EXIT
fi

# One snapshot, copied twice: others edit the tree while this runs, and two
# separate copies of a changing tree would differ for that reason alone.
mkdir "$tmp/snapshot"
status=0
tar -C "$src" --exclude=./build --exclude=./.git -cf - . | tar -C "$tmp/snapshot" -xf - || status=$?
# tar says 1 when a file changed while it was read; the snapshot is still
# one consistent input for both builds.
[ $status -le 1 ] || { echo "FAIL: cannot copy $src" >&2; exit 1; }

dir_a=$tmp/a
dir_b=$tmp/a-much-longer-folder-name/and-deeper/b
[ ${#dir_a} -ne ${#dir_b} ] || { echo "FAIL: the two paths must differ in length" >&2; exit 1; }

build() {   # build <folder>: configures and builds the setup target there
    local dir=$1 t0 ms
    mkdir -p "$dir/src"
    cp -a "$tmp/snapshot/." "$dir/src/"
    t0=$(date +%s%N)
    "$cmake" -S "$dir/src" -B "$dir/build" \
        -DCMAKE_TOOLCHAIN_FILE="$dir/src/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >"$dir/configure.log" 2>&1 \
        || { cat "$dir/configure.log" >&2; echo "FAIL: configure in $dir" >&2; exit 1; }
    "$cmake" --build "$dir/build" --target setup --parallel "$(nproc)" >"$dir/build.log" 2>&1 \
        || { tail -n 40 "$dir/build.log" >&2; echo "FAIL: build in $dir" >&2; exit 1; }
    ms=$(( ($(date +%s%N) - t0) / 1000000 ))
    echo "built $dir/build/setup.exe in $((ms / 1000)).$((ms % 1000 / 100)) s"
}

build "$dir_a"
# Anything that records the time of the build shows up as a difference.
sleep 2
build "$dir_b"

diff -r "$dir_a/src" "$dir_b/src" >/dev/null \
    || { echo "FAIL: the two source copies differ; the test itself is broken" >&2; exit 1; }

exe_a=$dir_a/build/setup.exe
exe_b=$dir_b/build/setup.exe
hash_a=$(sha256sum "$exe_a" | cut -d' ' -f1)
hash_b=$(sha256sum "$exe_b" | cut -d' ' -f1)
echo "sha256 $hash_a  $exe_a ($(stat -c %s "$exe_a") bytes)"
echo "sha256 $hash_b  $exe_b ($(stat -c %s "$exe_b") bytes)"

if [ "$hash_a" != "$hash_b" ]; then
    echo "FAIL: the two builds differ" >&2
    echo "differing bytes: $(cmp -l "$exe_a" "$exe_b" 2>/dev/null | wc -l); first ones (offset, octal a, octal b):" >&2
    cmp -l "$exe_a" "$exe_b" 2>&1 | head -n 10 >&2 || true
    # Where the differences lie: the section headers and the PE header fields
    # that usually hold a time or a checksum.
    diff <(i686-w64-mingw32-objdump -h -p "$exe_a" | sed 1,2d) \
         <(i686-w64-mingw32-objdump -h -p "$exe_b" | sed 1,2d) >&2 || true
    for exe in "$exe_a" "$exe_b"; do
        n=$(grep -a -c -F "$tmp" "$exe" || true)
        [ "$n" = 0 ] || echo "$exe contains its build path ($n times)" >&2
    done
    exit 1
fi
echo "PASS: both builds of setup.exe are byte-identical"
