// The header and record list of a Palm OS database file (.prc, .pdb), read
// from untrusted bytes: what the handheld knows it by, and whether the file
// is whole enough for the install tool to hand it over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

constexpr std::size_t kPalmHeaderBytes = 78;  // through the record count
constexpr uint16_t kPalmResourceFlag = 0x0001;
// The most a reader needs of a file: the header and the longest record list.
constexpr std::size_t kPalmHeadBytes = kPalmHeaderBytes + 0xFFFFu * 10u;

enum class PalmProblem {
    None,
    Empty,             // no byte at all
    ShortHeader,       // fewer bytes than the header
    NameUnterminated,  // no NUL in the 32 bytes of the name
    ShortRecordList,   // the file ends inside the record list
    InfoPastEnd,       // the app-info or sort-info offset lies past the end
    EntryInsideHeader, // the first entry points into the header or the list
    EntryPastEnd,      // an entry points past the end of the file
    EntryOutOfOrder,   // an entry points before the one before it
    InfoOutOfPlace,    // an app-info or sort-info block outside its place
};

struct PalmDatabase {
    PalmProblem problem = PalmProblem::Empty;
    uint64_t size = 0;    // the whole file's, in bytes
    std::string name;     // up to its NUL; what the handheld calls it
    uint16_t attributes = 0;
    std::string type, creator;  // four bytes each
    uint16_t records = 0;
    uint32_t badEntry = 0;  // the entry a problem is about, from 0
    // For InfoOutOfPlace: which block, where it starts, and the bound it misses.
    const char* badInfo = "";
    uint64_t infoAt = 0, infoBound = 0;
    bool IsResourceDatabase() const { return (attributes & kPalmResourceFlag) != 0; }
};

// head: the file's first bytes, at least kPalmHeadBytes of them where the file
// has that many; size: the whole file's size in bytes.
PalmDatabase ReadPalmDatabase(const std::string& head, uint64_t size);

// What a problem means, in a vendor's words: "ends inside its record list".
std::string DescribePalmProblem(const PalmDatabase& database);

}  // namespace check
