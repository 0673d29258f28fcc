// What the families of checks share: the findings and the folder read once
// (Model.h), with its names in the end user's code page. Each family reads
// the model and emits by rule (Rules.h). One file per family: Check.cpp (the
// rows and command lines), Listing.cpp (the folder's names), Descriptions.cpp
// (setup.exe's reading of description files), CeFiles.cpp (the CE
// Application Manager's reading and the cabinets), PalmFiles.cpp (Palm
// databases), Paths.cpp (path lengths).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/Discovery.h"
#include "check/CeSetupFile.h"
#include "check/Check.h"
#include "check/CodePageSystem.h"
#include "check/Model.h"
#include "check/Rules.h"

namespace check {

class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}
    void Add(const Rule& rule, const std::string& file, int line, const std::string& reason,
             const std::string& pattern = {}) {
        out_.push_back({rule.severity, rule.code, file, line, reason, pattern});
    }

private:
    std::vector<Finding>& out_;
};

// A cabinet read: the devices it installs on, and its CE setup file, sound
// once they are known.
struct ReadCabinet {
    CabinetDevices devices;
    CeSetupFile setup;
};

// The folder under check, as the families see it.
struct Folder {
    Host& host;
    const Request& request;
    Findings& findings;
    CodePageSystem& names;  // discovery's seam, which knows every name it gave
    const FolderModel& model;
    const std::string& at;  // where the end user has it, in the code page, ending in '\'
    const FolderListing& listing;
    // Each cabinet read, by local path.
    std::map<std::string, ReadCabinet> cabinets;

    // A file of the folder by its code-page name, as UTF-8 for the report.
    std::string Display(const std::string& name) { return names.Display(name); }
    // Up to max bytes of a file below the folder by its local path, and its
    // size; false when it cannot be opened.
    bool ReadLocal(const std::string& localPath, std::size_t max, std::string& bytes,
                   uint64_t& size) {
        return ReadBytes(host, localPath, max, bytes, size);
    }
};

void CheckListing(Folder& folder);
// The rows setup.exe lists; then, after the files, what Install hands over.
void CheckRows(Folder& folder);
void CheckInstall(Folder& folder, Report& report);
void CheckDescriptionFile(Folder& folder, const DescriptionFile& description);
// For a file that gives rows: what the CE Application Manager makes of it,
// and the cabinets it lists, with their devices.
std::vector<CabinetDevices> CheckCeDescriptionFile(Folder& folder,
                                                   const DescriptionFile& description);
void CheckPalmFiles(Folder& folder);
void CheckPaths(Folder& folder);
// A file of the folder, length bytes of the code page from it: path-too-long
// where its path at the end user's reaches the limit; outcome says what fails.
void CheckFilePath(Folder& folder, const std::string& display, std::size_t length,
                   const char* outcome);

// The pieces of a relative path between its backslashes (or slashes).
std::vector<std::string> PathParts(const std::string& path);

}  // namespace check
