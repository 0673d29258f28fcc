#include "check/PalmDatabase.h"

#include "check/Bytes.h"

namespace check {

namespace {

constexpr std::size_t kNameBytes = 32;
constexpr std::size_t kAttributesAt = 0x20;
constexpr std::size_t kAppInfoAt = 0x34;
constexpr std::size_t kSortInfoAt = 0x38;
constexpr std::size_t kTypeAt = 0x3C;
constexpr std::size_t kCreatorAt = 0x40;
constexpr std::size_t kRecordsAt = 0x4C;
constexpr std::size_t kResourceEntryBytes = 10;  // type[4], id[2], offset[4]
constexpr std::size_t kRecordEntryBytes = 8;     // offset[4], attributes, unique id[3]

}  // namespace

PalmDatabase ReadPalmDatabase(const std::string& head, uint64_t size) {
    PalmDatabase db;
    if (size == 0 || head.empty()) return db;
    db.problem = PalmProblem::ShortHeader;
    if (size < kPalmHeaderBytes || head.size() < kPalmHeaderBytes) return db;

    const std::size_t nul = head.find('\0');
    db.attributes = static_cast<uint16_t>(Big(head, kAttributesAt, 2));
    db.type = head.substr(kTypeAt, 4);
    db.creator = head.substr(kCreatorAt, 4);
    db.records = static_cast<uint16_t>(Big(head, kRecordsAt, 2));
    if (nul == std::string::npos || nul >= kNameBytes) {
        db.problem = PalmProblem::NameUnterminated;
        return db;
    }
    db.name = head.substr(0, nul);

    const std::size_t entryBytes = db.IsResourceDatabase() ? kResourceEntryBytes : kRecordEntryBytes;
    const std::size_t listEnd = kPalmHeaderBytes + entryBytes * db.records;
    if (size < listEnd || head.size() < listEnd) {
        db.problem = PalmProblem::ShortRecordList;
        return db;
    }
    for (const std::size_t at : {kAppInfoAt, kSortInfoAt}) {
        if (Big(head, at, 4) > size) {
            db.problem = PalmProblem::InfoPastEnd;
            return db;
        }
    }
    const std::size_t offsetAt = db.IsResourceDatabase() ? 6 : 0;
    uint64_t previous = listEnd;
    for (uint32_t i = 0; i < db.records; ++i) {
        const uint64_t offset = Big(head, kPalmHeaderBytes + entryBytes * i + offsetAt, 4);
        db.badEntry = i;
        if (offset > size) {
            db.problem = PalmProblem::EntryPastEnd;
            return db;
        }
        if (offset < previous) {
            db.problem = i == 0 ? PalmProblem::EntryInsideHeader : PalmProblem::EntryOutOfOrder;
            return db;
        }
        previous = offset;
    }
    db.badEntry = 0;
    // The install tool takes each block's length from the next offset, so
    // the blocks lie between the record list and the first entry, in order.
    const uint64_t firstEntry =
        db.records ? Big(head, kPalmHeaderBytes + offsetAt, 4) : size;
    uint64_t low = listEnd;
    const struct {
        std::size_t at;
        const char* name;
    } blocks[] = {{kAppInfoAt, "app-info"}, {kSortInfoAt, "sort-info"}};
    for (const auto& block : blocks) {
        const uint64_t at = Big(head, block.at, 4);
        if (at == 0) continue;
        db.badInfo = block.name;
        db.infoAt = at;
        db.infoBound = at < low ? low : firstEntry;
        if (at < low || at > firstEntry || at >= size) {
            db.problem = PalmProblem::InfoOutOfPlace;
            return db;
        }
        low = at;
    }
    db.badInfo = "";
    db.problem = PalmProblem::None;
    return db;
}

std::string DescribePalmProblem(const PalmDatabase& db, uint64_t size) {
    const std::string entry = "entry " + std::to_string(db.badEntry + 1) + " of its record list";
    switch (db.problem) {
    case PalmProblem::None: return "is a whole Palm database";
    case PalmProblem::Empty: return "is empty";
    case PalmProblem::ShortHeader:
        return "has " + std::to_string(size) + " bytes, fewer than the " +
               std::to_string(kPalmHeaderBytes) + " of a Palm database's header";
    case PalmProblem::NameUnterminated: return "has no end to the database name in its header";
    case PalmProblem::ShortRecordList:
        return "ends inside its record list of " + std::to_string(db.records) + " entries";
    case PalmProblem::InfoPastEnd: return "has an app-info or sort-info offset past its end";
    case PalmProblem::EntryInsideHeader: return "has " + entry + " pointing into its header";
    case PalmProblem::EntryPastEnd: return "has " + entry + " pointing past its end";
    case PalmProblem::EntryOutOfOrder:
        return "has " + entry + " pointing before the entry before it";
    case PalmProblem::InfoOutOfPlace: {
        const std::string block = std::string("has its ") + db.badInfo + " block at byte " +
                                  std::to_string(db.infoAt);
        if (db.infoAt >= size) return block + ", at its very end";
        if (db.infoAt < db.infoBound)
            return block + ", before the end of its header, record list or app-info block (byte " +
                   std::to_string(db.infoBound) + ")";
        return block + ", after its first record (byte " + std::to_string(db.infoBound) + ")";
    }
    }
    return "is no Palm database";
}

}  // namespace check
