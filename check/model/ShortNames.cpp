#include "check/model/ShortNames.h"

#include <cstring>

#include "platform/Names.h"

namespace check {

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
    if (platform::NameMatchesPattern(name, prefix, suffix)) return false;
    // The alias ends in the first three characters after the last dot (a
    // leading dot starts no extension) and begins with the name's first
    // characters, of which Windows keeps up to six and Wine four.
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot - 1 <= 3) return false;
    return platform::NameMatchesPattern("." + name.substr(dot + 1, 3), "", suffix) &&
           platform::NameMatchesPattern(name, prefix, "");
}

}  // namespace check
