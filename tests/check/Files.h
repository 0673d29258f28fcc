// Component files for the folder check's tests, built as their tools want
// them: Palm databases, cabinets with their CE setup files, CE Application Manager description
// files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// The bytes with those at at replaced.
inline std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
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

// A CE setup file: for a processor and Windows CE versions (a most version
// of 0.0: no upper limit), with its names and the files it installs, each by
// the extension of a file of the cabinet.
struct CeSetup {
    uint32_t processor = 0xA11;  // ARM StrongARM
    uint32_t least[3] = {3, 0, 0}, most[3] = {0, 0, 0};  // major, minor, build
    std::string application = "Street Maps", provider = "Quillmere";
    std::vector<uint16_t> files = {1};

    std::string Bytes() const {
        std::string names = application + '\0' + provider + '\0';
        std::string table;
        for (uint16_t id : files) table += Little(id, 2) + Little(1, 2) + Little(0, 2) +
                                           Little(0, 4) + Little(6, 2) + "a.exe" + '\0';
        const uint32_t filesAt = static_cast<uint32_t>(100 + names.size());
        std::string h = "MSCE" + Little(0, 4) + Little(filesAt + table.size(), 4) + Little(0, 4) +
                        Little(1, 4) + Little(processor, 4) + Little(least[0], 4) +
                        Little(least[1], 4) + Little(most[0], 4) + Little(most[1], 4) +
                        Little(least[2], 4) + Little(most[2], 4);
        h += Little(0, 2) + Little(0, 2) + Little(static_cast<uint32_t>(files.size()), 2) +
             std::string(6, '\0') + Little(0, 4) + Little(0, 4) + Little(filesAt, 4) +
             std::string(12, '\0');
        h += Little(100, 2) + Little(application.size() + 1, 2) +
             Little(100 + application.size() + 1, 2) + Little(provider.size() + 1, 2) +
             std::string(8, '\0');
        return h + names + table;
    }
};

// A cabinet of stored (unpacked) files in one folder, without checksums.
// after: the bytes after the fixed header (reserve sizes and area, names of
// the previous and next cabinets) as the flags call for; stated: the size
// the header states, the cabinet's own unless given.
inline std::string Cab(uint16_t flags, const std::string& after, uint32_t stated,
                       const std::vector<std::pair<std::string, std::string>>& files) {
    std::string table, data;
    uint32_t offset = 0;
    for (const auto& f : files) {
        table += Little(static_cast<uint32_t>(f.second.size()), 4) + Little(offset, 4) +
                 Little(0, 2) + Little(0x21, 2) + Little(0, 2) + Little(0x20, 2) + f.first + '\0';
        offset += static_cast<uint32_t>(f.second.size());
        data += f.second;
    }
    const bool reserve = flags & 0x0004;
    const std::size_t perBlock = reserve ? static_cast<unsigned char>(after[3]) : 0;
    std::string blocks;
    uint16_t count = 0;
    for (std::size_t at = 0; at < data.size() || count == 0; at += 32768, ++count) {
        const std::string part = data.substr(at, 32768);
        blocks += Little(0, 4) + Little(static_cast<uint32_t>(part.size()), 2) +
                  Little(static_cast<uint32_t>(part.size()), 2) + std::string(perBlock, '\0') +
                  part;
    }
    const std::size_t folderReserve = reserve ? static_cast<unsigned char>(after[2]) : 0;
    const uint32_t filesAt = static_cast<uint32_t>(36 + after.size() + 8 + folderReserve);
    const uint32_t dataAt = static_cast<uint32_t>(filesAt + table.size());
    const uint32_t size = stated ? stated : static_cast<uint32_t>(dataAt + blocks.size());
    return "MSCF" + Little(0, 4) + Little(size, 4) + Little(0, 4) + Little(filesAt, 4) +
           Little(0, 4) + "\x03\x01" + Little(1, 2) +
           Little(static_cast<uint32_t>(files.size()), 2) + Little(flags, 2) + Little(0, 4) +
           after + Little(dataAt, 4) + Little(count, 2) + Little(0, 2) + std::string(folderReserve, '\0') +
           table + blocks;
}

// A Windows CE cabinet: its setup file and the one file that installs.
inline std::string Cab(uint16_t flags = 0, const std::string& after = "", uint32_t stated = 0,
                       const CeSetup& setup = CeSetup()) {
    return Cab(flags, after, stated, {{"STREET~1.000", setup.Bytes()}, {"STREET~1.001", "body"}});
}

// A setup XML as the Smartphone cabinet wizard writes one: Install naming
// the application, FileOperation extracting each source of the cabinet.
inline std::string SetupXmlDoc(const std::string& application,
                               const std::vector<std::string>& sources) {
    std::string extracts;
    for (const std::string& source : sources)
        extracts += "<characteristic type=\"a.exe\"><characteristic type=\"Extract\">"
                    "<parm name=\"Source\" value=\"" + source + "\"/></characteristic>"
                    "</characteristic>";
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<wap-provisioningdoc>"
           "<characteristic type=\"Install\"><parm name=\"AppName\" value=\"" + application +
           "\"/></characteristic><characteristic type=\"FileOperation\">"
           "<characteristic type=\"%CE1%\"><characteristic type=\"MakeDir\"/>" + extracts +
           "</characteristic></characteristic></wap-provisioningdoc>\r\n";
}

// A cabinet with a setup XML, named as given, and the file it extracts.
inline std::string XmlCab(const std::string& application, const std::string& source = "MAPS~1.001",
                          const std::string& name = "_setup.xml") {
    return Cab(0, "", 0, {{name, SetupXmlDoc(application, {source})}, {"MAPS~1.001", "body"}});
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
