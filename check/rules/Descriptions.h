// The descriptions family: setup.exe's reading of description files, where
// its line reader does not give the rows the vendor wrote (long lines, a key
// that ends the reading, Ctrl-Z, lone CRs, a byte-order mark, UTF-16).
#pragma once

#include "check/rules/Family.h"

namespace check {

void CheckDescriptionFile(Folder& folder, const DescriptionFile& description);

}  // namespace check
