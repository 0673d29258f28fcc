// The report as one JSON object for scripts written for it: every field of
// the report, named as the vendor's guide names them.
#pragma once

#include <string>

#include "check/Check.h"

namespace check {

std::string FormatJson(const Report& report);

}  // namespace check
