// The input is a description file for ReadDescriptionLines, and its lines are
// also the names the folder searches return to DiscoverComponents, every
// search all of them: the system matches through 8.3 aliases too, so names
// the long-name filter must drop are what it really sees.
#include <algorithm>
#include <cctype>
#include <vector>

#include "catalogue/Discovery.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

const std::string kModule = "C:\\Long Setup Folder\\setup.exe";
const std::string kDirectory = "C:\\LONGSE~1\\";
constexpr std::size_t kMaxNames = 32;
const std::string kKey = "Description=";

bool IsBlank(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// A name starting with '#' stands for a folder.
bool IsFolder(const std::string& name) { return name[0] == '#'; }

// 0 description file, 1 application, 2 database, 3 none of them.
int Kind(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string suffix = name.size() >= 4 ? name.substr(name.size() - 4) : "";
    if (suffix == ".ini") return 0;
    if (suffix == ".prc") return 1;
    return suffix == ".pdb" && name.size() >= 7 && name.compare(0, 3, "qm_") == 0 ? 2 : 3;
}

class ListedSearch : public platform::FileSearch {
public:
    explicit ListedSearch(const std::vector<std::string>& names) : names_(names) {}
    bool Next(platform::FoundFile& found) override {
        if (next_ >= names_.size()) return false;
        found.name = names_[next_++];
        found.attributes = IsFolder(found.name) ? platform::kAttributeDirectory : 0x20;
        return true;
    }

private:
    const std::vector<std::string>& names_;
    std::size_t next_ = 0;
};

class FolderSystem : public fuzz::NullSystem {
public:
    FolderSystem(const uint8_t* data, std::size_t size) : data_(data), size_(size) {
        std::string line;
        for (std::size_t i = 0; i <= size && names.size() < kMaxNames; ++i) {
            if (i < size && data[i] != '\n') {
                line += static_cast<char>(data[i]);
                continue;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.size() <= 255) names.push_back(line);  // longest name: 255
            line.clear();
        }
    }
    uint32_t ModuleFileName(char* buffer, uint32_t size) override {
        return fuzz::CopyPath(kModule, buffer, size);
    }
    uint32_t FullPathName(const char* path, uint32_t size, char* buffer,
                          char** filePart) override {
        const uint32_t n = fuzz::CopyPath(path, buffer, size);
        if (n < size) *filePart = std::strrchr(buffer, '\\') + 1;
        return n;
    }
    uint32_t ShortPathName(const char*, char* buffer, uint32_t size) override {
        return fuzz::CopyPath(kDirectory, buffer, size);
    }
    std::unique_ptr<platform::FileSearch> FindFiles(const std::string& pattern) override {
        FUZZ_CHECK(pattern.compare(0, kDirectory.size(), kDirectory) == 0);
        if (names.empty()) return nullptr;
        return std::make_unique<ListedSearch>(names);
    }
    std::unique_ptr<platform::TextFile> OpenText(const std::string& path) override {
        FUZZ_CHECK(path.compare(0, kDirectory.size(), kDirectory) == 0);
        return std::make_unique<fakes::FakeTextFile>(
            std::string(reinterpret_cast<const char*>(data_), size_));
    }

    std::vector<std::string> names;

private:
    const uint8_t* data_;
    std::size_t size_;
};

struct RecordingRows : ComponentRowSink {
    std::vector<std::string> rows;
    int checked = 0;
    bool InsertRow(int index, const std::string& text) override {
        FUZZ_CHECK(index == static_cast<int>(rows.size()));
        if (!text.empty() && text[0] == '!') return false;  // the list may refuse a row
        rows.push_back(text);
        return true;
    }
    void SetRowChecked(int index) override {
        FUZZ_CHECK(index == static_cast<int>(rows.size()) - 1);
        ++checked;
    }
    int MeasureTextWidth(const std::string& text) override { return static_cast<int>(text.size()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FolderSystem system(data, size);

    for (const std::string& value : ReadDescriptionLines(system, kDirectory + "Maps.ini")) {
        FUZZ_CHECK(value.find('\n') == std::string::npos);
        FUZZ_CHECK(value.find('\0') == std::string::npos);
        FUZZ_CHECK(value.empty() || !IsBlank(static_cast<unsigned char>(value[0])));
        // One 255-byte piece of a line holds the key, "=" and the value.
        FUZZ_CHECK(value.size() <= 255 - kKey.size());
    }

    RecordingRows rows;
    ComponentCatalogue catalogue;
    const int widest = DiscoverComponents(system, rows, catalogue);
    FUZZ_CHECK(catalogue.Count() == rows.rows.size());
    FUZZ_CHECK(rows.checked == static_cast<int>(rows.rows.size()));
    int expectedWidest = 0, lastKind = 0;
    for (std::size_t i = 0; i < catalogue.Count(); ++i) {
        const ComponentRecord& record = catalogue.At(i);
        FUZZ_CHECK(record.DisplayName == rows.rows[i]);
        FUZZ_CHECK(record.DisplayName.find('\n') == std::string::npos);
        FUZZ_CHECK(record.FullPath.compare(0, kDirectory.size(), kDirectory) == 0);
        const std::string name = record.FullPath.substr(kDirectory.size());
        FUZZ_CHECK(std::find(system.names.begin(), system.names.end(), name) != system.names.end());
        FUZZ_CHECK(!IsFolder(name));
        // Description rows, then applications, then databases.
        const int kind = Kind(name);
        FUZZ_CHECK(kind != 3 && kind >= lastKind);
        lastKind = kind;
        if (kind == 1) FUZZ_CHECK(record.DisplayName == name.substr(0, name.size() - 4) + " application");
        if (kind == 2) FUZZ_CHECK(record.DisplayName == name.substr(3, name.size() - 7) + " database");
        expectedWidest = std::max(expectedWidest, static_cast<int>(record.DisplayName.size()));
    }
    FUZZ_CHECK(widest == expectedWidest);
    return 0;
}
