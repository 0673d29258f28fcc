#include "check/rules/Paths.h"

namespace check {

namespace {

using platform::kMaxPath;

const char kSetupName[] = "setup.exe";

std::string Characters(std::size_t n) { return std::to_string(n) + " characters"; }

// Whether setup.exe's own path at the end user's is short enough; when it is
// not, that is the one path finding.
bool SetupPathFits(const Folder& folder) {
    return folder.model.at.size() + sizeof kSetupName - 1 < kMaxPath;
}

}  // namespace

void CheckFilePath(Folder& folder, const std::string& display, std::size_t length,
                   const char* outcome) {
    length += folder.model.at.size();
    if (SetupPathFits(folder) && length >= kMaxPath)
        folder.findings.Add(rules::kPathTooLong, display, 0,
                            "its path at the end user's would be " + Characters(length) +
                                ", reaching Windows' limit of " + std::to_string(kMaxPath) +
                                ": " + outcome);
}

void CheckPaths(Folder& folder) {
    const std::string& at = folder.model.at;
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
