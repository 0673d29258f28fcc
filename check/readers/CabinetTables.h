// The tables of a cabinet file (.cab), read from untrusted bytes: whether it
// is one, whether its header, folder table, file table and data blocks lie
// where they say, and which cabinets it continues from or into. The data
// itself is left to a library made for the format (CabinetLibrary.h); these
// tables give its failures a place a vendor can find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/readers/RandomBytes.h"

namespace check {

constexpr uint16_t kCabinetHasPrevious = 0x0001;
constexpr uint16_t kCabinetHasNext = 0x0002;
constexpr uint16_t kCabinetHasReserve = 0x0004;

struct CabinetFolder {
    uint64_t dataStart = 0;
    uint16_t blocks = 0;
    uint16_t compression = 0;
    uint64_t uncompressed = 0;        // the bytes its blocks unpack to
    std::vector<uint64_t> blockEnds;  // where each block's data ends in the file
};

struct CabinetEntry {
    std::string name;  // as stored: bytes of the code page or UTF-8
    uint32_t size = 0;
    uint32_t offset = 0;  // in its folder's unpacked data
    uint16_t folder = 0;
};

// What is wrong with a cabinet's tables; the detail's fields named after
// each kind say what it is about.
enum class CabinetProblem {
    None,
    Unreadable,                // the file cannot be read here
    NoSignature,               // no "MSCF" at its start
    ShortHeader,               // it ends inside the fixed header
    CutShort,                  // fewer bytes than the header states
    Version,                   // not 1.3: value the major, other the minor version
    NoFolders,                 // the header counts no folder
    NoFiles,                   // the header counts no file
    ShortReserveSizes,         // it ends inside the reserve sizes
    ShortReserve,              // it ends inside the header's reserved area
    PreviousUnterminated,      // the previous cabinet's name or disk has no end
    NextUnterminated,          // the next cabinet's name or disk has no end
    ShortFolderTable,          // it ends inside the folder table
    UnknownCompression,        // folder item of count: value the type
    FolderDataPastEnd,         // folder item of count: value where its data starts
    FileTableInsideHeader,     // value where the file table starts
    FileTablePastEnd,          // value where the file table starts
    FileTableUnreadable,       // the file table cannot be read
    ShortFileTable,            // it ends inside entry item of count
    BlockCut,                  // it ends inside block item of count of folder
    BlockTooLarge,             // block item of count of folder: value packed, other unpacked
    ContinuedWithoutNeighbour, // file continues across cabinets the header names none of
    FileInMissingFolder,       // file in folder value, of count
    FilePastFolderData,        // file: value its size, other its offset, in folder
    StatedSizeShort,           // value: where the tables and data end
};

struct CabinetProblemDetail {
    uint32_t item = 0, count = 0;  // a folder, entry or block, from 1, of how many
    uint32_t folder = 0;           // a block's or file's folder, from 1
    uint64_t value = 0, other = 0;
    std::string file;  // a file inside, as stored
};

struct CabinetTables {
    CabinetProblem problem = CabinetProblem::Unreadable;
    CabinetProblemDetail detail;
    uint64_t fileSize = 0;
    uint32_t statedSize = 0;
    uint16_t flags = 0;
    uint16_t setId = 0, index = 0;
    std::string previous, next;  // cabinet names, when the flags say so
    std::vector<CabinetFolder> folders;
    std::vector<CabinetEntry> files;
    bool Sound() const { return problem == CabinetProblem::None; }
    // Where a read that ended at offset was: "data block 2 of 5 of folder 1",
    // or empty outside the data.
    std::string BlockAt(uint64_t offset) const;
};

CabinetTables ReadCabinetTables(RandomBytes& bytes);

// What a problem means, in a vendor's words: "is no cabinet file: ...".
std::string DescribeCabinetProblem(const CabinetTables& cabinet);

// A name from inside a cabinet, quoted for a report: UTF-8 kept, other
// bytes and control characters as \xNN.
std::string QuotedInsideName(const std::string& name);

}  // namespace check
