#include "check/readers/CabinetTables.h"

#include "check/readers/Bytes.h"
#include "check/readers/Utf8.h"

namespace check {

namespace {

// The fixed header, from the cabinet's first byte.
constexpr Field kSignature{0, 4}, kStatedSize{8, 4}, kFileTableAt{16, 4};
constexpr Field kMinorVersion{24, 1}, kMajorVersion{25, 1};
constexpr Field kFolderCount{26, 2}, kFileCount{28, 2}, kFlags{30, 2};
constexpr Field kSetId{32, 2}, kIndexInSet{34, 2};
constexpr std::size_t kFixedBytes = 36;
// The reserve sizes after it, when the flags say so.
constexpr Field kHeaderReserve{0, 2}, kFolderReserve{2, 1}, kBlockReserve{3, 1};
constexpr std::size_t kReserveSizesBytes = 4;
// A folder table entry, a file table entry (its name follows) and a data
// block's header (its reserve and data follow).
constexpr Field kDataStart{0, 4}, kBlockCount{4, 2}, kCompression{6, 2};
constexpr std::size_t kFolderBytes = 8;
constexpr Field kFileSize{0, 4}, kFileOffset{4, 4}, kFileFolder{8, 2};
constexpr std::size_t kFileBytes = 16;
constexpr Field kPackedBytes{4, 2}, kUnpackedBytes{6, 2};
constexpr std::size_t kBlockBytes = 8;

constexpr std::size_t kNameLimit = 256;  // 255 bytes and the NUL
constexpr uint32_t kMostPacked = 32768 + 6144;  // a block's data, packed
constexpr uint32_t kMostUnpacked = 32768;
constexpr uint16_t kFromPrevious = 0xFFFD, kIntoNext = 0xFFFE, kBoth = 0xFFFF;
constexpr uint16_t kCompressionTypeMask = 0x000F, kMostCompressionType = 3;

std::string Number(uint64_t n) { return std::to_string(n); }

std::string BlockWords(uint64_t block, uint64_t blocks, uint64_t folder) {
    return "data block " + Number(block) + " of " + Number(blocks) + " of folder " +
           Number(folder);
}

// A NUL-terminated name at at, which moves past it; false when it has no end
// within the bytes or the limit.
bool ReadName(const std::string& bytes, std::size_t& at, std::string& name) {
    const std::size_t nul = bytes.find('\0', at);
    if (nul == std::string::npos || nul - at >= kNameLimit) return false;
    name = bytes.substr(at, nul - at);
    at = nul + 1;
    return true;
}

class Reader {
public:
    Reader(RandomBytes& bytes, CabinetTables& cab) : bytes_(bytes), cab_(cab) {
        cab_.fileSize = bytes.Size();
    }

    bool Read() {
        std::string head;
        if (!bytes_.ReadAt(0, kFixedBytes + kReserveSizesBytes + 0xFFFF + 4 * kNameLimit, head))
            return Fail(CabinetProblem::Unreadable);
        if (head.compare(0, kSignature.width, "MSCF") != 0)
            return Fail(CabinetProblem::NoSignature);
        if (head.size() < kFixedBytes) return Fail(CabinetProblem::ShortHeader);
        cab_.statedSize = Little(head, 0, kStatedSize);
        const uint32_t major = Little(head, 0, kMajorVersion);
        const uint32_t minor = Little(head, 0, kMinorVersion);
        const uint32_t folders = Little(head, 0, kFolderCount);
        const uint32_t files = Little(head, 0, kFileCount);
        cab_.flags = static_cast<uint16_t>(Little(head, 0, kFlags));
        cab_.setId = static_cast<uint16_t>(Little(head, 0, kSetId));
        cab_.index = static_cast<uint16_t>(Little(head, 0, kIndexInSet));
        if (cab_.fileSize < cab_.statedSize) return Fail(CabinetProblem::CutShort);
        if (major != 1 || minor != 3) {
            detail().value = major;
            detail().other = minor;
            return Fail(CabinetProblem::Version);
        }
        if (folders == 0) return Fail(CabinetProblem::NoFolders);
        if (files == 0) return Fail(CabinetProblem::NoFiles);
        std::size_t at = kFixedBytes;
        return ReadReserveAndNames(head, at) && ReadFolders(at, folders) &&
               ReadFiles(Little(head, 0, kFileTableAt), files) && WalkData() && CheckFiles() &&
               CheckStatedSize();
    }

private:
    bool Fail(CabinetProblem problem) {
        cab_.problem = problem;
        return false;
    }
    CabinetProblemDetail& detail() { return cab_.detail; }

    bool ReadReserveAndNames(const std::string& head, std::size_t& at) {
        if (cab_.flags & kCabinetHasReserve) {
            if (head.size() < at + kReserveSizesBytes)
                return Fail(CabinetProblem::ShortReserveSizes);
            headerReserve_ = Little(head, at, kHeaderReserve);
            folderReserve_ = Little(head, at, kFolderReserve);
            blockReserve_ = Little(head, at, kBlockReserve);
            at += kReserveSizesBytes + headerReserve_;
            if (head.size() < at) return Fail(CabinetProblem::ShortReserve);
        }
        std::string disk;
        if ((cab_.flags & kCabinetHasPrevious) &&
            !(ReadName(head, at, cab_.previous) && ReadName(head, at, disk)))
            return Fail(CabinetProblem::PreviousUnterminated);
        if ((cab_.flags & kCabinetHasNext) &&
            !(ReadName(head, at, cab_.next) && ReadName(head, at, disk)))
            return Fail(CabinetProblem::NextUnterminated);
        return true;
    }

    bool ReadFolders(uint64_t at, uint32_t count) {
        const std::size_t entry = kFolderBytes + folderReserve_;
        std::string table;
        if (!bytes_.ReadAt(at, entry * count, table) || table.size() < entry * count)
            return Fail(CabinetProblem::ShortFolderTable);
        foldersEnd_ = at + entry * count;
        for (uint32_t i = 0; i < count; ++i) {
            CabinetFolder folder;
            folder.dataStart = Little(table, i * entry, kDataStart);
            folder.blocks = static_cast<uint16_t>(Little(table, i * entry, kBlockCount));
            folder.compression = static_cast<uint16_t>(Little(table, i * entry, kCompression));
            detail().item = i + 1;
            detail().count = count;
            if ((folder.compression & kCompressionTypeMask) > kMostCompressionType) {
                detail().value = folder.compression & kCompressionTypeMask;
                return Fail(CabinetProblem::UnknownCompression);
            }
            if (folder.dataStart > cab_.fileSize) {
                detail().value = folder.dataStart;
                return Fail(CabinetProblem::FolderDataPastEnd);
            }
            cab_.folders.push_back(folder);
        }
        detail() = {};
        return true;
    }

    bool ReadFiles(uint64_t at, uint32_t count) {
        detail().value = at;
        if (at < foldersEnd_) return Fail(CabinetProblem::FileTableInsideHeader);
        if (at >= cab_.fileSize) return Fail(CabinetProblem::FileTablePastEnd);
        std::string table;
        if (!bytes_.ReadAt(at, count * (kFileBytes + kNameLimit), table))
            return Fail(CabinetProblem::FileTableUnreadable);
        std::size_t pos = 0;
        for (uint32_t i = 0; i < count; ++i) {
            CabinetEntry file;
            std::size_t name = pos + kFileBytes;
            if (table.size() < name || !ReadName(table, name, file.name)) {
                detail().item = i + 1;
                detail().count = count;
                return Fail(CabinetProblem::ShortFileTable);
            }
            file.size = Little(table, pos, kFileSize);
            file.offset = Little(table, pos, kFileOffset);
            file.folder = static_cast<uint16_t>(Little(table, pos, kFileFolder));
            cab_.files.push_back(file);
            pos = name;
        }
        filesEnd_ = at + pos;
        detail() = {};
        return true;
    }

    bool WalkData() {
        const std::size_t header = kBlockBytes + blockReserve_;
        for (std::size_t f = 0; f < cab_.folders.size(); ++f) {
            CabinetFolder& folder = cab_.folders[f];
            uint64_t at = folder.dataStart;
            for (uint32_t b = 0; b < folder.blocks; ++b) {
                detail().item = b + 1;
                detail().count = folder.blocks;
                detail().folder = static_cast<uint32_t>(f + 1);
                std::string bytes;
                if (!bytes_.ReadAt(at, header, bytes) || bytes.size() < header)
                    return Fail(CabinetProblem::BlockCut);
                const uint32_t packed = Little(bytes, 0, kPackedBytes);
                const uint32_t unpacked = Little(bytes, 0, kUnpackedBytes);
                if (packed > kMostPacked || unpacked > kMostUnpacked) {
                    detail().value = packed;
                    detail().other = unpacked;
                    return Fail(CabinetProblem::BlockTooLarge);
                }
                at += header + packed;
                if (at > cab_.fileSize) return Fail(CabinetProblem::BlockCut);
                folder.blockEnds.push_back(at);
                folder.uncompressed += unpacked;
            }
        }
        detail() = {};
        return true;
    }

    bool CheckFiles() {
        const std::size_t last = cab_.folders.size() - 1;
        for (const CabinetEntry& file : cab_.files) {
            const std::size_t folder = file.folder;
            detail().file = file.name;
            detail().folder = static_cast<uint32_t>(folder + 1);
            bool continued = false;
            if (file.folder == kFromPrevious || file.folder == kIntoNext || file.folder == kBoth) {
                const bool fromPrevious = file.folder != kIntoNext;
                const bool intoNext = file.folder != kFromPrevious;
                if ((fromPrevious && !(cab_.flags & kCabinetHasPrevious)) ||
                    (intoNext && !(cab_.flags & kCabinetHasNext)))
                    return Fail(CabinetProblem::ContinuedWithoutNeighbour);
                continued = true;
            } else if (folder > last) {
                detail().count = static_cast<uint32_t>(last + 1);
                return Fail(CabinetProblem::FileInMissingFolder);
            }
            // Data that goes on in a neighbour is counted there.
            continued = continued || (folder == last && (cab_.flags & kCabinetHasNext)) ||
                        (folder == 0 && (cab_.flags & kCabinetHasPrevious));
            if (continued) continue;
            if (uint64_t{file.offset} + file.size > cab_.folders[folder].uncompressed) {
                detail().value = file.size;
                detail().other = file.offset;
                return Fail(CabinetProblem::FilePastFolderData);
            }
        }
        detail() = {};
        return true;
    }

    bool CheckStatedSize() {
        uint64_t end = filesEnd_;
        for (const CabinetFolder& folder : cab_.folders)
            if (!folder.blockEnds.empty() && folder.blockEnds.back() > end)
                end = folder.blockEnds.back();
        detail().value = end;
        if (cab_.statedSize < end) return Fail(CabinetProblem::StatedSizeShort);
        detail() = {};
        cab_.problem = CabinetProblem::None;
        return true;
    }

    RandomBytes& bytes_;
    CabinetTables& cab_;
    uint32_t headerReserve_ = 0, folderReserve_ = 0, blockReserve_ = 0;
    uint64_t foldersEnd_ = 0, filesEnd_ = 0;
};

// The problems of the file table and after, which name a file inside.
std::string DescribeFileProblem(const CabinetTables& cab) {
    const CabinetProblemDetail& d = cab.detail;
    const std::string file = QuotedInsideName(d.file);
    switch (cab.problem) {
    case CabinetProblem::ContinuedWithoutNeighbour:
        return "its file table has " + file +
               " continue across cabinets, but the header names no such cabinet";
    case CabinetProblem::FileInMissingFolder:
        return "its file table puts " + file + " in folder " + Number(d.folder) + ", of " +
               Number(d.count);
    case CabinetProblem::FilePastFolderData:
        return "its file table gives " + file + " " + Number(d.value) + " bytes at byte " +
               Number(d.other) + " of folder " + Number(d.folder) + ", which unpacks to " +
               Number(cab.folders[d.folder - 1].uncompressed) + " bytes only";
    default: return "is no cabinet file";
    }
}

// The problems of the tables before the file table's entries.
std::string DescribeTableProblem(const CabinetTables& cab) {
    const CabinetProblemDetail& d = cab.detail;
    const std::string size = Number(cab.fileSize);
    const std::string folder = "folder " + Number(d.item) + " of " + Number(d.count);
    const std::string fileTable = "its file table starts at byte " + Number(d.value);
    switch (cab.problem) {
    case CabinetProblem::ShortFolderTable: return "ends inside its folder table";
    case CabinetProblem::UnknownCompression:
        return "its folder table gives " + folder + " an unknown compression type (" +
               Number(d.value) + ")";
    case CabinetProblem::FolderDataPastEnd:
        return "its folder table puts the data of " + folder + " at byte " + Number(d.value) +
               ", past the end of the file (" + size + " bytes)";
    case CabinetProblem::FileTableInsideHeader:
        return fileTable + ", inside its header or folder table";
    case CabinetProblem::FileTablePastEnd:
        return fileTable + ", past the end of the file (" + size + " bytes)";
    case CabinetProblem::FileTableUnreadable: return "its file table cannot be read";
    case CabinetProblem::ShortFileTable:
        return "ends inside its file table, in entry " + Number(d.item) + " of " + Number(d.count);
    case CabinetProblem::BlockCut:
        return "ends inside " + BlockWords(d.item, d.count, d.folder) +
               ": it was cut short, or its folder table names more blocks than it holds";
    case CabinetProblem::BlockTooLarge:
        return "its " + BlockWords(d.item, d.count, d.folder) + " states " + Number(d.value) +
               " bytes that unpack to " + Number(d.other) + ", more than a block holds";
    case CabinetProblem::StatedSizeShort:
        return "its header states a size of " + Number(cab.statedSize) +
               " bytes, but its own tables and data take " + Number(d.value);
    default: return DescribeFileProblem(cab);
    }
}

}  // namespace

std::string CabinetTables::BlockAt(uint64_t offset) const {
    for (std::size_t f = 0; f < folders.size(); ++f) {
        uint64_t start = folders[f].dataStart;
        const std::vector<uint64_t>& ends = folders[f].blockEnds;
        for (std::size_t b = 0; b < ends.size(); ++b) {
            if (offset > start && offset <= ends[b]) return BlockWords(b + 1, ends.size(), f + 1);
            start = ends[b];
        }
    }
    return std::string();
}

CabinetTables ReadCabinetTables(RandomBytes& bytes) {
    CabinetTables cab;
    Reader(bytes, cab).Read();
    return cab;
}

std::string DescribeCabinetProblem(const CabinetTables& cab) {
    const CabinetProblemDetail& d = cab.detail;
    switch (cab.problem) {
    case CabinetProblem::None: return "is a whole cabinet";
    case CabinetProblem::Unreadable: return "cannot be read here";
    case CabinetProblem::NoSignature: return "is no cabinet file: it does not start with \"MSCF\"";
    case CabinetProblem::ShortHeader:
        return "ends inside its cabinet header, after " + Number(cab.fileSize) + " bytes";
    case CabinetProblem::CutShort:
        return "has " + Number(cab.fileSize) + " bytes where its header says " +
               Number(cab.statedSize) +
               ": it was cut short, as by a copy or download that did not finish";
    case CabinetProblem::Version:
        return "is cabinet version " + Number(d.value) + "." + Number(d.other) +
               ", where only version 1.3 is read";
    case CabinetProblem::NoFolders: return "has no folder of data in its header";
    case CabinetProblem::NoFiles: return "holds no file, by its header";
    case CabinetProblem::ShortReserveSizes: return "ends inside its header's reserve sizes";
    case CabinetProblem::ShortReserve: return "ends inside its header's reserved area";
    case CabinetProblem::PreviousUnterminated:
        return "names a previous cabinet without ending the name";
    case CabinetProblem::NextUnterminated: return "names a next cabinet without ending the name";
    default: return DescribeTableProblem(cab);
    }
}

std::string QuotedInsideName(const std::string& name) {
    std::string out;
    for (char c : EscapeInvalidUtf8(name))
        out += static_cast<unsigned char>(c) < 0x20 ? EscapedByte(static_cast<unsigned char>(c))
                                                    : std::string(1, c);
    return "\"" + out + "\"";
}

}  // namespace check
