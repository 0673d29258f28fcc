#include "check/Cabinet.h"

#include <algorithm>
#include <cstring>

#include "check/Bytes.h"
#include "check/Text.h"

namespace check {

namespace {

constexpr std::size_t kFixedBytes = 36;
constexpr std::size_t kNameLimit = 256;  // 255 bytes and the NUL
constexpr std::size_t kFolderBytes = 8;
constexpr std::size_t kFileBytes = 16;
constexpr std::size_t kBlockBytes = 8;
constexpr uint32_t kMostPacked = 32768 + 6144;  // a block's data, packed
constexpr uint32_t kMostUnpacked = 32768;
constexpr uint16_t kFromPrevious = 0xFFFD, kIntoNext = 0xFFFE, kBoth = 0xFFFF;

std::string Number(uint64_t n) { return std::to_string(n); }

// A NUL-terminated name at at, which moves past it; false when it has no end
// within the bytes or the limit.
bool ReadName(const std::string& bytes, std::size_t& at, std::string& name) {
    const std::size_t nul = bytes.find('\0', at);
    if (nul == std::string::npos || nul - at >= kNameLimit) return false;
    name = bytes.substr(at, nul - at);
    at = nul + 1;
    return true;
}

// A name from inside the cabinet, for the report: UTF-8 kept, other bytes
// and control characters as \xNN.
std::string Quoted(const std::string& name) {
    std::string out;
    for (char c : EscapeInvalidUtf8(name))
        out += static_cast<unsigned char>(c) < 0x20 ? EscapedByte(static_cast<unsigned char>(c))
                                                    : std::string(1, c);
    return "\"" + out + "\"";
}

class Reader {
public:
    Reader(RandomBytes& bytes, CabinetLayout& cab)
        : bytes_(bytes), cab_(cab), size_(bytes.Size()) {}

    bool Read() {
        std::string head;
        if (!bytes_.ReadAt(0, kFixedBytes + 4 + 0xFFFF + 4 * kNameLimit, head))
            return Fail("cannot be read here");
        if (head.compare(0, 4, "MSCF") != 0)
            return Fail("is no cabinet file: it does not start with \"MSCF\"");
        if (head.size() < kFixedBytes)
            return Fail("ends inside its cabinet header, after " + Number(size_) + " bytes");
        cab_.statedSize = Little(head, 8, 4);
        const uint32_t filesAt = Little(head, 16, 4);
        const unsigned minor = Little(head, 24, 1), major = Little(head, 25, 1);
        const uint32_t folders = Little(head, 26, 2), files = Little(head, 28, 2);
        cab_.flags = static_cast<uint16_t>(Little(head, 30, 2));
        cab_.setId = static_cast<uint16_t>(Little(head, 32, 2));
        cab_.index = static_cast<uint16_t>(Little(head, 34, 2));
        if (size_ < cab_.statedSize)
            return Fail("has " + Number(size_) + " bytes where its header says " +
                        Number(cab_.statedSize) +
                        ": it was cut short, as by a copy or download that did not finish");
        if (major != 1 || minor != 3)
            return Fail("is cabinet version " + Number(major) + "." + Number(minor) +
                        ", where only version 1.3 is read");
        if (folders == 0) return Fail("has no folder of data in its header");
        if (files == 0) return Fail("holds no file, by its header");

        std::size_t at = kFixedBytes;
        if (cab_.flags & kCabinetHasReserve) {
            if (head.size() < at + 4) return Fail("ends inside its header's reserve sizes");
            headerReserve_ = Little(head, at, 2);
            folderReserve_ = Little(head, at + 2, 1);
            blockReserve_ = Little(head, at + 3, 1);
            at += 4 + headerReserve_;
            if (head.size() < at) return Fail("ends inside its header's reserved area");
        }
        std::string disk;
        if ((cab_.flags & kCabinetHasPrevious) &&
            !(ReadName(head, at, cab_.previous) && ReadName(head, at, disk)))
            return Fail("names a previous cabinet without ending the name");
        if ((cab_.flags & kCabinetHasNext) &&
            !(ReadName(head, at, cab_.next) && ReadName(head, at, disk)))
            return Fail("names a next cabinet without ending the name");
        return ReadFolders(at, folders) && ReadFiles(filesAt, files) && WalkData() &&
               CheckFiles() && CheckStatedSize();
    }

private:
    bool Fail(const std::string& problem) {
        cab_.problem = problem;
        return false;
    }

    bool ReadFolders(uint64_t at, uint32_t count) {
        const std::size_t entry = kFolderBytes + folderReserve_;
        std::string table;
        if (!bytes_.ReadAt(at, entry * count, table) || table.size() < entry * count)
            return Fail("ends inside its folder table");
        foldersEnd_ = at + entry * count;
        for (uint32_t i = 0; i < count; ++i) {
            CabinetFolder folder;
            folder.dataStart = Little(table, i * entry, 4);
            folder.blocks = static_cast<uint16_t>(Little(table, i * entry + 4, 2));
            folder.compression = static_cast<uint16_t>(Little(table, i * entry + 6, 2));
            const std::string which = "folder " + Number(i + 1) + " of " + Number(count);
            if ((folder.compression & 0x000F) > 3)
                return Fail("its folder table gives " + which + " an unknown compression type (" +
                            Number(folder.compression & 0x000F) + ")");
            if (folder.dataStart > size_)
                return Fail("its folder table puts the data of " + which + " at byte " +
                            Number(folder.dataStart) + ", past the end of the file (" +
                            Number(size_) + " bytes)");
            cab_.folders.push_back(folder);
        }
        return true;
    }

    bool ReadFiles(uint64_t at, uint32_t count) {
        if (at < foldersEnd_)
            return Fail("its file table starts at byte " + Number(at) +
                        ", inside its header or folder table");
        if (at >= size_)
            return Fail("its file table starts at byte " + Number(at) +
                        ", past the end of the file (" + Number(size_) + " bytes)");
        std::string table;
        if (!bytes_.ReadAt(at, count * (kFileBytes + kNameLimit), table))
            return Fail("its file table cannot be read");
        std::size_t pos = 0;
        for (uint32_t i = 0; i < count; ++i) {
            CabinetEntry file;
            std::size_t name = pos + kFileBytes;
            if (table.size() < name || !ReadName(table, name, file.name))
                return Fail("ends inside its file table, in entry " + Number(i + 1) + " of " +
                            Number(count));
            file.size = Little(table, pos, 4);
            file.offset = Little(table, pos + 4, 4);
            file.folder = static_cast<uint16_t>(Little(table, pos + 8, 2));
            cab_.files.push_back(file);
            pos = name;
        }
        filesEnd_ = at + pos;
        return true;
    }

    bool WalkData() {
        const std::size_t header = kBlockBytes + blockReserve_;
        for (std::size_t f = 0; f < cab_.folders.size(); ++f) {
            CabinetFolder& folder = cab_.folders[f];
            uint64_t at = folder.dataStart;
            for (uint32_t b = 0; b < folder.blocks; ++b) {
                const std::string which = "data block " + Number(b + 1) + " of " +
                                          Number(folder.blocks) + " of folder " + Number(f + 1);
                std::string bytes;
                const std::string cut = "ends inside " + which +
                                        ": it was cut short, or its folder table names more "
                                        "blocks than it holds";
                if (!bytes_.ReadAt(at, header, bytes) || bytes.size() < header) return Fail(cut);
                const uint32_t packed = Little(bytes, 4, 2), unpacked = Little(bytes, 6, 2);
                if (packed > kMostPacked || unpacked > kMostUnpacked)
                    return Fail("its " + which + " states " + Number(packed) +
                                " bytes that unpack to " + Number(unpacked) +
                                ", more than a block holds");
                at += header + packed;
                if (at > size_) return Fail(cut);
                folder.blockEnds.push_back(at);
                folder.uncompressed += unpacked;
            }
        }
        return true;
    }

    bool CheckFiles() {
        const std::size_t last = cab_.folders.size() - 1;
        for (const CabinetEntry& file : cab_.files) {
            std::size_t folder = file.folder;
            bool continued = false;
            if (file.folder == kFromPrevious || file.folder == kIntoNext || file.folder == kBoth) {
                const bool fromPrevious = file.folder != kIntoNext;
                const bool intoNext = file.folder != kFromPrevious;
                if ((fromPrevious && !(cab_.flags & kCabinetHasPrevious)) ||
                    (intoNext && !(cab_.flags & kCabinetHasNext)))
                    return Fail("its file table has " + Quoted(file.name) +
                                " continue across cabinets, but the header names no such cabinet");
                continued = true;
            } else if (folder > last) {
                return Fail("its file table puts " + Quoted(file.name) + " in folder " +
                            Number(folder + 1) + ", of " + Number(last + 1));
            }
            // Data that goes on in a neighbour is counted there.
            continued = continued || (folder == last && (cab_.flags & kCabinetHasNext)) ||
                        (folder == 0 && (cab_.flags & kCabinetHasPrevious));
            if (continued) continue;
            const uint64_t end = uint64_t{file.offset} + file.size;
            if (end > cab_.folders[folder].uncompressed)
                return Fail("its file table gives " + Quoted(file.name) + " " + Number(file.size) +
                            " bytes at byte " + Number(file.offset) + " of folder " +
                            Number(folder + 1) + ", which unpacks to " +
                            Number(cab_.folders[folder].uncompressed) + " bytes only");
        }
        return true;
    }

    bool CheckStatedSize() {
        uint64_t end = filesEnd_;
        for (const CabinetFolder& folder : cab_.folders)
            if (!folder.blockEnds.empty() && folder.blockEnds.back() > end)
                end = folder.blockEnds.back();
        if (cab_.statedSize < end)
            return Fail("its header states a size of " + Number(cab_.statedSize) +
                        " bytes, but its own tables and data take " + Number(end));
        cab_.sound = true;
        return true;
    }

    RandomBytes& bytes_;
    CabinetLayout& cab_;
    uint64_t size_;
    uint32_t headerReserve_ = 0, folderReserve_ = 0, blockReserve_ = 0;
    uint64_t foldersEnd_ = 0, filesEnd_ = 0;
};

}  // namespace

std::string CabinetLayout::BlockAt(uint64_t offset) const {
    for (std::size_t f = 0; f < folders.size(); ++f) {
        uint64_t start = folders[f].dataStart;
        const std::vector<uint64_t>& ends = folders[f].blockEnds;
        for (std::size_t b = 0; b < ends.size(); ++b) {
            if (offset > start && offset <= ends[b])
                return "data block " + Number(b + 1) + " of " + Number(ends.size()) +
                       " of folder " + Number(f + 1);
            start = ends[b];
        }
    }
    return std::string();
}

CabinetLayout ReadCabinetLayout(RandomBytes& bytes) {
    CabinetLayout cab;
    Reader(bytes, cab).Read();
    return cab;
}

}  // namespace check

#include "check/CabinetLibrary.h"

namespace check {

std::string DescribeUnpackFailure(const std::string& what, const std::string& file,
                                  const CabinetLayout& layout, uint64_t lastRead) {
    const std::string block = layout.BlockAt(lastRead);
    return "cannot be read whole: the data of " + Quoted(file) + " inside it is damaged" +
           (block.empty() ? "" : " in " + block) + ": " + what;
}

long CabinetStream::Read(void* buffer, std::size_t count) {
    std::string got;
    if (!bytes || !bytes->ReadAt(at, count, got)) return -1;
    std::memcpy(buffer, got.data(), got.size());
    at += got.size();
    return static_cast<long>(got.size());
}

long CabinetStream::Write(const void* buffer, std::size_t count) {
    if (bytes) return -1;
    if (capture && capture->size() < kSetupFileLimit)
        capture->append(static_cast<const char*>(buffer),
                        std::min(count, kSetupFileLimit - capture->size()));
    return static_cast<long>(count);
}

bool CabinetStream::Seek(int64_t offset, int origin) {
    if (!bytes) return false;
    const int64_t size = static_cast<int64_t>(bytes->Size());
    const int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(at) : size;
    if (offset > size || offset < -size || base + offset < 0 || base + offset > size) return false;
    at = static_cast<uint64_t>(base + offset);
    return true;
}

bool IsSetupFileName(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".000") == 0;
}

}  // namespace check
