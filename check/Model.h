// The folder under check, read once before any check looks at it: its
// names, the rows setup.exe lists and Install's command lines, each
// description file as setup.exe reads it and as the CE Application Manager
// reads it, and each Palm file's header. The families of checks (Checks.h)
// read this and emit findings; only the cabinets, which the description
// files lead to, are read by their own check.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "catalogue/Discovery.h"
#include "check/Check.h"
#include "check/CodePageSystem.h"
#include "check/IniFile.h"
#include "check/PalmDatabase.h"

namespace check {

// One entry of a folder: its name here and in the code page.
struct FolderEntry {
    std::string local;
    std::string name;  // as the ANSI calls give it
    std::string utf8;  // that name as UTF-8
    bool exact;        // the code page holds the name: it can be opened under it
    bool directory;
};

// A folder's entries, looked up by their code-page name without regard to
// case, as Windows looks a name up.
class FolderListing {
public:
    FolderListing(Host& host, const std::string& localFolder);
    const std::vector<FolderEntry>& Entries() const { return entries_; }
    // An entry whose name the code page holds, by its name in UTF-8.
    const FolderEntry* Find(const std::string& utf8) const;

private:
    std::vector<FolderEntry> entries_;
    std::map<std::string, std::size_t> byFolded_;
};

// What setup.exe's reading of one description file saw.
struct DescriptionReading {
    std::string name;  // in the code page
    bool opened = false;
    std::vector<int> valueLines;  // the line of each row, in order
    int endLine = 0;              // the line that ended the reading early; 0: none
    std::string endText;          // that line's first words
    struct Split {
        int line;
        bool rowCut;  // a row's text was cut; else a later piece counted as a line
    };
    std::vector<Split> splits;
};

// Collects, as discovery reads, what it saw of each description file.
class DescriptionReadings final : public DescriptionListener {
public:
    explicit DescriptionReadings(const std::string& folder) : folder_(folder) {}
    std::vector<DescriptionReading> readings;  // in reading order

    void Opened(const std::string& path, bool opened) override;
    void Piece(const char* piece, DescriptionLine kind) override;
    void Finish();  // after the last piece of the last file

private:
    void EndLine();
    std::string folder_;
    DescriptionReading* current_ = nullptr;
    int line_ = 1;
    bool midLine_ = false, firstValue_ = false, continuationText_ = false,
         continuationCounts_ = false;
};

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
constexpr std::size_t kPieceBytes = kLineBuffer - 1;  // what one read of setup.exe's lines holds

// A description file: setup.exe's reading, its bytes and their profile.
struct DescriptionFile {
    DescriptionReading reading;
    bool read = false;  // its bytes could be read
    std::string bytes;  // the first kDescriptionBytes of them
    TextEncoding encoding = TextEncoding::Ansi;
    IniFile ini;  // as the profile functions read it; none for UTF-16
    const ComponentFile* component = nullptr;  // the rows it gives; null for none
};

// A Palm file handed over, and its header.
struct PalmFile {
    const ComponentFile* component = nullptr;
    std::string file;  // as the report names it
    bool read = false;
    bool nameHeld = false;  // the code page holds its name: Windows could open it
    uint64_t size = 0;
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
    std::vector<PalmFile> palmFiles;
};

// Up to max bytes of a file by its local path, and its size; false when it
// cannot be read as a regular file.
bool ReadBytes(Host& host, const std::string& path, std::size_t max, std::string& bytes,
               uint64_t& size);

// Reads the folder through discovery over the code-page seam.
void ReadFolder(Host& host, const Request& request, CodePageSystem& system, FolderModel& model);

}  // namespace check
