// The input is a description file as the CE Application Manager's profile
// reader takes it: sections and keys with their lines, its encoding, and its
// UTF-16 narrowed for the description-line test. Nothing may read past the
// bytes, and what comes out must come from them.
#include "check/readers/IniFile.h"
#include "check/readers/TextEncoding.h"
#include "tests/fuzz/FuzzSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const check::IniFile ini = check::ReadIniFile(bytes);
    int lines = 1;
    for (char c : bytes) lines += c == '\n';
    int last = 0;
    for (const check::IniSection& section : ini.sections) {
        FUZZ_CHECK(section.line > last && section.line <= lines);
        FUZZ_CHECK(bytes.find(section.name) != std::string::npos);
        FUZZ_CHECK(ini.SectionOfLine(section.line) == &section);
        FUZZ_CHECK(ini.Find(section.name)->line <= section.line);
        last = section.line;
        for (const check::IniKey& key : section.keys) {
            // One line holds one section or key, in file order.
            FUZZ_CHECK(key.line > last && key.line <= lines);
            FUZZ_CHECK(key.name.find('\n') == std::string::npos && key.value.find('\n') == std::string::npos);
            FUZZ_CHECK(section.Find(key.name)->line <= key.line);
            last = key.line;
        }
    }
    const check::TextEncoding encoding = check::DetectEncoding(bytes);
    if (check::IsUtf16(encoding)) {
        const std::string narrow = check::NarrowUtf16(bytes, encoding);
        FUZZ_CHECK(narrow.size() <= bytes.size() / 2);
        FUZZ_CHECK(narrow.find('\0') == std::string::npos);
    }
    return 0;
}
