#!/usr/bin/env bash
# Runs compare-native.py with the native setup-check, building it first when
# its tree is there (the test command builds the native tree before the
# Windows ones); without one it says so and fails.
# Usage: WINE_TEST_ROOT=<build tree> compare-native.sh SOURCE_DIR FOLDERS_DIR REPORTS_DIR
#        CODE_PAGE FOLDER...
set -uo pipefail
source_dir=$1
shift
# The reports come from the Wine session: where it could not run, neither
# can this (a report left by an earlier run must not stand in).
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"
skip_if_wine_unavailable
native=$source_dir/build/native/setup-check
if [ -f "$source_dir/build/native/CMakeCache.txt" ]; then
  (cd "$source_dir" && cmake --build --preset native --target setup-check >/dev/null) \
    || { echo "building the native setup-check failed"; exit 1; }
fi
[ -x "$native" ] || { echo "no native setup-check: build the native preset first"; exit 1; }
exec python3 "$here/compare-native.py" "$native" "$@"
