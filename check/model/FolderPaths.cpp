#include "check/model/FolderPaths.h"

#include <memory>

#include "check/readers/Utf8.h"
#include "platform/Names.h"

namespace check {

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

FolderFile FindInFolder(Host& host, const FolderModel& model, const std::string& localFolder,
                        std::string path) {
    FolderFile r;
    std::string at;
    host.Text().ToUtf8(model.at, at);
    // An absolute path can be checked only where it points into the folder.
    if (path.size() >= at.size() && FoldCase(path.substr(0, at.size())) == FoldCase(at))
        path = path.substr(at.size());
    else if (path.find(':') != std::string::npos || path.compare(0, 1, "\\") == 0 ||
             path.compare(0, 1, "/") == 0)
        r.outside = true;
    std::vector<std::string> parts;
    for (const std::string& part : PathParts(path)) {
        if (part == ".") continue;
        if (part != "..") {
            parts.push_back(part);
        } else if (parts.empty()) {
            r.outside = true;
        } else {
            parts.pop_back();
        }
    }
    if (r.outside || parts.empty()) return r;
    const char separator = localFolder.back();
    std::string local = localFolder;
    std::unique_ptr<FolderListing> below;
    const FolderListing* listing = &model.listing;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const FolderEntry* entry = listing->Find(parts[i]);
        const bool last = i + 1 == parts.size();
        if (!entry || entry->directory == last) return r;
        r.display += (i ? "\\" : "") + entry->utf8;
        r.length += (i ? 1 : 0) + entry->name.size();
        local += entry->local;
        if (!last) {
            local += separator;
            below = std::make_unique<FolderListing>(host, local);
            listing = below.get();
        }
    }
    r.found = true;
    r.local = local;
    return r;
}

}  // namespace check
