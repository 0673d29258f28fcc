#include "check/model/FolderListing.h"

#include "check/readers/Utf8.h"

namespace check {

FolderListing::FolderListing(Host& host, const std::string& localFolder) {
    std::unique_ptr<platform::FileSearch> search = host.System().FindFiles(localFolder + "*");
    platform::FoundFile found;
    while (search && search->Next(found)) {
        if (found.name == "." || found.name == "..") continue;
        FolderEntry entry{found.name, {}, {}, false,
                          (found.attributes & platform::kAttributeDirectory) != 0};
        entry.exact = host.Text().FromLocal(found.name, entry.name) == CodePage::Fit::Exact;
        host.Text().ToUtf8(entry.name, entry.utf8);
        if (entry.exact) byFolded_.emplace(FoldCase(entry.utf8), entries_.size());
        entries_.push_back(entry);
    }
}

const FolderEntry* FolderListing::Find(const std::string& utf8) const {
    auto it = byFolded_.find(FoldCase(utf8));
    return it == byFolded_.end() ? nullptr : &entries_[it->second];
}

}  // namespace check
