// A folder's entries with their names in the end user's code page, looked up
// by name without regard to case, as Windows looks a name up.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "check/model/Host.h"

namespace check {

// One entry of a folder: its name here and in the code page.
struct FolderEntry {
    std::string local;
    std::string name;  // as the ANSI calls give it
    std::string utf8;  // that name as UTF-8
    bool exact;        // the code page holds the name: it can be opened under it
    bool directory;
};

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

}  // namespace check
