#include "platform/PosixSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Names.h"
#include "platform/TextMode.h"

namespace platform {

namespace {

constexpr long kErrorFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr uint32_t kErrorNotSupported = 50;  // ERROR_NOT_SUPPORTED
// HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION)
constexpr long kNoAssociation = static_cast<int32_t>(0x80070483u);
// FILE_ATTRIBUTE_NORMAL: what Windows gives a file without others
constexpr uint32_t kAttributeNormal = 0x80;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// A descriptor closed unless handed on.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

class ListedSearch final : public FileSearch {
public:
    explicit ListedSearch(std::vector<FoundFile> found) : found_(std::move(found)) {}
    bool Next(FoundFile& found) override {
        if (next_ >= found_.size()) return false;
        found = found_[next_++];
        return true;
    }

private:
    std::vector<FoundFile> found_;
    std::size_t next_ = 0;
};

class PosixTextFile final : public TextFile {
public:
    explicit PosixTextFile(OpenFile file) : file_(std::move(file)) {}
    bool ReadLine(char* buffer, int size) override {
        std::FILE* file = file_.get();
        return reader_.ReadLine([file] { return std::getc(file); }, buffer, size);
    }

private:
    OpenFile file_;
    TextModeReader reader_;
};

}  // namespace

bool ListsBefore(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(UpperAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(UpperAscii(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

OpenFile OpenRegularFile(const std::string& path) {
    // Without blocking: a named pipe must not hold the reader up.
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    const int flags = fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    OpenFile file(fdopen(fd.Get(), "rb"));
    if (file) fd.Release();
    return file;
}

uint32_t PosixSystem::ModuleFileName(char*, uint32_t) { return 0; }
uint32_t PosixSystem::FullPathName(const char*, uint32_t, char*, char**) { return 0; }
uint32_t PosixSystem::ShortPathName(const char*, char*, uint32_t) { return 0; }
uint32_t PosixSystem::WideModuleFileName(char16_t*, uint32_t) { return 0; }
uint32_t PosixSystem::WideShortPathName(const char16_t*, char16_t*, uint32_t) { return 0; }
bool PosixSystem::ExactAnsiText(const char16_t*, uint32_t, std::string& ansi) {
    ansi.clear();
    return false;
}

std::unique_ptr<FileSearch> PosixSystem::FindFiles(const std::string& pattern) {
    const std::size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
    const std::string name = pattern.substr(folder.size());
    const std::size_t star = name.find('*');
    const std::string prefix = name.substr(0, star);
    const std::string suffix = star == std::string::npos ? "" : name.substr(star + 1);

    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return nullptr;
    std::vector<FoundFile> found;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..") continue;
        const bool matches = star == std::string::npos
                                 ? entryName.size() == prefix.size() &&
                                       NameMatchesPattern(entryName, prefix.c_str(), "")
                                 : NameMatchesPattern(entryName, prefix.c_str(), suffix.c_str());
        if (!matches) continue;
        // A link counts as what it points to; a broken one as a file.
        struct stat info {};
        const bool directory =
            stat((folder + entryName).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        found.push_back({entryName, directory ? kAttributeDirectory : kAttributeNormal});
    }
    if (found.empty()) return nullptr;
    std::sort(found.begin(), found.end(),
              [](const FoundFile& a, const FoundFile& b) { return ListsBefore(a.name, b.name); });
    return std::make_unique<ListedSearch>(std::move(found));
}

std::unique_ptr<TextFile> PosixSystem::OpenText(const std::string& path) {
    // Only regular files: a folder or a device cannot be opened as a text
    // file on Windows either.
    OpenFile file = OpenRegularFile(path);
    if (!file) return nullptr;
    return std::make_unique<PosixTextFile>(std::move(file));
}

long PosixSystem::ReadMachineValue(const char*, void*, uint32_t*, uint32_t*) {
    return kErrorFileNotFound;
}

long PosixSystem::AssociationCommand(const char*, const char*, char*, uint32_t*) {
    return kNoAssociation;
}

bool PosixSystem::RunAndWait(std::string&, uint32_t& error) {
    error = kErrorNotSupported;
    return false;
}

bool PosixSystem::SystemErrorText(uint32_t, std::string& text) {
    text.clear();
    return false;
}

int PosixSystem::LoadResourceString(uint32_t, char* buffer, int size) {
    if (size > 0) buffer[0] = '\0';
    return 0;
}

void PosixSystem::ShowMessageBox(WindowHandle, const std::string&, const std::string&, uint32_t) {}

bool PosixSystem::IsLeadByte(unsigned char) { return false; }

uint32_t PosixSystem::VersionInfoSize(const char*) { return 0; }
bool PosixSystem::VersionInfoData(const char*, uint32_t, void*) { return false; }
uint32_t PosixSystem::WideVersionInfoSize(const char16_t*) { return 0; }
bool PosixSystem::WideVersionInfoData(const char16_t*, uint32_t, void*) { return false; }
bool PosixSystem::VersionQueryValue(const void*, const char*, const void**, uint32_t*) {
    return false;
}

}  // namespace platform
