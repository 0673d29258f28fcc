#!/usr/bin/env bash
# Measures the tests by planting faults in setup.exe, one at a time: each
# entry of the table below changes one line of the program. For each, it
# builds setup.exe, runs the Wine suite (ctest of the win32 tree, or of the
# win64 test build where the machine cannot run 32-bit code; without the
# release checks, which are about packaging) and, when the line is in a file
# the native tree also compiles, the native tests without the fuzzers; then
# it says which tests caught the fault. The tree is restored afterwards,
# whatever happens, and the build brought back in step with it.
#
# Usage: bash scripts/plant-faults.sh [--list] [NUMBER...]
#   --list   print the table and stop; NUMBERs plant only those entries
# Takes minutes (about a minute and a half a fault); not part of
# scripts/test.sh. The last line is "N planted, M caught".
set -uo pipefail
cd "$(dirname "$0")/.."

faults_file=()
faults_from=()
faults_to=()
faults_what=()
# fault FILE TEXT REPLACEMENT WHAT: the one line of FILE that holds TEXT is
# changed: TEXT becomes REPLACEMENT ("" removes it).
fault() {
  faults_file+=("$1")
  faults_from+=("$2")
  faults_to+=("$3")
  faults_what+=("$4")
}

# ---- The table ------------------------------------------------------------------
sel=selection/SelectionDialog_win32.cpp
fault $sel "SendMessageA(listView_, WM_SETREDRAW, TRUE, 0);" "" \
  "the list's repaint left off after it is filled"
fault $sel "if (RowCount() > 0) EnableWindow(installButton_, TRUE);" \
  "EnableWindow(installButton_, TRUE);" "Install enabled with an empty list"
fault $sel "MAKELPARAM((widest + 25)" "MAKELPARAM((widest + 20)" "a narrower column"
fault $sel "EnableWindow(installButton_, anyChecked ? TRUE : FALSE);" \
  "EnableWindow(installButton_, TRUE);" "Install stays enabled with every row unchecked"
fault $sel "EndDialog(Window(), id);" "EndDialog(Window(), id + 1);" \
  "exit code 2 after Install"
w32=platform/Win32System_win32.cpp
fault $w32 "return LoadLibraryA(path);" "return LoadLibraryA(name);" \
  "the library fallback loads by bare name"
fault $w32 'calls.setDllDirectory("");' "(void)calls;" \
  "the current directory stays in the search without SetDefaultDllDirectories"
fault platform/ExactConversion.cpp "== kCodePageUtf8)" "== kCodePageUtf8 && false)" \
  "the UTF-8 branch of the exact conversion removed"
fault $w32 "WaitForSingleObject(child.Get(), INFINITE);" "" "not waiting for a tool"
fault $w32 'FILE* file = std::fopen(path.c_str(), "r");' \
  'FILE* file = std::fopen(path.c_str(), "rb");' "description files read in binary mode"
fault $w32 "found.attributes = data_.dwFileAttributes;" "found.attributes = 0;" \
  "folders taken for files"
fault handoff/PalmHandoff.cpp "if (!paths.empty()) paths += ' ';" \
  "if (!paths.empty()) paths += ',';" "the Palm paths separated by commas"
fault handoff/PalmHandoff.cpp 'return "\"" + executable + "\"";' "return executable;" \
  "an unquoted Palm tool taken from its registered command"
fault handoff/CeHandoff.cpp "platform::kIconError);" "platform::kIconWarning);" \
  "the missing CE tool told with a warning icon"
about=about/AboutDialog_win32.cpp
fault $about "ReplaceCommaSpace(system_, record.ProductVersion)" "record.ProductVersion" \
  "About shows the version with its commas"
fault $about "LANG_ENGLISH, SUBLANG_ENGLISH_US" "LANG_GERMAN, SUBLANG_GERMAN" \
  "About reads another language's texts"

count=${#faults_file[@]}
if [ "${1:-}" = --list ]; then
  for ((i = 0; i < count; ++i)); do
    printf '%2d  %s: %s\n      %s\n   -> %s\n' $((i + 1)) "${faults_file[$i]}" \
      "${faults_what[$i]}" "${faults_from[$i]}" "${faults_to[$i]:-(removed)}"
  done
  exit 0
fi
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || mapfile -t chosen < <(seq "$count")

# ---- The tree is restored whatever happens -----------------------------------------
backup=$(mktemp -d)
restore() {
  local f
  for f in "$backup"/files/*; do
    [ -e "$f" ] || continue
    # Copied back, not moved: a new time stamp makes the next build see it.
    cp "$f" "$(cat "$f.path")"
    rm -f "$f" "$f.path"
  done
}
finish() {
  restore
  rm -rf "$backup"
}
trap finish EXIT
trap 'exit 130' INT TERM
mkdir -p "$backup/files"

# plant FILE FROM TO: saves FILE, then changes FROM to TO in the one line
# that holds it; fails when not exactly one line holds it.
plant() {
  local saved="$backup/files/$(tr '/' '_' <<<"$1")"
  cp "$1" "$saved" && printf '%s' "$1" >"$saved.path" || return 1
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1:]
lines = open(path, encoding="utf-8").read().split("\n")
hits = [i for i, line in enumerate(lines) if old in line]
if len(hits) != 1:
    sys.exit("%s: %d lines hold %s" % (path, len(hits), old))
lines[hits[0]] = lines[hits[0]].replace(old, new)
open(path, "w", encoding="utf-8").write("\n".join(lines))
PY
}

# ---- Trees and suites ---------------------------------------------------------------
if bash tests/wine/probe-32bit.sh >/dev/null; then preset=win32; else preset=win64; fi
echo "== the Wine suite of the $preset tree, and the native tests without the fuzzers"
for p in native $preset; do
  [ -f "build/$p/CMakeCache.txt" ] || cmake --preset "$p" >/dev/null || exit 1
done

# run_suites PORTABLE LOG: builds and runs the suites, leaving in LOG the names
# of the tests that failed, one a line ("build" when a build failed).
run_suites() {
  local portable=$1 out=$2 log
  log=$(mktemp)
  : >"$out"
  if ! cmake --build --preset "$preset" >"$log" 2>&1; then
    echo build >"$out"
    rm -f "$log"
    return
  fi
  ctest --preset "$preset" -LE release >"$log" 2>&1
  sed -nE 's/^\s+[0-9]+ - (\S+) \((Failed|Timeout|Exception|SEGFAULT|Not Run)\).*/\1/p' \
    "$log" >>"$out"
  if [ "$portable" = yes ]; then
    if cmake --build --preset native >"$log" 2>&1; then
      ctest --preset native -LE fuzz >"$log" 2>&1
      sed -nE 's/^\s+[0-9]+ - (\S+) \((Failed|Timeout|Exception|SEGFAULT|Not Run)\).*/native:\1/p' \
        "$log" >>"$out"
    else
      echo build >>"$out"
    fi
  fi
  rm -f "$log"
}

# The suites must pass on the tree as it is, or a failure tells nothing.
result=$(mktemp)
t0=$(date +%s)
run_suites yes "$result"
if [ -s "$result" ]; then
  echo "the tests fail on the tree as it is: $(paste -sd' ' "$result")"
  echo "0 planted, 0 caught"
  exit 1
fi
echo "   they pass on the tree as it is ($(( $(date +%s) - t0 )) s)"

planted=0
caught=0
for n in "${chosen[@]}"; do
  i=$((n - 1))
  if [ "$i" -lt 0 ] || [ "$i" -ge "$count" ]; then
    echo "no fault $n (1 to $count)"
    continue
  fi
  file=${faults_file[$i]}
  t0=$(date +%s)
  printf '%2d  %s: %s\n' "$n" "$file" "${faults_what[$i]}"
  if ! plant "$file" "${faults_from[$i]}" "${faults_to[$i]}"; then
    echo "    not planted"
    restore
    continue
  fi
  portable=yes
  [[ $file == *_win32.cpp ]] && portable=no
  run_suites "$portable" "$result"
  restore
  if grep -qx build "$result"; then
    echo "    not planted: the build failed with it"
    continue
  fi
  planted=$((planted + 1))
  if [ -s "$result" ]; then
    caught=$((caught + 1))
    echo "    caught by: $(paste -sd' ' "$result") ($(( $(date +%s) - t0 )) s)"
  else
    echo "    NOT caught ($(( $(date +%s) - t0 )) s)"
  fi
done

# The build in step with the restored tree again.
restore
cmake --build --preset "$preset" >/dev/null 2>&1 || echo "rebuilding the $preset tree failed"
cmake --build --preset native >/dev/null 2>&1 || echo "rebuilding the native tree failed"
rm -f "$result"
echo "$planted planted, $caught caught"
