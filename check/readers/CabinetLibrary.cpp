#include "check/readers/CabinetLibrary.h"

#include <algorithm>
#include <cstring>

namespace check {

namespace {

std::string ErrorWords(const CabinetContents& contents) {
    switch (contents.error) {
    case LibraryError::Checksum: return "a checksum does not match";
    case LibraryError::Unpack: return "the packed data cannot be unpacked";
    case LibraryError::DataEnds: return "the data ends early";
    case LibraryError::DataFormat: return "the data is not laid out as the format says";
    case LibraryError::NoMemory: return "there was not enough memory to unpack it";
    case LibraryError::Corrupt: return "the system's cabinet reader finds the data damaged";
    case LibraryError::UnknownPacking: return "it is packed in a way the system does not know";
    case LibraryError::WrongNext: return "the next cabinet of its set does not continue it";
    case LibraryError::Other: break;
    }
    return CabinetLibraryName() + " could not read it (error " +
           std::to_string(contents.errorCode) + ")";
}

}  // namespace

std::string DescribeCabinetRead(const CabinetContents& contents, const CabinetSet& set) {
    switch (contents.problem) {
    case CabinetReadProblem::None: return "is read whole";
    case CabinetReadProblem::NotStarted:
        return "cannot be read: " + CabinetLibraryName() + " did not start";
    case CabinetReadProblem::NotOpened:
        return "cannot be opened as a cabinet: " + ErrorWords(contents);
    case CabinetReadProblem::NotJoined:
        return "does not continue the cabinet before it in its set: their folders do not join";
    case CabinetReadProblem::DataDamaged: {
        const std::string block = contents.cabinet < set.tables.size()
                                      ? set.tables[contents.cabinet]->BlockAt(contents.lastRead)
                                      : std::string();
        return "cannot be read whole: the data of " + QuotedInsideName(contents.file) +
               " inside it is damaged" + (block.empty() ? "" : " in " + block) + ": " +
               ErrorWords(contents);
    }
    case CabinetReadProblem::NotRead: return "cannot be read as a cabinet: " + ErrorWords(contents);
    }
    return "cannot be read";
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

std::string* KeptBytes(CabinetContents& contents, const std::string& name) {
    const bool ceSetup = name.size() > 4 && name.compare(name.size() - 4, 4, ".000") == 0;
    // The installer finds its setup XML by name without regard to case.
    static const char kSetupXml[] = "_setup.xml";
    bool setupXml = name.size() == sizeof kSetupXml - 1;
    for (std::size_t i = 0; setupXml && i < name.size(); ++i)
        setupXml = (name[i] >= 'A' && name[i] <= 'Z' ? name[i] - 'A' + 'a' : name[i]) == kSetupXml[i];
    KeptFile* kept = ceSetup ? &contents.ceSetup : setupXml ? &contents.setupXml : nullptr;
    if (!kept || kept->found) return nullptr;
    kept->found = true;
    kept->name = name;
    return &kept->bytes;
}

}  // namespace check
