#!/usr/bin/env bash
# Builds both trees and runs every test: native unit tests (with sanitizers),
# then the Wine tests and the end-to-end tests of setup.exe.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || { echo "installing the tools failed"; exit 1; }

status=0
passed=0
failed=0
count() {  # adds ctest's totals from its log
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1)
  [ -n "$line" ] || return 0
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

for preset in native win32; do
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

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
