// Our use of the cabinet library: its file and memory callbacks fed a
// hostile cabinet, or a set of two, in memory. The first byte splits the
// input into two cabinets; the tables are read first, as the check does,
// and the library reads what they call sound.
#include <map>

#include "check/readers/CabinetLibrary.h"
#include "check/readers/Utf8.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

class Memory final : public check::CabinetOpener {
public:
    std::map<std::string, std::string> files;
    std::unique_ptr<check::RandomBytes> OpenRandom(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return nullptr;
        return std::make_unique<check::MemoryBytes>(it->second);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = data[0] < 128 ? input.size() : input.size() * (data[0] - 128) / 128;
    Memory memory;
    memory.files["one.cab"] = input.substr(0, split);
    if (split < input.size()) memory.files["two.cab"] = input.substr(split);

    std::vector<check::CabinetTables> tables;
    check::CabinetSet set;
    for (const auto& file : memory.files) {
        check::MemoryBytes bytes(file.second);
        tables.push_back(check::ReadCabinetTables(bytes));
        if (!tables.back().Sound()) return 0;
        set.paths.push_back(file.first);
    }
    for (const check::CabinetTables& cabinet : tables) set.tables.push_back(&cabinet);
    const check::CabinetContents contents = check::ReadCabinetSet(set, memory);
    const std::string words = check::DescribeCabinetRead(contents, set);
    FUZZ_CHECK(!words.empty() && check::IsValidUtf8(words));
    FUZZ_CHECK(contents.cabinet < set.paths.size());
    for (const check::KeptFile* kept : {&contents.ceSetup, &contents.setupXml}) {
        FUZZ_CHECK(kept->bytes.size() <= check::kSetupFileLimit);
        if (!kept->found) FUZZ_CHECK(kept->bytes.empty() && kept->name.empty());
    }
    if (contents.ceSetup.found)
        FUZZ_CHECK(contents.ceSetup.name.size() > 4 &&
                   contents.ceSetup.name.compare(contents.ceSetup.name.size() - 4, 4, ".000") == 0);
    return 0;
}
