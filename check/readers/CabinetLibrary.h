// A cabinet set read whole by a library made for the format: every file of
// every folder unpacked into memory and thrown away, checksums verified, as
// the device's installer will read it. On Linux the library is libmspack
// (CabinetLibrary_mspack.cpp); on Windows, the system's own cabinet reader
// (CabinetLibrary_fdi.cpp). What both share, the stream their callbacks
// read and write and the words for what went wrong, is CabinetLibrary.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check/readers/CabinetTables.h"

namespace check {

// Where the library gets a cabinet's bytes.
class CabinetOpener {
public:
    virtual ~CabinetOpener() = default;
    // Null when the file cannot be read as a regular file.
    virtual std::unique_ptr<RandomBytes> OpenRandom(const std::string& path) = 0;
};

struct CabinetSet {
    std::vector<std::string> paths;             // in set order, as the opener takes them
    std::vector<const CabinetTables*> tables;  // each one's, sound
};

// Why a set could not be read whole.
enum class CabinetReadProblem {
    None,
    NotStarted,   // the library did not start
    NotOpened,    // the library did not take the cabinet for one: error
    NotJoined,    // the cabinet does not continue the one before it
    DataDamaged,  // file's data is damaged: error, with the place of the last read
    NotRead,      // the library failed outside any file's data: error
};

// What the library said went wrong, in its terms.
enum class LibraryError {
    Checksum,
    Unpack,
    DataEnds,
    DataFormat,
    NoMemory,
    Corrupt,         // the system's reader finds the data damaged
    UnknownPacking,  // packed in a way the system does not know
    WrongNext,       // the next cabinet does not continue it
    Other,           // errorCode says which
};

// A file of the set kept in memory as it is unpacked.
struct KeptFile {
    bool found = false;
    std::string name;   // as stored
    std::string bytes;  // up to kSetupFileLimit of them
};

constexpr std::size_t kSetupFileLimit = 16u << 20;

struct CabinetContents {
    CabinetReadProblem problem = CabinetReadProblem::NotStarted;
    LibraryError error = LibraryError::Other;
    int errorCode = 0;
    std::size_t cabinet = 0;  // the cabinet of the set the problem is in
    std::string file;         // for DataDamaged: the file inside, as stored
    uint64_t lastRead = 0;    // for DataDamaged: where the last read ended
    std::vector<std::string> names;  // every file of the set, as stored
    // The files the device's installer reads first, kept: the CE setup file
    // (the first whose name ends in ".000") and the setup XML ("_setup.xml").
    KeptFile ceSetup, setupXml;
    bool Whole() const { return problem == CabinetReadProblem::None; }
};

// A handle of either library's file callbacks: a cabinet of the set read at
// a position, or a file written nowhere but for the setup files, kept.
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

// What went wrong, in a vendor's words, for the cabinet of the set it is in.
std::string DescribeCabinetRead(const CabinetContents& contents, const CabinetSet& set);

// Where the bytes of a file of the set go as it is unpacked: into the CE
// setup file or the setup XML, when it is the first of its name; null for
// nowhere.
std::string* KeptBytes(CabinetContents& contents, const std::string& name);

}  // namespace check
