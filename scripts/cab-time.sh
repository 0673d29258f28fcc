#!/usr/bin/env bash
# How long the folder check takes to read 100 MB of cabinets whole (not a
# test: it prints the times). The folder holds ten Windows CE cabinets of
# 10 MB each, half stored and half packed with MSZIP, each listed by a
# description file of its own. Timed natively (libmspack) and, where Wine
# runs, setup-check.exe under Wine (the system's cabinet reader); the 32-bit
# file where this machine runs 32-bit code, else the 64-bit build.
# Usage: bash scripts/cab-time.sh [runs, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
root=$(pwd)

bash scripts/install-deps.sh
if bash tests/wine/probe-32bit.sh >/dev/null; then preset=win32; else preset=win64; fi
cmake --preset native >/dev/null && cmake --build --preset native --target setup-check >/dev/null
cmake --preset $preset >/dev/null && cmake --build --preset $preset --target setup-check >/dev/null

folder=$root/build/cab-time/folder
rm -rf "$folder"
mkdir -p "$folder" "$root/build/cab-time/empty"
python3 - "$folder" <<'EOF'
import os, random, sys
sys.path.insert(0, "tests/folders")
import make_folders
folder = sys.argv[1]
random.seed(1)
for i in range(10):
    # Bytes MSZIP cannot pack, so that each cabinet keeps its 10 MB.
    body = random.randbytes(10 << 20)
    name = "App%d" % i
    setup = make_folders.ce_setup(make_folders.STRONGARM + i, (3, 0), (0, 0), name, "Vendor",
                                  [(1, name + ".exe")])
    make_folders.cabinet(folder, name + ".cab", [("APP%d.000" % i, setup), ("APP%d.001" % i, body)],
                         compress=i % 2 == 1)
    with open(os.path.join(folder, name + ".ini"), "wb") as f:
        f.write(make_folders.ce_description(name, name, name + ".cab"))
EOF
echo "folder: $(du -sb "$folder" | cut -f1) bytes in $(ls "$folder"/*.cab | wc -l) cabinets"

best() {  # the shortest of $runs runs of a command, in milliseconds
  local t0 t1 ms min=
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$@" >/dev/null || [ $? -eq 1 ]
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    [ -z "$min" ] || [ "$ms" -lt "$min" ] && min=$ms
  done
  echo "$min"
}
echo "native (libmspack): $(best build/native/setup-check "$folder") ms"

export WINE_TEST_ARCH=$preset
export WINE_TEST_ROOT="$root/build/cab-time"
trap 'bash tests/wine/stop.sh >/dev/null 2>&1 || true' EXIT
bash tests/wine/start.sh >/dev/null
# shellcheck source=tests/wine/wine-env.sh
. tests/wine/wine-env.sh
echo "under Wine, $preset (cabinet.dll): $(best timeout 600 "$WINE" \
  "build/$preset/setup-check.exe" "Z:${folder//\//\\}") ms (Wine's start included)"
echo "under Wine, the same with an empty folder: $(best timeout 60 "$WINE" \
  "build/$preset/setup-check.exe" "Z:${root//\//\\}\\build\\cab-time\\empty") ms"
