// Component files for the folder check's tests, built as their tools want
// them: Palm databases, cabinet headers, CE Application Manager description
// files.
#pragma once

#include <cstdint>
#include <string>

namespace files {

inline std::string Big(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

inline std::string Little(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// A Palm database of one record or resource ("code" 1) of four bytes.
inline std::string Palm(const std::string& name, bool resource, const std::string& creator = "QMap") {
    std::string header = name + std::string(32 - name.size(), '\0');
    header += Big(resource ? 1 : 0, 2) + Big(1, 2) + std::string(24, '\0');
    header += (resource ? "appl" : "Data") + creator + std::string(8, '\0') + Big(1, 2);
    const uint32_t data = resource ? 78 + 10 : 78 + 8;
    header += resource ? "code" + Big(1, 2) + Big(data, 4) : Big(data, 4) + std::string(4, '\0');
    return header + "body";
}
inline std::string Prc(const std::string& name, const std::string& creator = "QMap") {
    return Palm(name, true, creator);
}
inline std::string Pdb(const std::string& name, const std::string& creator = "QMap") {
    return Palm(name, false, creator);
}

// A cabinet header of 36 bytes (and the names its flags call for), whose
// stated size is the file's unless given.
inline std::string Cab(uint16_t flags = 0, const std::string& names = "", uint32_t stated = 0) {
    const std::string tail = names + "data";
    const uint32_t size = stated ? stated : static_cast<uint32_t>(36 + tail.size());
    return "MSCF" + Little(0, 4) + Little(size, 4) + Little(0, 4) + Little(0, 4) + Little(0, 4) + "\x03\x01" +
           Little(1, 2) + Little(1, 2) + Little(flags, 2) + Little(0, 4) + tail;
}

// ASCII text as UTF-16 LE.
inline std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string(1, c) + '\0';
    return out;
}

inline std::string Ce(const std::string& component, const std::string& description,
               const std::string& cabs) {
    return "[CEAppManager]\r\nVersion = 1.0\r\nComponent = " + component + "\r\n[" + component +
           "]\r\nDescription = " + description + "\r\nCabFiles = " + cabs + "\r\n";
}

}  // namespace files
