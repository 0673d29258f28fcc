// The paths family: the folder, setup.exe in it and every component must
// stay below Windows' limit of 260 characters at the end user's, which
// setup.exe's own buffers and the install tools' file calls keep to.
#pragma once

#include <cstddef>
#include <string>

#include "check/rules/Family.h"

namespace check {

void CheckPaths(Folder& folder);
// A file of the folder, length bytes of the code page from it: path-too-long
// where its path at the end user's reaches the limit; outcome says what fails.
void CheckFilePath(Folder& folder, const std::string& display, std::size_t length,
                   const char* outcome);

}  // namespace check
