// The folder's names: what discovery passes over (names that match only
// through their 8.3 alias, folders) and names the end user's Windows cannot
// hold as they are.
#include <cstring>

#include "check/Checks.h"
#include "check/Text.h"

namespace check {

void CheckListing(Folder& folder) {
    Host& host = folder.host;
    Findings& findings = folder.findings;
    std::map<std::string, std::string> byUpperName;
    for (const FolderEntry& entry : folder.listing.Entries()) {
        const std::string& name = entry.local;
        const std::string file = host.Text().LocalToUtf8(name);
        for (const ComponentKind& p : kComponentKinds) {
            const std::string pattern = KindPattern(p);
            if (MatchesOnlyByAlias(name, p.prefix, p.suffix)) {
                findings.Add(rules::kAliasMatch, file, 0,
                             "not installed: only its 8.3 alias matches " + pattern +
                                 "; setup.exe goes by the long name",
                             pattern);
                continue;
            }
            if (!NameMatchesPattern(name, p.prefix, p.suffix)) continue;
            if (entry.directory) {
                findings.Add(rules::kFolderMatch, file, 0,
                             "a folder: not installed, setup.exe takes files only", pattern);
                continue;
            }
            std::string upper = name;
            for (char& c : upper) c = platform::UpperAscii(c);
            auto clash = byUpperName.emplace(upper, file);
            if (!clash.second)
                findings.Add(rules::kCaseClash, file, 0,
                             "differs from " + clash.first->second +
                                 " only in case: a CD or a Windows drive keeps one of them");
            std::string converted;
            const CodePage::Fit fit = host.Text().FromLocal(name, converted);
            if (fit == CodePage::Fit::CannotShow) {
                std::string shown;
                host.Text().ToUtf8(converted, shown);
                findings.Add(rules::kNameCodepage, file, 0,
                             "has characters the code page cannot show: setup.exe sees \"" +
                                 shown + "\", a name the file cannot be opened under");
            } else if (fit == CodePage::Fit::NotValid) {
                findings.Add(rules::kNameInvalid, file, 0,
                             "the name's bytes are not valid text here: what Windows will "
                             "make of them cannot be told");
            }
        }
    }
}

bool IsShortName(const std::string& name) {
    static const char kAllowed[] = "$%'-_@~`!(){}^#&";
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        (dot != std::string::npos && extension.empty()))
        return false;
    for (char c : base + extension) {
        const bool alnum = platform::IsAsciiLetter(c) || (c >= '0' && c <= '9');
        if (!alnum && (c == '\0' || !std::strchr(kAllowed, c))) return false;
    }
    return true;
}

bool MatchesOnlyByAlias(const std::string& name, const char* prefix, const char* suffix) {
    if (NameMatchesPattern(name, prefix, suffix)) return false;
    // The alias ends in the first three characters after the last dot (a
    // leading dot starts no extension) and begins with the name's first
    // characters, of which Windows keeps up to six and Wine four.
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot - 1 <= 3) return false;
    return NameMatchesPattern("." + name.substr(dot + 1, 3), "", suffix) &&
           NameMatchesPattern(name, prefix, "");
}

}  // namespace check
