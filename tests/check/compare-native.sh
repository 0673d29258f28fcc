#!/usr/bin/env bash
# Runs compare-native.py with the native setup-check, building it first when
# its tree is there (the test command builds the native tree before the
# Windows ones); without one it says so and fails.
# Usage: compare-native.sh SOURCE_DIR FOLDERS_DIR REPORTS_DIR CODE_PAGE FOLDER...
set -uo pipefail
source_dir=$1
shift
native=$source_dir/build/native/setup-check
if [ -f "$source_dir/build/native/CMakeCache.txt" ]; then
  (cd "$source_dir" && cmake --build --preset native --target setup-check >/dev/null) \
    || { echo "building the native setup-check failed"; exit 1; }
fi
[ -x "$native" ] || { echo "no native setup-check: build the native preset first"; exit 1; }
exec python3 "$(dirname "$0")/compare-native.py" "$native" "$@"
