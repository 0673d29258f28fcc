// The report as SARIF 2.1.0, the log format code-scanning services and
// editors read: the tool and its rules from the table of rules, one result
// per finding with its file as a URI relative to the checked folder.
#pragma once

#include <string>

#include "check/Check.h"

namespace check {

std::string FormatSarif(const Report& report);

}  // namespace check
