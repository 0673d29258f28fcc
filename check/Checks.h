// What the families of checks share: the findings, the folder with its names
// in the end user's code page, and what setup.exe's reading of each
// description file saw. One file per family: Listing.cpp (the folder's
// names), Descriptions.cpp (setup.exe's reading of description files),
// CeFiles.cpp (the CE Application Manager's reading and the cabinets),
// PalmFiles.cpp (Palm databases), Paths.cpp (path lengths).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/Discovery.h"
#include "check/Check.h"
#include "check/CodePageSystem.h"
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

// The folder under check, as the families see it.
struct Folder {
    Host& host;
    const Request& request;
    Findings& findings;
    CodePageSystem& names;  // discovery's seam, which knows every name it gave
    std::string at;         // where the end user has it, in the code page, ending in '\'
    FolderListing listing;
    std::set<std::string> cabinetsChecked;  // local paths

    // A file of the folder by its code-page name, as UTF-8 for the report.
    std::string Display(const std::string& name) { return names.Display(name); }
    // Up to max bytes of a file named in the code page, and its size; false
    // when it cannot be opened under that name.
    bool Read(const std::string& name, std::size_t max, std::string& bytes, uint64_t& size);
    // The same for a path below the folder, in local form.
    bool ReadLocal(const std::string& localPath, std::size_t max, std::string& bytes,
                   uint64_t& size);
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

void CheckListing(Folder& folder);
// bytes: the file's first bytes (kDescriptionBytes at most), when it could
// be opened.
constexpr std::size_t kDescriptionBytes = 16u << 20;
void CheckDescriptionFile(Folder& folder, const DescriptionReading& reading,
                          const std::string* bytes);
// For a file that gives rows: what the CE Application Manager makes of it.
void CheckCeDescriptionFile(Folder& folder, const DescriptionReading& reading,
                            const std::string& bytes, const std::vector<std::string>& rowTexts);
void CheckPalmFiles(Folder& folder, const std::vector<ComponentFile>& files);
void CheckPaths(Folder& folder, const std::vector<ComponentFile>& files);
// A file of the folder, length bytes of the code page from it: path-too-long
// where its path at the end user's reaches the limit; outcome says what fails.
void CheckFilePath(Folder& folder, const std::string& display, std::size_t length,
                   const char* outcome);

// The pieces of a relative path between its backslashes (or slashes).
std::vector<std::string> PathParts(const std::string& path);

constexpr std::size_t kMaxPath = 260;  // MAX_PATH, the terminator included

}  // namespace check
