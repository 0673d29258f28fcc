// setup-check's command line, which its tests run without a process.
#pragma once

#include <string>

namespace check {

// The whole program: arguments (without the program's name) in, report on
// out and complaints on err; gives the exit status: 0 without errors, 1
// with errors, 2 for bad usage.
int RunCheck(int argc, const char* const* argv, std::string& out, std::string& err);

}  // namespace check
