#include "check/rules/Names.h"

#include "check/model/ShortNames.h"
#include "platform/Names.h"

namespace check {

void CheckNames(Folder& folder) {
    Host& host = folder.host;
    Findings& findings = folder.findings;
    std::map<std::string, std::string> byUpperName;
    for (const FolderEntry& entry : folder.model.listing.Entries()) {
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

}  // namespace check
