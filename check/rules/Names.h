// The names family: what discovery passes over (names that match only
// through their 8.3 alias, folders) and names the end user's Windows cannot
// hold as they are.
#pragma once

#include "check/rules/Family.h"

namespace check {

void CheckNames(Folder& folder);

}  // namespace check
