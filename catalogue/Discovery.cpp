#include "catalogue/Discovery.h"

#include <cstring>

#include "platform/Names.h"

namespace {

constexpr uint32_t kPathBuffer = platform::kMaxPath;

}  // namespace

DescriptionLine ParseDescriptionLine(const char* line, std::string& value) {
    const char* p = line;
    while (platform::IsBlank(*p)) ++p;
    static const char kKey[] = "Description";
    const std::size_t keyLength = sizeof kKey - 1;
    if (std::strlen(p) < keyLength || !platform::EqualAsciiNoCase(p, kKey, keyLength))
        return DescriptionLine::Other;
    p += keyLength;
    while (platform::IsBlank(*p)) ++p;
    // The key without "=" ends the file.
    if (*p != '=') return DescriptionLine::End;
    ++p;
    while (platform::IsBlank(*p)) ++p;
    const char* end = std::strchr(p, '\n');
    value.assign(p, end ? static_cast<std::size_t>(end - p) : std::strlen(p));
    return DescriptionLine::Value;
}

namespace {

// The directory from the narrow path of the running program, in its short form.
bool NarrowSetupDirectory(platform::System& system, std::string& directory) {
    char modulePath[kPathBuffer] = {};
    uint32_t n = system.ModuleFileName(modulePath, kPathBuffer);
    if (n == 0 || n >= kPathBuffer) return false;  // failed or cut

    char fullPath[kPathBuffer] = {};
    char* filePart = nullptr;
    n = system.FullPathName(modulePath, kPathBuffer, fullPath, &filePart);
    if (n == 0 || n >= kPathBuffer || filePart == nullptr || filePart <= fullPath ||
        filePart >= fullPath + n)
        return false;
    *filePart = '\0';

    n = system.ShortPathName(fullPath, fullPath, kPathBuffer);
    if (n == 0 || n >= kPathBuffer) return false;
    directory.assign(fullPath, n);
    return true;
}

// The short form of the directory of the wide path (cut in place), when the
// code page holds it exactly. The loader's module path is already full, so
// the directory ends at its last backslash.
bool ShortSetupDirectory(platform::System& system, char16_t* modulePath, uint32_t length,
                         std::string& directory) {
    uint32_t end = length;  // just past the last backslash
    while (end > 0 && modulePath[end - 1] != u'\\') --end;
    if (end == 0 || end == length) return false;  // no folder, or no file name
    modulePath[end] = u'\0';
    char16_t shortPath[kPathBuffer] = {};
    const uint32_t n = system.WideShortPathName(modulePath, shortPath, kPathBuffer);
    if (n == 0 || n >= kPathBuffer) return false;
    // A double-byte code page could make it longer than the narrow buffer.
    return system.ExactAnsiText(shortPath, n, directory) && directory.size() < kPathBuffer;
}

}  // namespace

bool GetSetupDirectory(platform::System& system, std::string& directory) {
    directory.clear();
    // The narrow path is exact when the code page holds every character of
    // the wide one; then it is used as it always was. Without a wide path
    // nothing says it is not.
    char16_t wide[kPathBuffer] = {};
    const uint32_t n = system.WideModuleFileName(wide, kPathBuffer);
    std::string exact;
    const bool narrowExact = n == 0 || n >= kPathBuffer || system.ExactAnsiText(wide, n, exact);
    const bool derived = narrowExact ? NarrowSetupDirectory(system, directory)
                                     : ShortSetupDirectory(system, wide, n, directory);
    if (!derived || directory.empty() || directory.back() != '\\') {  // the rest relies on it
        directory.clear();
        return false;
    }
    return true;
}

std::vector<std::string> ReadDescriptionLines(platform::System& system, const std::string& path,
                                              DescriptionListener* listener) {
    std::unique_ptr<platform::TextFile> file = system.OpenText(path);
    if (listener) listener->Opened(path, file != nullptr);
    if (!file) return {};
    return ReadDescriptionText(*file, listener);
}

std::vector<std::string> ReadDescriptionText(platform::TextFile& file,
                                             DescriptionListener* listener) {
    std::vector<std::string> values;
    char line[kLineBuffer];
    while (file.ReadLine(line, kLineBuffer)) {
        line[kLineBuffer - 1] = '\0';
        std::string value;
        const DescriptionLine kind = ParseDescriptionLine(line, value);
        if (listener) listener->Piece(line, kind);
        if (kind == DescriptionLine::Value) values.push_back(std::move(value));
        if (kind == DescriptionLine::End) break;
    }
    return values;
}

namespace {

struct Discovery {
    platform::System& system;
    ComponentRowSink& rows;
    ComponentCatalogue& catalogue;
    std::string directory;
    int rowIndex = 0;
    int widest = 0;

    void Add(const std::string& name, std::string displayName) {
        // The row goes in first: a row the list refuses gets no record, so
        // row i and entry i stay the same component.
        if (!rows.InsertRow(rowIndex, displayName)) return;
        catalogue.Append(ComponentRecord{directory + name, displayName});
        rows.SetRowChecked(rowIndex);
        ++rowIndex;
        const int width = rows.MeasureTextWidth(displayName);
        if (width > widest) widest = width;
    }

    template <class OnMatch>
    void Search(const ComponentKind& kind, OnMatch onMatch) {
        const char* prefix = kind.prefix;
        const char* suffix = kind.suffix;
        std::unique_ptr<platform::FileSearch> search = system.FindFiles(directory + KindPattern(kind));
        if (!search) return;
        platform::FoundFile found;
        while (search->Next(found)) {
            if (found.attributes & platform::kAttributeDirectory) continue;
            // The system also matches through 8.3 aliases; only the long
            // name counts.
            if (!NameMatchesPattern(found.name, prefix, suffix)) continue;
            onMatch(found.name);
        }
    }
};

}  // namespace

int DiscoverComponents(platform::System& system, ComponentRowSink& rows,
                       ComponentCatalogue& catalogue) {
    std::string directory;
    if (!GetSetupDirectory(system, directory)) return 0;
    return DiscoverComponentsIn(system, directory, rows, catalogue);
}

int DiscoverComponentsIn(platform::System& system, const std::string& folder,
                         ComponentRowSink& rows, ComponentCatalogue& catalogue,
                         DescriptionListener* listener) {
    Discovery d{system, rows, catalogue, folder, 0, 0};
    for (const ComponentKind& kind : kComponentKinds) {
        d.Search(kind, [&](const std::string& name) {
            if (kind.rows == RowSource::FileName) {
                d.Add(name, FileNameRowText(kind, name));
                return;
            }
            for (std::string& value : ReadDescriptionLines(system, d.directory + name, listener))
                d.Add(name, std::move(value));
        });
    }
    return d.widest;
}
