// The readers of vendors' bytes at the edges of what they take: for each
// limit, a row at the limit and a row one past it, with the problem kind
// each must give.
#include <gtest/gtest.h>

#include "check/Files.h"
#include "check/readers/CabinetTables.h"
#include "check/readers/CeSetupFile.h"
#include "check/readers/IniFile.h"
#include "check/readers/PalmDatabase.h"

using namespace files;

namespace {

uint32_t Read32(const std::string& b, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at]) |
                                 static_cast<unsigned char>(b[at + 1]) << 8 |
                                 static_cast<unsigned char>(b[at + 2]) << 16 |
                                 static_cast<unsigned char>(b[at + 3]) << 24);
}

TEST(Readers, CabinetTablesAtTheirEdges) {
    using P = check::CabinetProblem;
    const std::string cab = Cab();
    const uint32_t size = static_cast<uint32_t>(cab.size());
    const uint32_t filesAt = Read32(cab, 16);   // the header's offset of the file table
    const uint32_t dataAt = Read32(cab, 36);    // the one folder's first block
    const std::size_t second = filesAt + 16 + 13;  // the entry after "STREET~1.000"
    const std::string name255(255, 'p'), name256(256, 'p');
    const struct {
        const char* what;
        std::string bytes;
        P problem;
    } rows[] = {
        {"whole", cab, P::None},
        {"35 bytes: inside the fixed header", cab.substr(0, 35), P::ShortHeader},
        {"36 bytes: the header whole, the rest cut", cab.substr(0, 36), P::CutShort},
        {"one byte short of the stated size", cab.substr(0, size - 1), P::CutShort},
        {"stated size one past the file", Patched(cab, 8, Little(size + 1, 4)), P::CutShort},
        {"stated size one short of the data", Patched(cab, 8, Little(size - 1, 4)),
         P::StatedSizeShort},
        {"version 1.2", Patched(cab, 24, "\x02\x01"), P::Version},
        {"version 1.4", Patched(cab, 24, "\x04\x01"), P::Version},
        {"compression type 3", Patched(cab, 42, Little(3, 2)), P::None},
        {"compression type 4", Patched(cab, 42, Little(4, 2)), P::UnknownCompression},
        {"data starting at the file's end", Patched(cab, 36, Little(size, 4)), P::BlockCut},
        {"data starting past the file's end", Patched(cab, 36, Little(size + 1, 4)),
         P::FolderDataPastEnd},
        {"file table right after the folder table", cab, P::None},
        {"file table one byte into the folder table", Patched(cab, 16, Little(filesAt - 1, 4)),
         P::FileTableInsideHeader},
        {"file table at the file's end", Patched(cab, 16, Little(size, 4)), P::FileTablePastEnd},
        {"a block of the most packed bytes", Patched(cab, dataAt + 4, Little(38912, 2)),
         P::BlockCut},
        {"a block of one packed byte more", Patched(cab, dataAt + 4, Little(38913, 2)),
         P::BlockTooLarge},
        {"a block that unpacks to 32768 bytes", Patched(cab, dataAt + 6, Little(32768, 2)),
         P::None},
        {"a block that unpacks to 32769 bytes", Patched(cab, dataAt + 6, Little(32769, 2)),
         P::BlockTooLarge},
        {"the last file one byte past its folder's data", Patched(cab, second, Little(5, 4)),
         P::FilePastFolderData},
        {"a file in the second of one folder", Patched(cab, second + 8, Little(1, 2)),
         P::FileInMissingFolder},
        {"a previous cabinet's name of 255 bytes", Cab(0x0001, name255 + '\0' + "d" + '\0'),
         P::None},
        {"a previous cabinet's name of 256 bytes", Cab(0x0001, name256 + '\0' + "d" + '\0'),
         P::PreviousUnterminated},
    };
    for (const auto& row : rows) {
        check::MemoryBytes bytes(row.bytes);
        const check::CabinetTables tables = check::ReadCabinetTables(bytes);
        EXPECT_EQ(tables.problem, row.problem) << row.what << ": " << DescribeCabinetProblem(tables);
    }
}

CeSetup Versions(uint32_t leastMajor, uint32_t leastMinor, uint32_t mostMajor, uint32_t mostMinor,
                 uint32_t processor = 0xA11) {
    CeSetup setup;
    setup.processor = processor;
    setup.least[0] = leastMajor;
    setup.least[1] = leastMinor;
    setup.most[0] = mostMajor;
    setup.most[1] = mostMinor;
    return setup;
}

TEST(Readers, CeSetupFileAtItsEdges) {
    using P = check::CeSetupProblem;
    const std::string setup = CeSetup().Bytes();
    const uint32_t size = static_cast<uint32_t>(setup.size());
    const uint32_t filesAt = Read32(setup, 0x44);  // FILES, the third section
    // Builds compared whole: 65,536 is above 65,535 only in its third byte.
    CeSetup builds = Versions(4, 0, 4, 0);
    builds.least[2] = 0x10000;
    builds.most[2] = 0xFFFF;
    const struct {
        const char* what;
        std::string bytes;
        P problem;
    } rows[] = {
        {"whole", setup, P::None},
        {"99 bytes: inside the header", setup.substr(0, 99), P::ShortHeader},
        {"stated length one past its end", Patched(setup, 8, Little(size + 1, 4)), P::CutShort},
        {"most version the least", Versions(4, 0, 4, 0).Bytes(), P::None},
        {"most version one below the least", Versions(4, 1, 4, 0).Bytes(), P::VersionsExclude},
        {"most build one below the least", builds.Bytes(), P::VersionsExclude},
        {"most major 100 sets no limit", Versions(101, 0, 100, 0).Bytes(), P::None},
        {"most major 99 does", Versions(101, 0, 99, 0).Bytes(), P::VersionsExclude},
        {"a string ending at its end", Patched(setup, 0x5C, Little(size - 4, 2) + Little(4, 2)),
         P::None},
        {"a string one byte past its end",
         Patched(setup, 0x5C, Little(size - 4, 2) + Little(5, 2)), P::StringPastEnd},
        {"a string starting right after the header", Patched(setup, 0x5C, Little(100, 2) + Little(1, 2)),
         P::None},
        {"a string starting in the header", Patched(setup, 0x5C, Little(99, 2) + Little(1, 2)),
         P::StringInHeader},
        {"FILES at its last byte", Patched(setup, 0x44, Little(size - 1, 4)), P::FileEntryPastEnd},
        {"FILES at its end", Patched(setup, 0x44, Little(size, 4)), P::SectionOutside},
        {"a file's name one byte past its end", Patched(setup, filesAt + 10, Little(7, 2)),
         P::FileNamePastEnd},
    };
    for (const auto& row : rows) {
        const check::CeSetupFile read = check::ReadCeSetupFile(row.bytes);
        EXPECT_EQ(read.problem, row.problem) << row.what << ": " << DescribeCeSetupProblem(read);
    }

    // Two cabinets for one processor whose versions share a single value
    // reach the same devices; one value apart they do not.
    const struct {
        CeSetup a, b;
        bool same;
    } targets[] = {
        {Versions(3, 0, 4, 0), Versions(4, 0, 5, 0), true},
        {Versions(4, 0, 5, 0), Versions(3, 0, 4, 0), true},
        {Versions(3, 0, 3, 99), Versions(4, 0, 5, 0), false},
        {Versions(3, 0, 0, 0), Versions(5, 0, 0, 0), true},  // both without an upper limit
        {Versions(3, 0, 4, 0), Versions(3, 0, 4, 0, 4000), false},
    };
    for (const auto& t : targets) {
        const check::CeSetupFile a = check::ReadCeSetupFile(t.a.Bytes());
        const check::CeSetupFile b = check::ReadCeSetupFile(t.b.Bytes());
        EXPECT_EQ(check::SameTarget(a, b), t.same)
            << check::DescribeVersions(a) << " / " << check::DescribeVersions(b);
    }
}

// A record database of two records, each at the offset given.
std::string TwoRecords(uint32_t first, uint32_t second) {
    std::string db = Pdb("Two");
    db = Patched(db, 0x4C, Big(2, 2));
    db.insert(86, Big(second, 4) + std::string(4, '\0'));
    return Patched(db, 78, Big(first, 4));
}

TEST(Readers, PalmDatabaseAtItsEdges) {
    using P = check::PalmProblem;
    const std::string pdb = Pdb("Streets");  // 78 + 8 bytes of header and list, then 4 of data
    const uint32_t size = static_cast<uint32_t>(pdb.size());
    const struct {
        const char* what;
        std::string bytes;
        P problem;
    } rows[] = {
        {"whole", pdb, P::None},
        {"77 bytes", pdb.substr(0, 77), P::ShortHeader},
        {"78 bytes and no record", Patched(pdb, 0x4C, Big(0, 2)).substr(0, 78), P::None},
        {"a name of 31 bytes", Pdb(std::string(31, 'n')), P::None},
        {"a name of 32 bytes", std::string(32, 'n') + pdb.substr(32), P::NameUnterminated},
        {"the record list whole, no data", Patched(pdb, 78, Big(86, 4)).substr(0, 86), P::None},
        {"the record list one byte short", pdb.substr(0, 85), P::ShortRecordList},
        {"an entry at the file's end", Patched(pdb, 78, Big(size, 4)), P::None},
        {"an entry one past the file's end", Patched(pdb, 78, Big(size + 1, 4)), P::EntryPastEnd},
        {"the first entry one byte into the list", Patched(pdb, 78, Big(85, 4)),
         P::EntryInsideHeader},
        {"two entries at one offset", TwoRecords(95, 95), P::None},
        {"the second entry one byte before the first", TwoRecords(95, 94), P::EntryOutOfOrder},
        {"app-info right after the list", Patched(pdb, 0x34, Big(86, 4)), P::None},
        {"app-info one byte into the list", Patched(pdb, 0x34, Big(85, 4)), P::InfoOutOfPlace},
        {"app-info one byte after the first record", Patched(pdb, 0x34, Big(87, 4)),
         P::InfoOutOfPlace},
        {"app-info at the file's end", Patched(pdb, 0x34, Big(size, 4)), P::InfoOutOfPlace},
        {"app-info past the file's end", Patched(pdb, 0x34, Big(size + 1, 4)), P::InfoPastEnd},
        {"no record, app-info at the last byte",
         Patched(Patched(pdb, 0x4C, Big(0, 2)), 0x34, Big(size - 1, 4)), P::None},
        {"no record, app-info at the file's end",
         Patched(Patched(pdb, 0x4C, Big(0, 2)), 0x34, Big(size, 4)), P::InfoOutOfPlace},
    };
    for (const auto& row : rows) {
        const check::PalmDatabase db = check::ReadPalmDatabase(row.bytes, row.bytes.size());
        EXPECT_EQ(db.problem, row.problem) << row.what << ": " << check::DescribePalmProblem(db);
    }
}

TEST(Readers, ProfileValuesLoseOnlyMatchingQuotes) {
    const struct {
        const char* line;
        const char* value;
    } rows[] = {
        {"Key = \"Maps\"", "Maps"},   {"Key = 'Maps'", "Maps"},  {"Key = \"Maps'", "\"Maps'"},
        {"Key = 'Maps\"", "'Maps\""}, {"Key = \"", "\""},         {"Key = \"\"", ""},
        {"Key = \"a\" b\"", "a\" b"}, {"Key =   Maps  ", "Maps"},
    };
    for (const auto& row : rows) {
        const check::IniFile ini = check::ReadIniFile(std::string("[S]\r\n") + row.line + "\r\n");
        ASSERT_EQ(ini.sections.size(), 1u);
        ASSERT_EQ(ini.sections[0].keys.size(), 1u) << row.line;
        EXPECT_EQ(ini.sections[0].keys[0].value, row.value) << row.line;
    }
}

}  // namespace
