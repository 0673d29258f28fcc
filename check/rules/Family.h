// What every family of rules is given: the folder read once (model/), the
// host to read cabinets through, and the findings, which a family adds by
// rule. One file of rules/ per family, named after it: Rows, Names,
// Descriptions, CeFiles, PalmFiles, Paths.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "check/Check.h"
#include "check/model/CodePageSystem.h"
#include "check/model/FolderModel.h"
#include "check/model/Host.h"
#include "check/readers/CeSetupFile.h"
#include "check/rules/Rules.h"

namespace check {

class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}
    void Add(const Rule& rule, const std::string& file, int line, const std::string& reason,
             const std::string& pattern = {}) {
        out_.push_back({&rule, file, line, reason, pattern});
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
    // Each cabinet read, by local path: read once, whichever file lists it.
    std::map<std::string, ReadCabinet> cabinets;

    // A file of the folder by its code-page name, as UTF-8 for the report.
    std::string Display(const std::string& name) { return names.Display(name); }
};

}  // namespace check
