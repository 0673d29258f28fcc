// The header of a cabinet file (.cab), read from untrusted bytes: whether it
// is one, whether the file holds as many bytes as the header says, and which
// cabinets it continues from or into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

constexpr std::size_t kCabinetFixedBytes = 36;
// The most a reader needs: the fixed part, the reserve sizes, the largest
// reserved area and four names of at most 255 bytes and their NULs.
constexpr std::size_t kCabinetHeadBytes = kCabinetFixedBytes + 4 + 0xFFFF + 4 * 256;

constexpr uint16_t kCabinetHasPrevious = 0x0001;
constexpr uint16_t kCabinetHasNext = 0x0002;
constexpr uint16_t kCabinetHasReserve = 0x0004;

enum class CabinetProblem {
    None,
    NotCabinet,        // no "MSCF" at the start
    ShortHeader,       // the file ends inside the header
    ShorterThanStated, // fewer bytes than the header's total size
    BadName,           // a previous or next cabinet's name without its end
};

struct CabinetHeader {
    CabinetProblem problem = CabinetProblem::NotCabinet;
    uint32_t statedSize = 0;
    uint16_t flags = 0;
    std::string previous, next;  // cabinet names, when the flags say so
};

// head: the file's first bytes, at least kCabinetHeadBytes where the file has
// that many; size: the whole file's size.
CabinetHeader ReadCabinetHeader(const std::string& head, uint64_t size);

}  // namespace check
