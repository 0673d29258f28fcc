#include "check/rules/Descriptions.h"

#include <algorithm>
#include <cstring>

#include "catalogue/Discovery.h"
#include "platform/TextMode.h"

namespace check {

namespace {

constexpr int kCtrlZ = 0x1A;

bool IsWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Why a line ended the reading: the key it read, in the vendor's words.
std::string EndReason(const std::string& text) {
    const std::string after = "setup.exe stops reading this file here, so later lines give no rows";
    static const std::size_t kKey = std::strlen("Description");
    if (text.size() > kKey && IsWordByte(text[kKey])) {
        std::size_t end = kKey;
        while (end < text.size() && IsWordByte(text[end])) ++end;
        return "the key \"" + text.substr(0, end) +
               "\" begins with \"Description\", which setup.exe takes for \"Description\" "
               "without \"=\": " + after;
    }
    return "\"Description\" is not followed by \"=\" (the line reads \"" + text + "\"): " + after;
}

// A Ctrl-Z with bytes after it, and CRs that stay in the text because no LF
// follows them: what the line reader does not show.
void ScanBytes(const std::string& bytes, const std::string& file, Findings& findings) {
    int line = 1, loneCrLine = 0, loneCrs = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == kCtrlZ) {
            // A last Ctrl-Z is the old end-of-file mark and loses nothing.
            if (i + 1 < bytes.size())
                findings.Add(rules::kCtrlZ, file, line,
                             "a Ctrl-Z byte ends the file for setup.exe: what follows it is "
                             "not read");
            break;
        }
        if (c == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n') && loneCrs++ == 0)
            loneCrLine = line;
        if (c == '\n') ++line;
    }
    if (loneCrs > 0)
        findings.Add(rules::kLoneCr, file, loneCrLine,
                     std::to_string(loneCrs) +
                         " CR byte(s) without LF, from this line on: setup.exe keeps them in "
                         "the line, so a row text may hold one or lines run together");
}

// How many rows the text would give if setup.exe could read it.
std::size_t RowsIn(const std::string& narrow) {
    platform::TextModeString file(narrow);
    return ReadDescriptionText(file).size();
}

// A UTF-8 byte-order mark: setup.exe's line reader and the profile
// functions both take it for part of line 1.
void CheckUtf8Mark(const std::string& bytes, const std::string& file, Findings& findings) {
    const std::size_t lineEnd = bytes.find('\n');
    std::string value;
    // Line 1 less the mark, as much as the first piece of it holds.
    const std::size_t length = lineEnd == std::string::npos ? bytes.size() - 3 : lineEnd - 2;
    const std::string first = bytes.substr(3, std::min<std::size_t>(length, kPieceBytes - 3));
    if (ParseDescriptionLine(first.c_str(), value) == DescriptionLine::Value)
        findings.Add(rules::kDescriptionEncoding, file, 1,
                     "starts with a UTF-8 byte-order mark, so setup.exe does not see line "
                     "1 as a Description line: the row \"" + value +
                         "\" is not listed; save the file without the mark (as ANSI)");
    // The profile reader takes the mark for part of the line, which is then
    // no section header.
    std::string section;
    const std::string line =
        bytes.substr(3, lineEnd == std::string::npos ? lineEnd : lineEnd - 3);
    if (ReadSectionHeader(line, section))
        findings.Add(rules::kDescriptionEncoding, file, 1,
                     "starts with a UTF-8 byte-order mark, which hides the section [" +
                         section +
                         "] on line 1 from the CE Application Manager; save the file "
                         "without the mark (as ANSI)");
}

}  // namespace

void CheckDescriptionFile(Folder& folder, const DescriptionFile& description) {
    Findings& findings = folder.findings;
    const DescriptionReading& reading = description.reading;
    const std::string* bytes = description.read ? &description.bytes : nullptr;
    const std::string file = folder.Display(reading.name);
    const TextEncoding encoding = description.encoding;
    if (IsUtf16(encoding)) {
        // Its reading byte by byte says nothing the vendor can use; what
        // matters is whether it was meant to give rows.
        const std::size_t rows = RowsIn(NarrowUtf16(*bytes, encoding));
        if (rows > 0)
            findings.Add(rules::kDescriptionEncoding, file, 0,
                         "is saved as UTF-16 (\"Unicode\"): setup.exe reads it byte by byte and "
                         "lists none of its " + std::to_string(rows) +
                             " Description row(s); save it as ANSI text");
        return;
    }
    if (!reading.opened || !bytes) {
        findings.Add(rules::kDescriptionUnreadable, file, 0,
                     "cannot be read: setup.exe lists nothing from it");
        return;
    }
    for (const DescriptionReading::Split& split : reading.splits)
        findings.Add(rules::kLineSplit, file, split.line,
                     std::string("longer than 255 bytes: setup.exe reads it in 255-byte "
                                 "pieces, ") +
                         (split.rowCut ? "so the row text is cut"
                                       : "and a later piece counts as a line of its own"));
    if (reading.endLine > 0)
        findings.Add(rules::kDescriptionEndsEarly, file, reading.endLine,
                     EndReason(reading.endText));
    ScanBytes(*bytes, file, findings);

    if (encoding == TextEncoding::Utf8Mark) CheckUtf8Mark(*bytes, file, findings);
    if (reading.valueLines.empty() && reading.endLine == 0 &&
        description.ini.Find("CEAppManager"))
        findings.Add(rules::kDescriptionNoRows, file, 0,
                     "a CE Application Manager description file without a \"Description = "
                     "...\" line setup.exe reads: it gives no row, so it is never installed");
}

}  // namespace check
