// Checks in the style of Wine's conformance tests: each ok() is counted, and
// printed when it fails (or always with E2E_VERBOSE=1).
#pragma once

#include <string>
#include <vector>

#if defined(__GNUC__)
#define E2E_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define E2E_PRINTF(f, a)
#endif

// Records one check. Returns cond so a caller can stop early when later
// checks would be moot.
bool ok_at(const char* file, int line, bool cond, const char* format, ...) E2E_PRINTF(4, 5);
#define ok(cond, ...) ok_at(__FILE__, __LINE__, (cond), __VA_ARGS__)
void trace(const char* format, ...) E2E_PRINTF(1, 2);
int PassedCount();
int FailedCount();

// Quoted and escaped for messages: "a\tb" stays readable.
std::string Show(const std::string& text);
std::string Join(const std::vector<std::string>& parts, const char* separator);
