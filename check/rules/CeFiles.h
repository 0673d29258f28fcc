// The ce-files family: what the CE Application Manager makes of a
// description file that gives rows (its [CEAppManager] section names the one
// application it installs, whose section lists the cabinets), and the
// cabinets, which must be there and whole, with the devices each installs on.
#pragma once

#include <vector>

#include "check/rules/Family.h"

namespace check {

// The cabinets the file lists that are there, in its order, with their devices.
std::vector<CabinetDevices> CheckCeDescriptionFile(Folder& folder,
                                                   const DescriptionFile& description);

}  // namespace check
