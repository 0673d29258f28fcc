// The rows family: the rows setup.exe lists, and what Install hands over
// with every row checked.
#pragma once

#include "check/rules/Family.h"

namespace check {

void CheckRows(Folder& folder);
// Install's command lines, into the report; after the files' own findings.
void CheckInstall(Folder& folder, Report& report);

}  // namespace check
