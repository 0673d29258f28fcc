# The libFuzzer targets, 20 seconds each, through scripts/fuzz.sh. They are
# built by clang++ outside this tree, so they are registered only where clang
# links a libFuzzer program here.
find_program(FUZZ_CLANGXX NAMES clang++ clang++-14)
if(FUZZ_CLANGXX AND NOT FUZZ_LIBFUZZER_WORKS)
  set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/fuzz-probe.cpp)
  file(WRITE ${probe}
       "#include <cstddef>\n#include <cstdint>\n"
       "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, std::size_t) { return 0; }\n")
  execute_process(
    COMMAND ${FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${probe} -o ${probe}.bin
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(result EQUAL 0)
    set(FUZZ_LIBFUZZER_WORKS ON CACHE INTERNAL "clang++ links libFuzzer programs")
  else()
    set(FUZZ_LIBFUZZER_WORKS OFF CACHE INTERNAL "clang++ links libFuzzer programs")
  endif()
endif()

if(NOT FUZZ_LIBFUZZER_WORKS)
  message(STATUS "Fuzz tests not registered: no clang++ with libFuzzer "
                 "(Debian: clang-14 and libclang-rt-14-dev)")
  return()
endif()

foreach(target description_reader palm_template version_block palm_database cabinet_header
               ce_description ce_setup_file cabinet_library
               setup_xml)
  add_test(NAME fuzz_${target}
           COMMAND ${CMAKE_COMMAND} -E env FUZZ_CXX=${FUZZ_CLANGXX}
                   bash ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh --seconds 20 --target ${target})
  # Twenty seconds of fuzzing plus a build of up to half a minute.
  set_tests_properties(fuzz_${target} PROPERTIES TIMEOUT 180 LABELS fuzz)
endforeach()
