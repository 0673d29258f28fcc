// The CE setup file inside a Windows CE cabinet (the file whose name ends in
// ".000"), read from untrusted bytes: which processor and which Windows CE
// versions the cabinet is built for, the application's and provider's
// names, and the files it installs, each named by the three-digit extension
// of a file of the cabinet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace check {

constexpr std::size_t kCeSetupHeaderBytes = 100;

struct CeVersion {
    uint32_t major = 0, minor = 0, build = 0;
};

// What is wrong with a CE setup file; the detail says where.
enum class CeSetupProblem {
    None,
    NoSignature,      // no "MSCE" at its start
    ShortHeader,      // fewer bytes than its header
    CutShort,         // fewer bytes than its header states (value)
    VersionsExclude,  // its most version is below its least
    SectionOutside,   // section item (from 0) starts at value, outside it
    FileEntryPastEnd, // FILES entry item of count lies past its end
    FileNamePastEnd,  // the name of FILES entry item of count runs past its end
    StringInHeader,   // string item (from 0) starts at value, inside the header
    StringPastEnd,    // string item: other bytes at value lie past its end
};

struct CeSetupProblemDetail {
    uint32_t item = 0, count = 0;  // a section, entry or string
    uint64_t value = 0, other = 0;
};

struct CeSetupFile {
    CeSetupProblem problem = CeSetupProblem::NoSignature;
    CeSetupProblemDetail detail;
    std::size_t size = 0;       // its bytes
    uint32_t architecture = 0;  // 0: any processor
    CeVersion least, most;
    std::string application, provider;  // bytes as stored
    std::vector<std::string> unsupported;
    std::vector<uint16_t> files;  // the extension each FILES entry names
    bool Sound() const { return problem == CeSetupProblem::None; }
};

CeSetupFile ReadCeSetupFile(const std::string& bytes);

// What a problem means, in a vendor's words: "does not start with ...".
std::string DescribeCeSetupProblem(const CeSetupFile& setup);

// "ARM StrongARM", "any processor", or the number where it is not known.
std::string ArchitectureName(uint32_t architecture);
// "Windows CE 3.0 and later", "Windows CE 4.0 to 5.2", ...
std::string DescribeVersions(const CeSetupFile& setup);
// Whether some device takes both: the same processor, overlapping versions.
bool SameTarget(const CeSetupFile& a, const CeSetupFile& b);

}  // namespace check
