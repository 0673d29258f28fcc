#!/usr/bin/env bash
# Size and start-up benchmark of setup.exe (not a test: it prints a table).
#   stripped size and the largest contributors from the link map;
#   time from process start until the selection dialog is ready, for 0, 500
#   and 5,000 components, beside an empty-dialog program's time;
#   peak working set with 5,000 components.
# Usage: bash scripts/bench.sh [runs per case, default 9; the cases take turns]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
root=$(pwd)

bash scripts/install-deps.sh
# The shipped 32-bit file where this machine runs 32-bit code, else the
# 64-bit test build; the table says which.
if probe=$(bash tests/wine/probe-32bit.sh); then
  preset=win32 tools=i686-w64-mingw32 why="the shipped 32-bit file"
else
  preset=win64 tools=x86_64-w64-mingw32 why="the 64-bit test build (${probe#no: })"
fi
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target setup bench minimal_dialog >/dev/null
tree=build/$preset

export WINE_TEST_ARCH=$preset
export WINE_TEST_ROOT="$root/build/bench"
mkdir -p "$WINE_TEST_ROOT"
trap 'bash tests/wine/stop.sh >/dev/null 2>&1 || true' EXIT
bash tests/wine/start.sh >/dev/null
. tests/wine/wine-env.sh

work="$WINE_TEST_ROOT/folders"
rm -rf "$work"
mkdir -p "$work/empty"
cp $tree/minimal_dialog.exe "$work/empty/"
for n in 0 500 5000; do
  dir="$work/setup-$n"
  mkdir -p "$dir"
  cp $tree/setup.exe "$dir/"
  # Palm applications: the cheapest component to lay out in bulk.
  (cd "$dir" && for i in $(seq 1 "$n"); do : > "App$i.prc"; done)
done

bench() { timeout -k 5 600 "$WINE" $tree/bench.exe "$@" </dev/null 2>/dev/null | tr -d '\r'; }

size=$(stat -c %s $tree/setup.exe)
echo "build: $tree/setup.exe, $why"
echo "setup.exe: $size bytes stripped ($((size / 1024)) KiB); imports:"
$tools-objdump -p $tree/setup.exe | sed -n 's/^\s*DLL Name: /  /p'
echo "largest contributors (bytes, from the link map):"
python3 scripts/size-report.py $tree/setup.map 10
echo
mapfile -t results < <(bench "$runs" "$work/empty/minimal_dialog.exe" "Bench Dialog" -1 \
  "$work/setup-0/setup.exe" "Quillmere Installer" 0 \
  "$work/setup-500/setup.exe" "Quillmere Installer" 500 \
  "$work/setup-5000/setup.exe" "Quillmere Installer" 5000)
[ "${#results[@]}" -eq 4 ] || { echo "bench: a case did not finish" >&2; exit 1; }
read -r base_med base_min _ <<<"${results[0]}"
printf '%-28s %10s %10s %12s %14s\n' "case" "median ms" "min ms" "vs empty" "peak WS KiB"
printf '%-28s %10s %10s %12s %14s\n' "empty dialog (baseline)" "$base_med" "$base_min" "-" "-"
i=1
for n in 0 500 5000; do
  read -r med min peak <<<"${results[$i]}"
  ratio=$(python3 -c "print(f'{$med / $base_med * 100 - 100:+.1f} %')")
  printf '%-28s %10s %10s %12s %14s\n' "setup.exe, $n components" "$med" "$min" "$ratio" "$peak"
  i=$((i + 1))
done
