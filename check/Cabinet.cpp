#include "check/Cabinet.h"

namespace check {

namespace {

constexpr std::size_t kSizeAt = 8;
constexpr std::size_t kFlagsAt = 0x1E;
constexpr std::size_t kNameLimit = 256;  // 255 bytes and the NUL

uint32_t Little(const std::string& bytes, std::size_t at, std::size_t count) {
    uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// A NUL-terminated name at at, which moves past it; false when it has no end
// within the bytes or the limit.
bool ReadName(const std::string& head, std::size_t& at, std::string& name) {
    const std::size_t nul = head.find('\0', at);
    if (nul == std::string::npos || nul - at >= kNameLimit) return false;
    name = head.substr(at, nul - at);
    at = nul + 1;
    return true;
}

}  // namespace

CabinetHeader ReadCabinetHeader(const std::string& head, uint64_t size) {
    CabinetHeader cab;
    if (head.compare(0, 4, "MSCF") != 0) return cab;
    cab.problem = CabinetProblem::ShortHeader;
    if (head.size() < kCabinetFixedBytes) return cab;
    cab.statedSize = Little(head, kSizeAt, 4);
    cab.flags = static_cast<uint16_t>(Little(head, kFlagsAt, 2));

    std::size_t at = kCabinetFixedBytes;
    if (cab.flags & kCabinetHasReserve) {
        if (head.size() < at + 4) return cab;
        at += 4 + Little(head, at, 2);  // cbCFHeader bytes of reserved area follow
        if (head.size() < at) return cab;
    }
    std::string disk;
    cab.problem = CabinetProblem::BadName;
    if ((cab.flags & kCabinetHasPrevious) &&
        !(ReadName(head, at, cab.previous) && ReadName(head, at, disk)))
        return cab;
    if ((cab.flags & kCabinetHasNext) && !(ReadName(head, at, cab.next) && ReadName(head, at, disk)))
        return cab;
    // A signed cabinet carries its signature beyond the stated size; only
    // fewer bytes than stated is damage.
    cab.problem = size < cab.statedSize ? CabinetProblem::ShorterThanStated : CabinetProblem::None;
    return cab;
}

}  // namespace check
