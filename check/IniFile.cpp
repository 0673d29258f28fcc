#include "check/IniFile.h"

#include <algorithm>

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

TextEncoding DetectEncoding(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return TextEncoding::Utf8Mark;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return TextEncoding::Utf16LeMark;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return TextEncoding::Utf16BeMark;
    // Without a mark: most characters of a Latin text have a zero high byte,
    // and a text in a code page has no zero byte at all.
    const std::size_t pairs = std::min<std::size_t>(bytes.size(), 4096) / 2;
    std::size_t evenZeros = 0, oddZeros = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == '\0';
        oddZeros += bytes[2 * i + 1] == '\0';
    }
    if (pairs < 4) return TextEncoding::Ansi;
    if (oddZeros * 2 >= pairs && evenZeros * 8 <= oddZeros) return TextEncoding::Utf16LeBare;
    if (evenZeros * 2 >= pairs && oddZeros * 8 <= evenZeros) return TextEncoding::Utf16BeBare;
    return TextEncoding::Ansi;
}

bool IsUtf16(TextEncoding encoding) {
    return encoding != TextEncoding::Ansi && encoding != TextEncoding::Utf8Mark;
}

std::string NarrowUtf16(const std::string& bytes, TextEncoding encoding) {
    const bool big = encoding == TextEncoding::Utf16BeMark || encoding == TextEncoding::Utf16BeBare;
    const bool marked = encoding == TextEncoding::Utf16LeMark || encoding == TextEncoding::Utf16BeMark;
    std::string out;
    for (std::size_t i = marked ? 2 : 0; i + 1 < bytes.size(); i += 2) {
        const unsigned char lo = static_cast<unsigned char>(bytes[i + (big ? 1 : 0)]);
        const unsigned char hi = static_cast<unsigned char>(bytes[i + (big ? 0 : 1)]);
        out += hi == 0 && lo < 0x80 && lo != 0 ? static_cast<char>(lo) : '?';
    }
    return out;
}

}  // namespace check
