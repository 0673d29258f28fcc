// Windows' 8.3 names: which names are short already, and which long names
// the folder search finds only through the alias Windows gives them.
#pragma once

#include <string>

namespace check {

// Whether a name of a path is an 8.3 name, which the short form keeps.
bool IsShortName(const std::string& name);

// Whether the 8.3 alias that Windows gives a long name matches
// "prefix*suffix" while the name itself does not.
bool MatchesOnlyByAlias(const std::string& name, const char* prefix, const char* suffix);

}  // namespace check
