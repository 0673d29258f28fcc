#include "about/VersionInfo.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/Names.h"

namespace {

constexpr uint32_t kPathBuffer = platform::kMaxPath;
constexpr uint32_t kValueBuffer = 256;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;  // VS_FFI_SIGNATURE
constexpr uint32_t kFixedInfoSize = 52;  // sizeof(VS_FIXEDFILEINFO)

// CharNextA: one character on, a double-byte character whole, never past the end.
std::size_t NextChar(platform::System& system, const std::string& s, std::size_t i) {
    if (i >= s.size()) return i;
    if (system.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0')
        return i + 2;
    return i + 1;
}

uint32_t Word32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// printf's "%04x": at least four lower-case hexadecimal digits.
std::string Hex4(uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return digits;
}

void SplitParts(uint32_t ms, uint32_t ls, uint16_t parts[4]) {
    parts[0] = static_cast<uint16_t>(ms >> 16);
    parts[1] = static_cast<uint16_t>(ms & 0xFFFF);
    parts[2] = static_cast<uint16_t>(ls >> 16);
    parts[3] = static_cast<uint16_t>(ls & 0xFFFF);
}

}  // namespace

namespace {

// Every text of the record, filePath first.
using TextField = std::string VersionInfoRecord::*;
const TextField kTexts[] = {
    &VersionInfoRecord::filePath,        &VersionInfoRecord::FileVersion,
    &VersionInfoRecord::ProductVersion,  &VersionInfoRecord::CompanyName,
    &VersionInfoRecord::FileDescription, &VersionInfoRecord::InternalName,
    &VersionInfoRecord::LegalCopyright,  &VersionInfoRecord::OriginalFilename,
    &VersionInfoRecord::ProductName,     &VersionInfoRecord::Comments,
    &VersionInfoRecord::LegalTrademarks, &VersionInfoRecord::PrivateBuild,
    &VersionInfoRecord::SpecialBuild,
};

}  // namespace

void VersionInfoRecord::Reset() {
    for (int i = 0; i < 4; ++i) fileVersionParts[i] = productVersionParts[i] = 0;
    for (TextField text : kTexts) (this->*text).clear();
}

bool VersionInfoRecord::IsEmpty() const {
    for (int i = 0; i < 4; ++i)
        if (fileVersionParts[i] || productVersionParts[i]) return false;
    for (TextField text : kTexts)
        if (!(this->*text).empty()) return false;
    return true;
}

VersionInfoRecord& VersionInfoRecord::operator=(const VersionInfoRecord& other) {
    if (this == &other) return *this;
    for (int i = 0; i < 4; ++i) {
        fileVersionParts[i] = other.fileVersionParts[i];
        productVersionParts[i] = other.productVersionParts[i];
    }
    for (TextField text : kTexts) this->*text = other.*text;
    return *this;
}

std::string StripBlanks(platform::System& system, const std::string& name) {
    std::size_t begin = 0;
    while (begin < name.size() && platform::IsBlank(name[begin]))
        begin = NextChar(system, name, begin);
    std::size_t end = begin;  // one past the last character that is not blank
    for (std::size_t i = begin; i < name.size();) {
        const std::size_t next = NextChar(system, name, i);
        if (next - i > 1 || !platform::IsBlank(name[i])) end = next;
        i = next;
    }
    return name.substr(begin, end - begin);
}

std::string ReplaceCommaSpace(platform::System& system, const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ' ') {
            out += '.';
            i += 2;
            continue;
        }
        const std::size_t next = NextChar(system, text, i);
        out.append(text, i, next - i);
        i = next;
    }
    return out;
}

uint32_t VersionInfoReader::GetInfoSize(const char* fileName) {
    return system_.VersionInfoSize(fileName);
}

bool VersionInfoReader::GetInfoData(const char* fileName, uint32_t size, void* buffer) {
    return system_.VersionInfoData(fileName, size, buffer);
}

bool VersionInfoReader::QueryStringValue(const void* block, const char* key, char* buffer,
                                         uint32_t bufferSize) {
    if (bufferSize == 0) return false;
    std::memset(buffer, 0, bufferSize);
    const std::string name = "\\StringFileInfo\\" + Hex4(language) + Hex4(codePage) + "\\" + key;
    const void* value = nullptr;
    uint32_t length = 0;
    if (!system_.VersionQueryValue(block, name.c_str(), &value, &length) || value == nullptr) return false;
    // The reported length bounds the text: a value without terminator is
    // never read past its end.
    const std::size_t n = strnlen(static_cast<const char*>(value), length);
    if (n == 0) return false;
    std::memcpy(buffer, value, n < bufferSize ? n : bufferSize - 1);
    return true;
}

// Every text of the reader's string table; a missing one stays empty.
void VersionInfoReader::ReadStrings(const void* block, VersionInfoRecord& record) {
    struct Field {
        const char* key;
        std::string VersionInfoRecord::*text;
    };
    static const Field kFields[] = {
        {"ProductVersion", &VersionInfoRecord::ProductVersion},
        {"FileVersion", &VersionInfoRecord::FileVersion},
        {"CompanyName", &VersionInfoRecord::CompanyName},
        {"FileDescription", &VersionInfoRecord::FileDescription},
        {"InternalName", &VersionInfoRecord::InternalName},
        {"LegalCopyright", &VersionInfoRecord::LegalCopyright},
        {"OriginalFilename", &VersionInfoRecord::OriginalFilename},
        {"ProductName", &VersionInfoRecord::ProductName},
        {"Comments", &VersionInfoRecord::Comments},
        {"LegalTrademarks", &VersionInfoRecord::LegalTrademarks},
        {"PrivateBuild", &VersionInfoRecord::PrivateBuild},
        {"SpecialBuild", &VersionInfoRecord::SpecialBuild},
    };
    char value[kValueBuffer];
    for (const Field& field : kFields) {
        QueryStringValue(block, field.key, value, kValueBuffer);
        record.*field.text = value;
    }
}

bool VersionInfoReader::Read(VersionInfoRecord& record, const char* fileName) {
    record.Reset();
    std::string name = StripBlanks(system_, fileName ? fileName : "");
    // The running program is read by its wide path, which names it whatever
    // its folder is called; the narrow one stays its recorded name.
    char16_t self[kPathBuffer] = {};
    bool bySelf = false;
    if (name.empty()) {
        char path[kPathBuffer] = {};
        system_.ModuleFileName(path, kPathBuffer);
        path[kPathBuffer - 1] = '\0';
        name = path;
        const uint32_t n = system_.WideModuleFileName(self, kPathBuffer);
        bySelf = n > 0 && n < kPathBuffer;
    }

    const uint32_t size = bySelf ? system_.WideVersionInfoSize(self) : GetInfoSize(name.c_str());
    if (size == 0) return false;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size]);
    if (!block) return false;
    if (bySelf ? !system_.WideVersionInfoData(self, size, block.get())
               : !GetInfoData(name.c_str(), size, block.get()))
        return false;

    const void* root = nullptr;
    uint32_t rootLength = 0;
    if (!system_.VersionQueryValue(block.get(), "\\", &root, &rootLength) || root == nullptr)
        return false;
    // A root shorter than the fixed structure, or without its signature, is
    // not a version resource we can trust.
    const unsigned char* fixed = static_cast<const unsigned char*>(root);
    if (rootLength < kFixedInfoSize || Word32(fixed) != kFixedSignature) return false;

    record.filePath = name;
    SplitParts(Word32(fixed + 8), Word32(fixed + 12), record.fileVersionParts);
    SplitParts(Word32(fixed + 16), Word32(fixed + 20), record.productVersionParts);

    ReadStrings(block.get(), record);
    return true;
}
