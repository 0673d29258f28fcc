// The report of setup-check as text for people and as JSON for build servers.
#pragma once

#include <string>

#include "check/Check.h"

namespace check {

std::string FormatText(const Report& report, const std::string& folder);
std::string FormatJson(const Report& report, const std::string& folder, unsigned codePage,
                       bool codePageGiven);

// The whole program: arguments (without the program's name) in, report on
// out and complaints on err; gives the exit status: 0 without errors, 1
// with errors, 2 for bad usage.
int RunCheck(int argc, const char* const* argv, std::string& out, std::string& err);

}  // namespace check
