#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz/ with clang++ into build/fuzz/
# and runs each for N seconds on its own copy of the seed corpus (which keeps
# what it learns between runs; the seeds in the repository never grow).
# Usage: scripts/fuzz.sh [--seconds N] [--target NAME]...
# Exits non-zero when a target fails to build or a run finds a crash; the
# crashing input is kept in build/fuzz/crashes-<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=300
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --target) targets+=("$2"); shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--target NAME]..." >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(description_reader palm_template version_block palm_database
                                     cabinet_header ce_description ce_setup_file cabinet_library
                                     setup_xml)

cxx=${FUZZ_CXX:-clang++}
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -D_GLIBCXX_ASSERTIONS -I.)
out=build/fuzz
mkdir -p "$out"

status=0
for target in "${targets[@]}"; do
  # The product sources each target links, and the longest input it gets.
  libraries=()
  case "$target" in
    description_reader)
      sources=(catalogue/Discovery.cpp catalogue/ComponentKinds.cpp platform/Names.cpp)
      max_len=4096 ;;
    palm_template) sources=(handoff/PalmHandoff.cpp handoff/CeHandoff.cpp shell/MessageText.cpp)
                   max_len=2048 ;;
    version_block) sources=(about/VersionInfo.cpp); max_len=4096 ;;
    palm_database) sources=(check/readers/PalmDatabase.cpp); max_len=8192 ;;
    cabinet_header) sources=(check/readers/CabinetTables.cpp check/readers/Utf8.cpp); max_len=4096 ;;
    ce_setup_file) sources=(check/readers/CeSetupFile.cpp check/readers/Utf8.cpp); max_len=4096 ;;
    cabinet_library) sources=(check/readers/CabinetTables.cpp check/readers/Utf8.cpp
                              check/readers/CabinetLibrary.cpp check/readers/CabinetLibrary_mspack.cpp)
                     libraries=(-lmspack); max_len=8192 ;;
    ce_description) sources=(check/readers/IniFile.cpp check/readers/TextEncoding.cpp
                             platform/Names.cpp); max_len=4096 ;;
    setup_xml) sources=(check/readers/SetupXml.cpp check/readers/XmlEvents_expat.cpp)
               libraries=(-lexpat); max_len=8192 ;;
    *) echo "unknown target: $target" >&2; exit 2 ;;
  esac
  binary=$out/$target
  if [ ! -x "$binary" ] || [ -n "$(find tests/fuzz platform catalogue handoff shell about check \
        resources/resource.h -newer "$binary" -name '*.[ch]*' -print -quit)" ]; then
    echo "== $target: build"
    # A per-target temporary name: targets may be built side by side.
    if ! "$cxx" "${flags[@]}" "tests/fuzz/$target.cpp" "${sources[@]}" "${libraries[@]}" \
        -o "$binary.tmp"; then
      echo "== $target: BUILD FAILED"
      status=1
      continue
    fi
    mv "$binary.tmp" "$binary"
  fi

  corpus=$out/corpus-$target
  crashes=$out/crashes-$target
  mkdir -p "$corpus" "$crashes"
  cp tests/fuzz/seeds/"$target"/* "$corpus"/
  log=$out/$target.log
  echo "== $target: fuzzing for ${seconds}s (log: $log)"
  "$binary" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" >"$log" 2>&1
  rc=$?
  # The last status line: executions, coverage, features, corpus, speed.
  grep -E '^#[0-9]+' "$log" | tail -n 1
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log"
  if [ $rc -ne 0 ]; then
    echo "== $target: FAILED (exit $rc)"
    grep -n -m1 -E 'ERROR: |runtime error|invariant broken|deadly signal' "$log" |
      cut -d: -f1 | { read -r first && tail -n +"$first" "$log" | head -n 60; }
    status=1
  else
    echo "== $target: no crash"
  fi
done
exit $status
