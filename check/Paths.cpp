// Paths at the end user's: the folder, setup.exe in it and every component
// must stay below Windows' limit of 260 characters, which setup.exe's own
// buffers and the install tools' file calls keep to.
#include "check/Checks.h"

namespace check {

namespace {

using platform::kMaxPath;

const char kSetupName[] = "setup.exe";

std::string Characters(std::size_t n) { return std::to_string(n) + " characters"; }

// Whether setup.exe's own path at the end user's is short enough; when it is
// not, that is the one path finding.
bool SetupPathFits(const Folder& folder) {
    return folder.at.size() + sizeof kSetupName - 1 < kMaxPath;
}

}  // namespace

bool IsAbsoluteWindowsPath(const std::string& path) {
    if (path.find_first_of("/<>\"|?*") != std::string::npos ||
        path.find(':', 2) != std::string::npos)
        return false;
    const bool drive = path.size() >= 3 && platform::IsAsciiLetter(path[0]) && path[1] == ':' &&
                       path[2] == '\\';
    // \\server\share\...
    const std::size_t share = path.size() > 2 && path.compare(0, 2, "\\\\") == 0
                                  ? path.find('\\', 2)
                                  : std::string::npos;
    const bool unc = share != std::string::npos && share > 2 && share + 1 < path.size() &&
                     path[share + 1] != '\\';
    return drive || unc;
}

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) parts.push_back(part);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

void CheckFilePath(Folder& folder, const std::string& display, std::size_t length,
                   const char* outcome) {
    length += folder.at.size();
    if (SetupPathFits(folder) && length >= kMaxPath)
        folder.findings.Add(rules::kPathTooLong, display, 0,
                            "its path at the end user's would be " + Characters(length) +
                                ", reaching Windows' limit of " + std::to_string(kMaxPath) +
                                ": " + outcome);
}

void CheckPaths(Folder& folder) {
    const std::string& at = folder.at;
    const std::string limit = "reaching Windows' limit of " + std::to_string(kMaxPath);
    if (at.size() >= kMaxPath) {
        folder.findings.Add(rules::kPathTooLong, "", 0,
                            "the folder's path at the end user's (--at) is " +
                                Characters(at.size()) + ", " + limit +
                                ": setup.exe cannot run from it");
        return;
    }
    const std::size_t setupPath = at.size() + sizeof kSetupName - 1;
    if (setupPath >= kMaxPath) {
        folder.findings.Add(rules::kPathTooLong, kSetupName, 0,
                            "its path at the end user's would be " + Characters(setupPath) +
                                ", " + limit +
                                ": setup.exe cannot find its own folder and lists nothing");
        return;
    }
    for (const ComponentFile& file : folder.model.files)
        CheckFilePath(folder, folder.Display(file.name), file.name.size(),
                      "setup.exe and the install tools cannot open it there");
}

}  // namespace check
