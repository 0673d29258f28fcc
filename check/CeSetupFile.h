// The CE setup file inside a Windows CE cabinet (the file whose name ends in
// ".000"), read from untrusted bytes: which processor and which Windows CE
// versions the cabinet is built for, the application's and provider's
// names, and the files it installs, each named by the three-digit extension
// of a file of the cabinet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace check {

constexpr std::size_t kCeSetupHeaderBytes = 100;

struct CeVersion {
    uint32_t major = 0, minor = 0, build = 0;
};

struct CeSetupFile {
    bool sound = false;
    std::string problem;  // what is wrong, in a vendor's words, when not sound
    uint32_t architecture = 0;  // 0: any processor
    CeVersion least, most;
    std::string application, provider;  // bytes as stored
    std::vector<std::string> unsupported;
    std::vector<uint16_t> files;  // the extension each FILES entry names
};

CeSetupFile ReadCeSetupFile(const std::string& bytes);

// "ARM StrongARM", "any processor", or the number where it is not known.
std::string ArchitectureName(uint32_t architecture);
// "Windows CE 3.0 and later", "Windows CE 4.0 to 5.2", ...
std::string DescribeVersions(const CeSetupFile& setup);
// Whether some device takes both: the same processor, overlapping versions.
bool SameTarget(const CeSetupFile& a, const CeSetupFile& b);

}  // namespace check
