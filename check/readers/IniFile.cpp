#include "check/readers/IniFile.h"

#include "platform/Names.h"

namespace check {

namespace {

// The profile functions drop one pair of enclosing quotes, single or double.
std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && platform::EqualAsciiNoCase(a.data(), b.data(), a.size());
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && platform::IsBlank(text[begin])) ++begin;
    while (end > begin && platform::IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

const IniKey* IniSection::Find(const std::string& key) const {
    for (const IniKey& k : keys)
        if (EqualNoCase(k.name, key)) return &k;
    return nullptr;
}

const IniSection* IniFile::Find(const std::string& section) const {
    for (const IniSection& s : sections)
        if (EqualNoCase(s.name, section)) return &s;
    return nullptr;
}

const IniSection* IniFile::SectionOfLine(int line) const {
    const IniSection* found = nullptr;
    for (const IniSection& s : sections)
        if (s.line <= line) found = &s;
    return found;
}

bool ReadSectionHeader(const std::string& line, std::string& name) {
    const std::string trimmed = TrimBlanks(line);
    const std::size_t close = trimmed.rfind(']');
    if (trimmed.empty() || trimmed[0] != '[' || close == std::string::npos) return false;
    name = TrimBlanks(trimmed.substr(1, close - 1));
    return true;
}

IniFile ReadIniFile(const std::string& bytes) {
    IniFile file;
    int number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = TrimBlanks(bytes.substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line[0] == ';') continue;
        std::string section;
        if (ReadSectionHeader(line, section)) {
            file.sections.push_back({section, number, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || file.sections.empty()) continue;
        file.sections.back().keys.push_back(
            {TrimBlanks(line.substr(0, equals)), Unquote(TrimBlanks(line.substr(equals + 1))), number});
    }
    return file;
}

}  // namespace check
