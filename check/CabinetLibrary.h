// A cabinet set read whole by a library made for the format: every file of
// every folder unpacked into memory and thrown away, checksums verified, as
// the device's installer will read it. On Linux the library is libmspack
// (CabinetLibrary_mspack.cpp); on Windows, the system's own cabinet reader
// (CabinetLibrary_fdi.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "check/Cabinet.h"

namespace check {

// Where the library gets a cabinet's bytes.
class CabinetOpener {
public:
    virtual ~CabinetOpener() = default;
    // Null when the file cannot be read as a regular file.
    virtual std::unique_ptr<RandomBytes> OpenRandom(const std::string& path) = 0;
};

struct CabinetSet {
    std::vector<std::string> paths;            // in set order, as the opener takes them
    std::vector<const CabinetLayout*> layouts;  // each one's tables, sound
};

struct CabinetContents {
    bool whole = false;
    std::string problem;  // what is wrong, in a vendor's words, when not whole
    std::size_t cabinet = 0;  // the cabinet of the set the problem is in
    std::vector<std::string> names;  // every file of the set, as stored
    bool hasSetupFile = false;
    std::string setupName;   // the first file whose name ends in ".000"
    std::string setupBytes;  // its bytes, up to kSetupFileLimit
};

constexpr std::size_t kSetupFileLimit = 16u << 20;

// A handle of either library's file callbacks: a cabinet of the set read at
// a position, or a file written nowhere but for the CE setup file, kept.
struct CabinetStream {
    std::unique_ptr<RandomBytes> bytes;  // null: a file written
    std::size_t cabinet = 0;  // for a cabinet: its place in the set
    uint64_t at = 0;
    std::string* capture = nullptr;
    // The bytes read into buffer, or -1.
    long Read(void* buffer, std::size_t count);
    // The bytes taken, or -1 for a cabinet.
    long Write(const void* buffer, std::size_t count);
    // origin: 0 the start, 1 here, 2 the end; false outside the file.
    bool Seek(int64_t offset, int origin);
};

// The library's name, for the report.
std::string CabinetLibraryName();

CabinetContents ReadCabinetSet(const CabinetSet& set, CabinetOpener& opener);

// What went wrong while the library unpacked a file, in the vendor's words:
// the file inside, and the block the last read fell in.
std::string DescribeUnpackFailure(const std::string& what, const std::string& file,
                                  const CabinetLayout& layout, uint64_t lastRead);

// Whether a name inside a cabinet is the CE setup file's ("*.000").
bool IsSetupFileName(const std::string& name);

}  // namespace check
