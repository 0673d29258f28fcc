#include "check/readers/PalmDatabase.h"

#include "check/readers/Bytes.h"

namespace check {

namespace {

// The header, from the file's first byte; the record list follows it.
constexpr std::size_t kNameBytes = 32;
constexpr Field kAttributes{0x20, 2}, kAppInfo{0x34, 4}, kSortInfo{0x38, 4};
constexpr Field kType{0x3C, 4}, kCreator{0x40, 4}, kRecordCount{0x4C, 2};
// An entry of the record list: a resource's type[4], id[2], offset[4]; a
// record's offset[4], attributes, unique id[3].
constexpr Field kResourceOffset{6, 4}, kRecordOffset{0, 4};
constexpr std::size_t kResourceEntryBytes = 10, kRecordEntryBytes = 8;

PalmDatabase& Failed(PalmDatabase& db, PalmProblem problem) {
    db.problem = problem;
    return db;
}

bool Fail(PalmDatabase& db, PalmProblem problem) {
    db.problem = problem;
    return false;
}

std::size_t EntryBytes(const PalmDatabase& db) {
    return db.IsResourceDatabase() ? kResourceEntryBytes : kRecordEntryBytes;
}

uint64_t EntryOffset(const PalmDatabase& db, const std::string& head, uint32_t i) {
    return Big(head, kPalmHeaderBytes + EntryBytes(db) * i,
               db.IsResourceDatabase() ? kResourceOffset : kRecordOffset);
}

// Each entry points inside the file, after the record list and after the
// entry before it.
bool EntriesInOrder(PalmDatabase& db, const std::string& head, uint64_t listEnd) {
    uint64_t previous = listEnd;
    for (uint32_t i = 0; i < db.records; ++i) {
        const uint64_t offset = EntryOffset(db, head, i);
        db.badEntry = i;
        if (offset > db.size) return Fail(db, PalmProblem::EntryPastEnd);
        if (offset < previous)
            return Fail(db, i == 0 ? PalmProblem::EntryInsideHeader : PalmProblem::EntryOutOfOrder);
        previous = offset;
    }
    db.badEntry = 0;
    return true;
}

// The install tool takes each block's length from the next offset, so the
// blocks lie between the record list and the first entry, in order.
bool InfoBlocksInPlace(PalmDatabase& db, const std::string& head, uint64_t listEnd) {
    const uint64_t firstEntry = db.records ? EntryOffset(db, head, 0) : db.size;
    uint64_t low = listEnd;
    const struct {
        Field field;
        const char* name;
    } blocks[] = {{kAppInfo, "app-info"}, {kSortInfo, "sort-info"}};
    for (const auto& block : blocks) {
        const uint64_t at = Big(head, 0, block.field);
        if (at == 0) continue;
        db.badInfo = block.name;
        db.infoAt = at;
        db.infoBound = at < low ? low : firstEntry;
        if (at < low || at > firstEntry || at >= db.size)
            return Fail(db, PalmProblem::InfoOutOfPlace);
        low = at;
    }
    db.badInfo = "";
    return true;
}

}  // namespace

PalmDatabase ReadPalmDatabase(const std::string& head, uint64_t size) {
    PalmDatabase db;
    db.size = size;
    if (size == 0 || head.empty()) return db;
    if (size < kPalmHeaderBytes || head.size() < kPalmHeaderBytes)
        return Failed(db, PalmProblem::ShortHeader);
    const std::size_t nul = head.find('\0');
    db.attributes = static_cast<uint16_t>(Big(head, 0, kAttributes));
    db.type = head.substr(kType.at, kType.width);
    db.creator = head.substr(kCreator.at, kCreator.width);
    db.records = static_cast<uint16_t>(Big(head, 0, kRecordCount));
    if (nul == std::string::npos || nul >= kNameBytes)
        return Failed(db, PalmProblem::NameUnterminated);
    db.name = head.substr(0, nul);

    const std::size_t listEnd = kPalmHeaderBytes + EntryBytes(db) * db.records;
    if (size < listEnd || head.size() < listEnd) return Failed(db, PalmProblem::ShortRecordList);
    for (const Field field : {kAppInfo, kSortInfo})
        if (Big(head, 0, field) > size) return Failed(db, PalmProblem::InfoPastEnd);
    if (!EntriesInOrder(db, head, listEnd) || !InfoBlocksInPlace(db, head, listEnd)) return db;
    db.problem = PalmProblem::None;
    return db;
}

std::string DescribePalmProblem(const PalmDatabase& db) {
    const std::string entry = "entry " + std::to_string(db.badEntry + 1) + " of its record list";
    switch (db.problem) {
    case PalmProblem::None: return "is a whole Palm database";
    case PalmProblem::Empty: return "is empty";
    case PalmProblem::ShortHeader:
        return "has " + std::to_string(db.size) + " bytes, fewer than the " +
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
        if (db.infoAt >= db.size) return block + ", at its very end";
        if (db.infoAt < db.infoBound)
            return block + ", before the end of its header, record list or app-info block (byte " +
                   std::to_string(db.infoBound) + ")";
        return block + ", after its first record (byte " + std::to_string(db.infoBound) + ")";
    }
    }
    return "is no Palm database";
}

}  // namespace check
