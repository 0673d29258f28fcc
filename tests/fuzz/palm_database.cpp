// The input is a Palm database file as a vendor's folder may hold it. The
// reader is given the file's first bytes and a size, which the first input
// byte may make larger than the bytes (a file that grew, or a head cut
// short): it must stay inside the bytes, and what it calls whole must be so.
#include <algorithm>

#include "check/readers/PalmDatabase.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

uint32_t Big(const std::string& b, std::size_t at, std::size_t n) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    const uint64_t claimed = file.size() + (data[0] & 0x80 ? data[0] & 0x7F : 0);
    // The head as the check reads it: the whole file, up to the reader's need.
    const std::string head = file.substr(0, check::kPalmHeadBytes);
    const check::PalmDatabase db = check::ReadPalmDatabase(head, claimed);
    FUZZ_CHECK(!check::DescribePalmProblem(db).empty());
    if (db.problem == check::PalmProblem::Empty) FUZZ_CHECK(head.empty() || claimed == 0);
    if (db.problem != check::PalmProblem::None) return 0;

    // Whole: every claim checked again here, by the format's own rules.
    FUZZ_CHECK(head.size() >= check::kPalmHeaderBytes);
    FUZZ_CHECK(db.name.size() < 32 && db.name.find('\0') == std::string::npos);
    FUZZ_CHECK(db.type.size() == 4 && db.creator.size() == 4);
    const std::size_t entry = db.IsResourceDatabase() ? 10 : 8;
    const std::size_t listEnd = check::kPalmHeaderBytes + entry * db.records;
    FUZZ_CHECK(head.size() >= listEnd && claimed >= listEnd);
    uint64_t previous = listEnd;
    for (std::size_t i = 0; i < db.records; ++i) {
        const uint64_t offset = Big(head, check::kPalmHeaderBytes + entry * i + (entry == 10 ? 6 : 0), 4);
        FUZZ_CHECK(offset >= previous && offset <= claimed);
        previous = offset;
    }
    FUZZ_CHECK(Big(head, 0x34, 4) <= claimed && Big(head, 0x38, 4) <= claimed);
    // A head cut anywhere short of the record list is never whole.
    const std::size_t cut = data[0] % std::max<std::size_t>(listEnd, 1);
    FUZZ_CHECK(check::ReadPalmDatabase(head.substr(0, cut), claimed).problem != check::PalmProblem::None);
    return 0;
}
