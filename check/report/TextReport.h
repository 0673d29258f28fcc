// The report as text for people: the rows setup.exe lists, the command
// lines Install builds, the findings.
#pragma once

#include <string>

#include "check/Check.h"

namespace check {

std::string FormatText(const Report& report);

}  // namespace check
