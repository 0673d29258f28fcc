// The folder under check, read once before any rule looks at it: its names,
// the rows setup.exe lists and where Install hands them over, each
// description file as setup.exe reads it and as the CE Application Manager
// reads it, and the header of each Palm database in it. The families of
// rules (rules/) read this and emit findings; only the cabinets, which the
// description files lead to, are read by the family that follows them
// (rules/CeFiles.cpp).
#pragma once

#include <string>
#include <vector>

#include "catalogue/ComponentCatalogue.h"
#include "catalogue/ComponentKinds.h"
#include "check/Check.h"
#include "check/model/CodePageSystem.h"
#include "check/model/DescriptionReadings.h"
#include "check/model/FolderListing.h"
#include "check/readers/IniFile.h"
#include "check/readers/PalmDatabase.h"
#include "check/readers/TextEncoding.h"

namespace check {

// The rows one component file gives, in row order.
struct ComponentFile {
    std::string name;  // in the code page
    const ComponentKind* kind;
    std::vector<std::string> rowTexts;
};

// A row as setup.exe lists it, with its text in the code page.
struct ListedRow {
    Row row;           // as the report shows it
    std::string text;  // in the code page
    bool described;    // from a description file's Description line
};

constexpr std::size_t kDescriptionBytes = 16u << 20;  // the most read of one

// A description file: setup.exe's reading, its bytes and their profile.
struct DescriptionFile {
    DescriptionReading reading;
    bool read = false;  // its bytes could be read
    std::string bytes;  // the first kDescriptionBytes of them
    TextEncoding encoding = TextEncoding::Ansi;
    IniFile ini;  // as the profile functions read it; none for UTF-16
    const ComponentFile* component = nullptr;  // the rows it gives; null for none
};

// A Palm database of the folder and its header.
struct PalmFile {
    const ComponentFile* component = nullptr;  // null: setup.exe does not list it
    std::string file;  // as the report names it
    bool read = false;
    bool nameHeld = false;  // the code page holds its name: Windows could open it
    PalmDatabase db;
};

struct FolderModel {
    FolderModel(Host& host, const std::string& localFolder) : listing(host, localFolder) {}
    std::string at;  // where the end user has it, in the code page, ending in '\'
    FolderListing listing;
    std::vector<ComponentFile> files;  // in the order of their first rows
    std::vector<ListedRow> rows;
    ComponentCatalogue placed;  // the components where the end user has them
    std::vector<DescriptionFile> descriptions;  // in reading order
    std::vector<PalmFile> palmFiles;            // those setup.exe lists
    // Files named "*.pdb" but not as setup.exe takes databases, whose
    // headers could be read; in listing order.
    std::vector<PalmFile> unlistedDatabases;
};

// Up to max bytes of a file by its local path, and its size; false when it
// cannot be read as a regular file.
bool ReadBytes(Host& host, const std::string& path, std::size_t max, std::string& bytes,
               uint64_t& size);

// Reads the folder through discovery over the code-page seam.
void ReadFolder(Host& host, const Request& request, CodePageSystem& system, FolderModel& model);

}  // namespace check
