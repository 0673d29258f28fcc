// Numbers read from untrusted bytes, each field at a named offset with its
// width, in either byte order; the caller has made sure the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

// A field of a record: where it starts from the record's start, and how
// many bytes wide it is (at most four).
struct Field {
    std::size_t at;
    std::size_t width;
    std::size_t End() const { return at + width; }
};

// Cabinets and CE setup files are little-endian.
inline uint32_t Little(const std::string& bytes, std::size_t record, Field field) {
    uint32_t value = 0;
    for (std::size_t i = field.width; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[record + field.at + i]);
    return value;
}

// Palm databases are big-endian.
inline uint32_t Big(const std::string& bytes, std::size_t record, Field field) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < field.width; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[record + field.at + i]);
    return value;
}

}  // namespace check
