// The palm-files family: each Palm file handed over must be a whole Palm
// database of its kind, the handheld knows each by the name in its header,
// and the install tool gets all their paths in one argument; databases
// under other names are never handed over.
#pragma once

#include "check/rules/Family.h"

namespace check {

void CheckPalmFiles(Folder& folder);

}  // namespace check
