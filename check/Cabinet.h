// The tables of a cabinet file (.cab), read from untrusted bytes: whether it
// is one, whether its header, folder table, file table and data blocks lie
// where they say, and which cabinets it continues from or into. The data
// itself is left to a library made for the format (CabinetLibrary.h); these
// tables give its failures a place a vendor can find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace check {

// A file read at any offset.
class RandomBytes {
public:
    virtual ~RandomBytes() = default;
    virtual uint64_t Size() const = 0;
    // Up to count bytes at at; false on a failure to read (not at the end).
    virtual bool ReadAt(uint64_t at, std::size_t count, std::string& out) = 0;
};

class MemoryBytes final : public RandomBytes {
public:
    explicit MemoryBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t at, std::size_t count, std::string& out) override {
        out = at < bytes_.size() ? bytes_.substr(static_cast<std::size_t>(at), count) : "";
        return true;
    }

private:
    std::string bytes_;
};

constexpr uint16_t kCabinetHasPrevious = 0x0001;
constexpr uint16_t kCabinetHasNext = 0x0002;
constexpr uint16_t kCabinetHasReserve = 0x0004;

struct CabinetFolder {
    uint64_t dataStart = 0;
    uint16_t blocks = 0;
    uint16_t compression = 0;
    uint64_t uncompressed = 0;       // the bytes its blocks unpack to
    std::vector<uint64_t> blockEnds;  // where each block's data ends in the file
};

struct CabinetEntry {
    std::string name;  // as stored: bytes of the code page or UTF-8
    uint32_t size = 0;
    uint32_t offset = 0;  // in its folder's unpacked data
    uint16_t folder = 0;
};

struct CabinetLayout {
    bool sound = false;
    std::string problem;  // what is wrong, in a vendor's words, when not sound
    uint32_t statedSize = 0;
    uint16_t flags = 0;
    uint16_t setId = 0, index = 0;
    std::string previous, next;  // cabinet names, when the flags say so
    std::vector<CabinetFolder> folders;
    std::vector<CabinetEntry> files;
    // Where a read that ended at offset was: "data block 2 of 5 of folder 1",
    // or empty outside the data.
    std::string BlockAt(uint64_t offset) const;
};

CabinetLayout ReadCabinetLayout(RandomBytes& bytes);

}  // namespace check
