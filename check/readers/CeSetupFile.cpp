#include "check/readers/CeSetupFile.h"

#include <tuple>

#include "check/readers/Bytes.h"

namespace check {

namespace {

// The header, from the file's first byte.
constexpr Field kSignature{0x00, 4}, kStatedLength{0x08, 4}, kArchitecture{0x14, 4};
constexpr Field kLeastMajor{0x18, 4}, kLeastMinor{0x1C, 4}, kMostMajor{0x20, 4};
constexpr Field kMostMinor{0x24, 4}, kLeastBuild{0x28, 4}, kMostBuild{0x2C, 4};
// Each section's count and offset, in the header's order; FILES is the third.
constexpr std::size_t kSectionCountsAt = 0x30, kSectionOffsetsAt = 0x3C;
const char* const kSections[] = {"STRINGS", "DIRS", "FILES", "REGHIVES", "REGKEYS", "LINKS"};
constexpr std::size_t kSectionCount = 6, kFilesSection = 2;
Field SectionCount(std::size_t i) { return {kSectionCountsAt + 2 * i, 2}; }
Field SectionOffset(std::size_t i) { return {kSectionOffsetsAt + 4 * i, 4}; }
// The strings the header points at: an offset and a length each.
constexpr std::size_t kStringsAt = 0x54;
const char* const kStrings[] = {"application name", "provider name",
                                "list of unsupported platforms"};
Field StringOffset(std::size_t i) { return {kStringsAt + 4 * i, 2}; }
Field StringLength(std::size_t i) { return {kStringsAt + 4 * i + 2, 2}; }
// A FILES entry: its id, directory, flags and name length; the name follows.
constexpr Field kFileId{0, 2}, kFileNameLength{10, 2};
constexpr std::size_t kFileEntryBytes = 12;
// A most-version this large (or none at all) sets no upper limit.
constexpr uint32_t kNoUpperMajor = 100;

std::string Number(uint64_t n) { return std::to_string(n); }

bool NoUpperLimit(const CeVersion& v) {
    return (v.major == 0 && v.minor == 0) || v.major >= kNoUpperMajor;
}

std::tuple<uint32_t, uint32_t, uint32_t> Key(const CeVersion& v) {
    return std::make_tuple(v.major, v.minor, v.build);
}

bool Fail(CeSetupFile& setup, CeSetupProblem problem, uint32_t item = 0, uint64_t value = 0,
          uint64_t other = 0, uint32_t count = 0) {
    setup.problem = problem;
    setup.detail = {item, count, value, other};
    return false;
}

// String i the header points at, its NULs at the end dropped.
bool ReadString(CeSetupFile& setup, const std::string& bytes, uint32_t i, std::string& out) {
    const std::size_t offset = Little(bytes, 0, StringOffset(i));
    const std::size_t length = Little(bytes, 0, StringLength(i));
    if (length == 0) return true;
    if (offset < kCeSetupHeaderBytes) return Fail(setup, CeSetupProblem::StringInHeader, i, offset);
    if (offset + length > bytes.size())
        return Fail(setup, CeSetupProblem::StringPastEnd, i, offset, length);
    out = bytes.substr(offset, length);
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return true;
}

bool ReadFiles(CeSetupFile& setup, const std::string& bytes, std::size_t at, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (at + kFileEntryBytes > bytes.size())
            return Fail(setup, CeSetupProblem::FileEntryPastEnd, i + 1, 0, 0, count);
        const std::size_t name = Little(bytes, at, kFileNameLength);
        if (at + kFileEntryBytes + name > bytes.size())
            return Fail(setup, CeSetupProblem::FileNamePastEnd, i + 1, 0, 0, count);
        setup.files.push_back(static_cast<uint16_t>(Little(bytes, at, kFileId)));
        at += kFileEntryBytes + name;
    }
    return true;
}

bool ReadSections(CeSetupFile& setup, const std::string& bytes) {
    for (uint32_t i = 0; i < kSectionCount; ++i) {
        const uint32_t count = Little(bytes, 0, SectionCount(i));
        const uint32_t offset = Little(bytes, 0, SectionOffset(i));
        if (count != 0 && (offset < kCeSetupHeaderBytes || offset >= bytes.size()))
            return Fail(setup, CeSetupProblem::SectionOutside, i, offset);
        if (i == kFilesSection && !ReadFiles(setup, bytes, offset, count)) return false;
    }
    return true;
}

bool ReadNames(CeSetupFile& setup, const std::string& bytes) {
    std::string unsupported;
    if (!ReadString(setup, bytes, 0, setup.application) ||
        !ReadString(setup, bytes, 1, setup.provider) || !ReadString(setup, bytes, 2, unsupported))
        return false;
    for (std::size_t start = 0; start < unsupported.size();) {
        std::size_t nul = unsupported.find('\0', start);
        if (nul == std::string::npos) nul = unsupported.size();
        if (nul > start) setup.unsupported.push_back(unsupported.substr(start, nul - start));
        start = nul + 1;
    }
    return true;
}

bool Read(CeSetupFile& setup, const std::string& bytes) {
    if (bytes.compare(0, kSignature.width, "MSCE") != 0)
        return Fail(setup, CeSetupProblem::NoSignature);
    if (bytes.size() < kCeSetupHeaderBytes) return Fail(setup, CeSetupProblem::ShortHeader);
    const uint32_t length = Little(bytes, 0, kStatedLength);
    if (length > bytes.size()) return Fail(setup, CeSetupProblem::CutShort, 0, length);
    setup.architecture = Little(bytes, 0, kArchitecture);
    setup.least = {Little(bytes, 0, kLeastMajor), Little(bytes, 0, kLeastMinor),
                   Little(bytes, 0, kLeastBuild)};
    setup.most = {Little(bytes, 0, kMostMajor), Little(bytes, 0, kMostMinor),
                  Little(bytes, 0, kMostBuild)};
    if (!NoUpperLimit(setup.most) && Key(setup.most) < Key(setup.least))
        return Fail(setup, CeSetupProblem::VersionsExclude);
    if (!ReadSections(setup, bytes) || !ReadNames(setup, bytes)) return false;
    setup.problem = CeSetupProblem::None;
    return true;
}

std::string Version(const CeVersion& v) { return Number(v.major) + "." + Number(v.minor); }

}  // namespace

CeSetupFile ReadCeSetupFile(const std::string& bytes) {
    CeSetupFile setup;
    setup.size = bytes.size();
    Read(setup, bytes);
    return setup;
}

std::string DescribeCeSetupProblem(const CeSetupFile& setup) {
    const CeSetupProblemDetail& d = setup.detail;
    const std::string size = Number(setup.size);
    const std::string entry =
        "entry " + Number(d.item) + " of " + Number(d.count) + " of its FILES section";
    switch (setup.problem) {
    case CeSetupProblem::None: return "is a whole CE setup file";
    case CeSetupProblem::NoSignature: return "does not start with the signature \"MSCE\"";
    case CeSetupProblem::ShortHeader:
        return "has " + size + " bytes, fewer than the " + Number(kCeSetupHeaderBytes) +
               " of its header";
    case CeSetupProblem::CutShort:
        return "has " + size + " bytes where its header says " + Number(d.value) +
               ": it was cut short";
    case CeSetupProblem::VersionsExclude:
        return "asks for Windows CE " + Version(setup.least) + " or later but at most " +
               Version(setup.most) + ": no device takes it";
    case CeSetupProblem::SectionOutside:
        return std::string("its ") + kSections[d.item] + " section starts at byte " +
               Number(d.value) + ", outside it (" + size + " bytes)";
    case CeSetupProblem::FileEntryPastEnd: return "its " + entry + " lies past its end";
    case CeSetupProblem::FileNamePastEnd: return "the name in " + entry + " runs past its end";
    case CeSetupProblem::StringInHeader:
        return std::string("its ") + kStrings[d.item] + " starts at byte " + Number(d.value) +
               ", inside its header";
    case CeSetupProblem::StringPastEnd:
        return std::string("its ") + kStrings[d.item] + " (" + Number(d.other) +
               " bytes at byte " + Number(d.value) + ") lies past its end (" + size + " bytes)";
    }
    return "is no CE setup file";
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
    const std::string least = Version(setup.least);
    if (NoUpperLimit(setup.most)) return "Windows CE " + least + " and later";
    return "Windows CE " + least + " to " + Version(setup.most);
}

bool SameTarget(const CeSetupFile& a, const CeSetupFile& b) {
    if (a.architecture != b.architecture) return false;
    const bool aOpen = NoUpperLimit(a.most), bOpen = NoUpperLimit(b.most);
    return (bOpen || Key(a.least) <= Key(b.most)) && (aOpen || Key(b.least) <= Key(a.most));
}

}  // namespace check
