#include "check/CeSetupFile.h"

#include <tuple>

#include "check/Bytes.h"

namespace check {

namespace {

// Where the header keeps each field.
constexpr std::size_t kLengthAt = 0x08, kArchitectureAt = 0x14, kVersionsAt = 0x18;
constexpr std::size_t kCountsAt = 0x30, kOffsetsAt = 0x3C, kNamesAt = 0x54;
constexpr std::size_t kFileEntryBytes = 12;  // id, folder, flags, name length
// Sections in the header's order; FILES is the third.
const char* const kSections[] = {"STRINGS", "DIRS", "FILES", "REGHIVES", "REGKEYS", "LINKS"};
// A most-version this large (or none at all) sets no upper limit.
constexpr uint32_t kNoUpperMajor = 100;

std::string Number(uint64_t n) { return std::to_string(n); }

bool NoUpperLimit(const CeVersion& v) {
    return (v.major == 0 && v.minor == 0) || v.major >= kNoUpperMajor;
}

std::tuple<uint32_t, uint32_t, uint32_t> Key(const CeVersion& v) {
    return std::make_tuple(v.major, v.minor, v.build);
}

bool Fail(CeSetupFile& setup, const std::string& problem) {
    setup.problem = problem;
    return false;
}

// A string the header points at, its NULs at the end dropped.
bool ReadString(CeSetupFile& setup, const std::string& bytes, std::size_t at, const char* what,
                std::string& out) {
    const std::size_t offset = Little(bytes, at, 2), length = Little(bytes, at + 2, 2);
    if (length == 0) return true;
    if (offset < kCeSetupHeaderBytes)
        return Fail(setup, std::string("its ") + what + " starts at byte " + Number(offset) +
                               ", inside its header");
    if (offset + length > bytes.size())
        return Fail(setup, std::string("its ") + what + " (" + Number(length) + " bytes at byte " +
                               Number(offset) + ") lies past its end (" +
                               Number(bytes.size()) + " bytes)");
    out = bytes.substr(offset, length);
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return true;
}

bool ReadFiles(CeSetupFile& setup, const std::string& bytes, std::size_t at, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const std::string entry = "entry " + Number(i + 1) + " of " + Number(count) +
                                  " of its FILES section";
        if (at + kFileEntryBytes > bytes.size())
            return Fail(setup, "its " + entry + " lies past its end");
        const std::size_t name = Little(bytes, at + 10, 2);
        if (at + kFileEntryBytes + name > bytes.size())
            return Fail(setup, "the name in " + entry + " runs past its end");
        setup.files.push_back(static_cast<uint16_t>(Little(bytes, at, 2)));
        at += kFileEntryBytes + name;
    }
    return true;
}

bool Read(CeSetupFile& setup, const std::string& bytes) {
    if (bytes.compare(0, 4, "MSCE") != 0)
        return Fail(setup, "does not start with the signature \"MSCE\"");
    if (bytes.size() < kCeSetupHeaderBytes)
        return Fail(setup, "has " + Number(bytes.size()) + " bytes, fewer than the " +
                               Number(kCeSetupHeaderBytes) + " of its header");
    const uint32_t length = Little(bytes, kLengthAt, 4);
    if (length > bytes.size())
        return Fail(setup, "has " + Number(bytes.size()) + " bytes where its header says " +
                               Number(length) + ": it was cut short");
    setup.architecture = Little(bytes, kArchitectureAt, 4);
    CeVersion* versions[] = {&setup.least, &setup.least, &setup.most, &setup.most};
    for (std::size_t i = 0; i < 4; ++i)
        (i % 2 ? versions[i]->minor : versions[i]->major) = Little(bytes, kVersionsAt + 4 * i, 4);
    setup.least.build = Little(bytes, kVersionsAt + 16, 4);
    setup.most.build = Little(bytes, kVersionsAt + 20, 4);
    if (!NoUpperLimit(setup.most) && Key(setup.most) < Key(setup.least))
        return Fail(setup, "asks for Windows CE " + Number(setup.least.major) + "." +
                               Number(setup.least.minor) + " or later but at most " +
                               Number(setup.most.major) + "." + Number(setup.most.minor) +
                               ": no device takes it");
    for (std::size_t i = 0; i < 6; ++i) {
        const uint32_t count = Little(bytes, kCountsAt + 2 * i, 2);
        const uint32_t offset = Little(bytes, kOffsetsAt + 4 * i, 4);
        if (count != 0 && (offset < kCeSetupHeaderBytes || offset >= bytes.size()))
            return Fail(setup, std::string("its ") + kSections[i] + " section starts at byte " +
                                   Number(offset) + ", outside it (" + Number(bytes.size()) +
                                   " bytes)");
        if (i == 2 && !ReadFiles(setup, bytes, offset, count)) return false;
    }
    std::string unsupported;
    if (!ReadString(setup, bytes, kNamesAt, "application name", setup.application) ||
        !ReadString(setup, bytes, kNamesAt + 4, "provider name", setup.provider) ||
        !ReadString(setup, bytes, kNamesAt + 8, "list of unsupported platforms", unsupported))
        return false;
    for (std::size_t start = 0; start < unsupported.size();) {
        std::size_t nul = unsupported.find('\0', start);
        if (nul == std::string::npos) nul = unsupported.size();
        if (nul > start) setup.unsupported.push_back(unsupported.substr(start, nul - start));
        start = nul + 1;
    }
    setup.sound = true;
    return true;
}

}  // namespace

CeSetupFile ReadCeSetupFile(const std::string& bytes) {
    CeSetupFile setup;
    Read(setup, bytes);
    return setup;
}

std::string ArchitectureName(uint32_t architecture) {
    static const struct {
        uint32_t code;
        const char* name;
    } kNames[] = {
        {0, "any processor"},      {103, "SHx SH3"},           {104, "SHx SH4"},
        {386, "Intel 386"},        {486, "Intel 486"},         {586, "Intel Pentium"},
        {601, "PowerPC 601"},      {603, "PowerPC 603"},       {604, "PowerPC 604"},
        {620, "PowerPC 620"},      {821, "Motorola 821"},      {0x720, "ARM 720"},
        {0x820, "ARM 820"},        {0x920, "ARM 920"},         {0xA11, "ARM StrongARM"},
        {4000, "MIPS R4000"},      {10003, "Hitachi SH3"},     {10004, "Hitachi SH3E"},
        {10005, "Hitachi SH4"},    {21064, "Alpha 21064"},     {70001, "ARM 7TDMI"},
    };
    for (const auto& n : kNames)
        if (n.code == architecture) return n.name;
    return "processor " + Number(architecture);
}

std::string DescribeVersions(const CeSetupFile& setup) {
    const std::string least = Number(setup.least.major) + "." + Number(setup.least.minor);
    if (NoUpperLimit(setup.most)) return "Windows CE " + least + " and later";
    return "Windows CE " + least + " to " + Number(setup.most.major) + "." +
           Number(setup.most.minor);
}

bool SameTarget(const CeSetupFile& a, const CeSetupFile& b) {
    if (a.architecture != b.architecture) return false;
    const bool aOpen = NoUpperLimit(a.most), bOpen = NoUpperLimit(b.most);
    return (bOpen || Key(a.least) <= Key(b.most)) && (aOpen || Key(b.least) <= Key(a.most));
}

}  // namespace check
