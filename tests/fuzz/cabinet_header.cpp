// The input is a cabinet file as a vendor's folder may hold it; the first
// byte may make the file's size larger or smaller than its bytes. The reader
// must stay inside the bytes, and what it calls whole must be so.
#include "check/Cabinet.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

uint32_t Little(const std::string& b, std::size_t at, std::size_t n) {
    uint32_t v = 0;
    for (std::size_t i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int64_t change = static_cast<int8_t>(data[0]);
    const uint64_t claimed = change < 0 && static_cast<uint64_t>(-change) > file.size()
                                 ? 0
                                 : static_cast<uint64_t>(static_cast<int64_t>(file.size()) + change);
    const std::string head = file.substr(0, check::kCabinetHeadBytes);
    const check::CabinetHeader cab = check::ReadCabinetHeader(head, claimed);
    if (head.compare(0, 4, "MSCF") != 0) FUZZ_CHECK(cab.problem == check::CabinetProblem::NotCabinet);
    if (cab.problem != check::CabinetProblem::None) return 0;

    FUZZ_CHECK(head.size() >= check::kCabinetFixedBytes);
    FUZZ_CHECK(cab.statedSize == Little(head, 8, 4) && claimed >= cab.statedSize);
    FUZZ_CHECK(cab.flags == Little(head, 0x1E, 2));
    for (const std::string* name : {&cab.previous, &cab.next}) {
        FUZZ_CHECK(name->size() < 256 && name->find('\0') == std::string::npos);
        FUZZ_CHECK(name->empty() || head.find(*name) != std::string::npos);
    }
    if (!(cab.flags & check::kCabinetHasPrevious)) FUZZ_CHECK(cab.previous.empty());
    if (!(cab.flags & check::kCabinetHasNext)) FUZZ_CHECK(cab.next.empty());
    return 0;
}
