// Paths as the end user's Windows takes them: absolute paths given to the
// check, and files named by a path relative to the setup folder (a
// description file's cabinets), found as Windows finds them.
#pragma once

#include <string>
#include <vector>

#include "check/model/FolderModel.h"

namespace check {

// Whether a path is an absolute Windows path: a drive's (D:\...) or a
// share's (\\server\share\...).
bool IsAbsoluteWindowsPath(const std::string& path);

// The pieces of a relative path between its backslashes (or slashes).
std::vector<std::string> PathParts(const std::string& path);

// A file named by a path relative to the setup folder.
struct FolderFile {
    bool outside = false;    // it points outside the folder
    bool found = false;
    std::string local;       // local path, when found
    std::string display;     // UTF-8, relative to the folder, when found
    std::size_t length = 0;  // of the relative path in the code page
};

// Finds a file as Windows does: each part without regard to case. The path
// is UTF-8, where no byte of a character can pass for a backslash; one that
// starts with where the end user has the folder points into it.
FolderFile FindInFolder(Host& host, const FolderModel& model, const std::string& localFolder,
                        std::string path);

}  // namespace check
