// A minimal checker in the manner of Wine's conformance tests: ok() records
// a result and prints the failing line; the program's exit code tells.
#pragma once

#include <cstdarg>
#include <cstdio>

namespace winetest {
inline int passed = 0;
inline int failed = 0;

inline void Check(bool condition, const char* file, int line, const char* format, ...) {
    if (condition) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("%s:%d: Test failed: ", file, line);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
}

inline int Finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
}  // namespace winetest

#define ok(condition, ...) winetest::Check((condition), __FILE__, __LINE__, __VA_ARGS__)
