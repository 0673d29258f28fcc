#!/usr/bin/env bash
# Builds every tree and runs every test: native unit tests (with sanitizers),
# then the Wine tests and the end-to-end tests, against the 64-bit test build
# on every machine and against the shipped 32-bit setup.exe where the machine
# can run 32-bit code. Where it cannot (or with SETUP_NO_32BIT=1), the 32-bit
# file's run-time tests are reported as skipped; its static, rebuild and
# signing checks still run.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || { echo "installing the tools failed"; exit 1; }

# Asked once for the whole run; the win32 tree's Wine session reads it.
WINE32_PROBE=$(bash tests/wine/probe-32bit.sh)
export WINE32_PROBE
echo "== can this machine run the 32-bit Wine? $WINE32_PROBE"

status=0
passed=0
failed=0
skipped=0
count() {  # adds ctest's totals from its log; CTest counts a skipped test as passed
  local line total bad skip
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1)
  [ -n "$line" ] || return 0
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  skip=$(grep -c -E '^\s+[0-9]+ - \S+ \(Skipped\)\s*$' "$1")
  passed=$((passed + total - bad - skip))
  failed=$((failed + bad))
  skipped=$((skipped + skip))
  [ "$skip" -eq 0 ] || grep -E '^\s+[0-9]+ - \S+ \(Skipped\)\s*$' "$1" | sed 's/^\s*/   skipped: /'
}

# win64 before win32: where the 32-bit file cannot run, the signing test
# runs the signed 64-bit build instead.
for preset in native win64 win32; do
  echo "== $preset: configure and build"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "build of $preset failed"
    status=1
    continue
  fi
  echo "== $preset: tests"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  count "$log"
  rm -f "$log"
done

if [ "$skipped" -gt 0 ]; then
  if [[ $WINE32_PROBE == yes* ]]; then
    # Nothing may be skipped where everything can run.
    echo "$skipped test(s) skipped although this machine runs 32-bit code"
    status=1
  else
    echo "skipped: the 32-bit setup.exe's run-time tests, as the 32-bit Wine cannot run here: ${WINE32_PROBE#no: }"
  fi
fi
echo "tests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] || status=1
exit $status
