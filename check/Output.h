// The formatters of setup-check's report: text for people, JSON of our own
// for scripts written for it, and SARIF 2.1.0 (Sarif.cpp) for build servers
// and editors. Each reads the report only.
#pragma once

#include <string>

#include "check/Check.h"

namespace check {

std::string FormatText(const Report& report, const std::string& folder);
std::string FormatJson(const Report& report, const std::string& folder, unsigned codePage,
                       bool codePageGiven);
// folder: as shown in the other formats; file names become URIs relative to it.
std::string FormatSarif(const Report& report, const std::string& folder);

}  // namespace check
