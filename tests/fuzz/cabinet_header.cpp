// The input is a cabinet file as a vendor's folder may hold it. The reader of
// its tables must stay inside the bytes, and what it calls sound must be so:
// every table and data block inside the file and the stated size, every file
// in a folder that holds it.
#include "check/readers/CabinetTables.h"
#include "check/readers/Utf8.h"
#include "tests/fuzz/FuzzSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    check::MemoryBytes bytes(std::string(reinterpret_cast<const char*>(data), size));
    const check::CabinetTables cab = check::ReadCabinetTables(bytes);
    const std::string words = check::DescribeCabinetProblem(cab);
    FUZZ_CHECK(!words.empty() && check::IsValidUtf8(words));
    if (!cab.Sound()) return 0;
    FUZZ_CHECK(size >= 36 && std::memcmp(data, "MSCF", 4) == 0);
    FUZZ_CHECK(cab.statedSize <= size && !cab.folders.empty() && !cab.files.empty());
    for (const check::CabinetFolder& folder : cab.folders) {
        FUZZ_CHECK(folder.blockEnds.size() == folder.blocks);
        for (uint64_t end : folder.blockEnds) FUZZ_CHECK(end <= cab.statedSize);
        if (!folder.blockEnds.empty())
            FUZZ_CHECK(!cab.BlockAt(folder.blockEnds.back()).empty());
    }
    for (const check::CabinetEntry& file : cab.files) {
        FUZZ_CHECK(file.name.size() < 256);
        if (file.folder < 0xFFFD) FUZZ_CHECK(file.folder < cab.folders.size());
    }
    for (const std::string* name : {&cab.previous, &cab.next})
        FUZZ_CHECK(name->size() < 256 && name->find('\0') == std::string::npos);
    if (!(cab.flags & check::kCabinetHasPrevious)) FUZZ_CHECK(cab.previous.empty());
    if (!(cab.flags & check::kCabinetHasNext)) FUZZ_CHECK(cab.next.empty());
    return 0;
}
