// The input is a CE setup file as a cabinet may hold it. The reader must
// stay inside the bytes, and what it calls sound must be so.
#include "check/readers/CeSetupFile.h"
#include "check/readers/Utf8.h"
#include "tests/fuzz/FuzzSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const check::CeSetupFile setup = check::ReadCeSetupFile(bytes);
    const std::string words = check::DescribeCeSetupProblem(setup);
    FUZZ_CHECK(!words.empty() && check::IsValidUtf8(words));
    if (!setup.Sound()) return 0;
    FUZZ_CHECK(size >= check::kCeSetupHeaderBytes && bytes.compare(0, 4, "MSCE") == 0);
    FUZZ_CHECK(setup.application.size() < size && setup.provider.size() < size);
    FUZZ_CHECK(setup.files.size() <= 0xFFFF && setup.files.size() * 12 < size);
    FUZZ_CHECK(!check::ArchitectureName(setup.architecture).empty());
    FUZZ_CHECK(check::DescribeVersions(setup).compare(0, 11, "Windows CE ") == 0);
    FUZZ_CHECK(check::SameTarget(setup, setup));
    return 0;
}
