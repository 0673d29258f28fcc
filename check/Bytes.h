// Numbers read from untrusted bytes, in either byte order; the caller has
// made sure the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

// Cabinets and CE setup files are little-endian.
inline uint32_t Little(const std::string& bytes, std::size_t at, std::size_t count) {
    uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Palm databases are big-endian.
inline uint32_t Big(const std::string& bytes, std::size_t at, std::size_t count) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace check
