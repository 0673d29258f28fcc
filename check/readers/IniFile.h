// A description file as the Windows profile functions (GetPrivateProfileString)
// read it for the CE Application Manager: sections and their keys, with the
// line each stands on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace check {

struct IniKey {
    std::string name, value;  // trimmed; a value loses one pair of enclosing quotes
    int line;
};

struct IniSection {
    std::string name;
    int line;
    std::vector<IniKey> keys;
    // The first key of that name, without regard to ASCII case; null if none.
    const IniKey* Find(const std::string& key) const;
};

struct IniFile {
    std::vector<IniSection> sections;  // in file order; keys before the first are dropped
    // The first section of that name, without regard to ASCII case.
    const IniSection* Find(const std::string& section) const;
    // The section a line stands in; null before the first.
    const IniSection* SectionOfLine(int line) const;
};

// Lines end at LF; blanks (and a CR) around a line, a name or a value do not
// count; lines starting with ';' are comments.
IniFile ReadIniFile(const std::string& bytes);

// A line as the profile functions take a section header: the name between
// '[' and the last ']', trimmed; false when the line is none.
bool ReadSectionHeader(const std::string& line, std::string& name);

// The text less the blanks (isspace in the "C" locale) at both ends.
std::string TrimBlanks(const std::string& text);

}  // namespace check
