#include "check/model/FolderModel.h"

#include <map>

#include "check/model/ShortNames.h"
#include "platform/Names.h"

namespace check {

namespace {

// Accepts every row; the widths mean nothing here.
struct AllRows final : ComponentRowSink {
    bool InsertRow(int, const std::string&) override { return true; }
    void SetRowChecked(int) override {}
    int MeasureTextWidth(const std::string&) override { return 0; }
};

// Up to max bytes of a file named in the code page, and its size; false
// when it cannot be opened under that name.
bool ReadNamed(Host& host, const Request& request, const CodePageSystem& names,
               const std::string& name, std::size_t max, std::string& bytes, uint64_t& size) {
    std::string local;
    return names.Local(name, local) && ReadBytes(host, request.folder + local, max, bytes, size);
}

bool IsPalmFormat(FileFormat format) {
    return format == FileFormat::PalmResourceDatabase || format == FileFormat::PalmRecordDatabase;
}

const ComponentKind& KindOfFormat(FileFormat format) {
    for (const ComponentKind& kind : kComponentKinds)
        if (kind.format == format) return kind;
    return kComponentKinds[0];
}

// The rows, by setup.exe's own discovery, and where Install hands them over.
void ReadRows(Host& host, const Request& request, CodePageSystem& system,
              DescriptionReadings& readings, FolderModel& model) {
    CodePage& text = host.Text();
    ComponentCatalogue catalogue;
    AllRows rows;
    DiscoverComponentsIn(system, request.folder, rows, catalogue, &readings);
    readings.Finish();

    text.FromLocal(request.at, model.at);
    if (model.at.empty() || model.at.back() != '\\') model.at += '\\';

    std::map<std::string, const DescriptionReading*> readingOf;
    for (const DescriptionReading& r : readings.readings) readingOf[r.name] = &r;
    std::map<std::string, std::size_t> fileOf;
    for (const ComponentRecord& record : catalogue) {
        const std::string name = record.FullPath.substr(request.folder.size());
        auto known = fileOf.emplace(name, model.files.size());
        if (known.second) model.files.push_back({name, ComponentKindOfName(name), {}});
        ComponentFile& file = model.files[known.first->second];
        ListedRow listed{{{}, system.Display(name), 0}, record.DisplayName,
                         file.kind->rows == RowSource::DescriptionValues};
        text.ToUtf8(record.DisplayName, listed.row.text);
        if (listed.described) {
            const std::vector<int>& lines = readingOf[name]->valueLines;
            if (file.rowTexts.size() < lines.size()) listed.row.line = lines[file.rowTexts.size()];
        }
        file.rowTexts.push_back(record.DisplayName);
        model.rows.push_back(listed);
        model.placed.Append(ComponentRecord{model.at + name, record.DisplayName});
    }
}

// Each description file's bytes, and the profile the CE Application
// Manager reads from them.
void ReadDescriptions(Host& host, const Request& request, const CodePageSystem& system,
                      const DescriptionReadings& readings, FolderModel& model) {
    std::map<std::string, const ComponentFile*> fileOf;
    for (const ComponentFile& file : model.files) fileOf[file.name] = &file;
    for (const DescriptionReading& reading : readings.readings) {
        DescriptionFile d;
        d.reading = reading;
        uint64_t size = 0;
        d.read = ReadNamed(host, request, system, reading.name, kDescriptionBytes, d.bytes, size);
        if (d.read) d.encoding = DetectEncoding(d.bytes);
        if (d.read && !IsUtf16(d.encoding)) d.ini = ReadIniFile(d.bytes);
        auto file = fileOf.find(reading.name);
        if (file != fileOf.end()) d.component = file->second;
        model.descriptions.push_back(std::move(d));
    }
}

// Each Palm file's header.
void ReadPalmFiles(Host& host, const Request& request, CodePageSystem& system,
                   FolderModel& model) {
    for (const ComponentFile& component : model.files) {
        if (!IsPalmFormat(component.kind->format)) continue;
        PalmFile palm;
        palm.component = &component;
        palm.file = system.Display(component.name);
        std::string local, head;
        uint64_t size = 0;
        palm.nameHeld = system.Local(component.name, local);
        palm.read = ReadNamed(host, request, system, component.name, kPalmHeadBytes, head, size);
        if (palm.read) palm.db = ReadPalmDatabase(head, size);
        model.palmFiles.push_back(palm);
    }
}

// The headers of databases the product ships under other names, which
// setup.exe never hands over.
void ReadUnlistedDatabases(Host& host, const Request& request, FolderModel& model) {
    const ComponentKind& databases = KindOfFormat(FileFormat::PalmRecordDatabase);
    for (const FolderEntry& entry : model.listing.Entries()) {
        if (entry.directory || !entry.exact || entry.name.size() < 4 ||
            !platform::NameMatchesPattern(entry.name, "", databases.suffix) ||
            platform::NameMatchesPattern(entry.name, databases.prefix, databases.suffix) ||
            MatchesOnlyByAlias(entry.name, databases.prefix, databases.suffix))
            continue;
        std::string head;
        uint64_t size = 0;
        if (!ReadBytes(host, request.folder + entry.local, kPalmHeadBytes, head, size)) continue;
        model.unlistedDatabases.push_back({nullptr, entry.utf8, true, true,
                                           ReadPalmDatabase(head, size)});
    }
}

}  // namespace

bool ReadBytes(Host& host, const std::string& path, std::size_t max, std::string& bytes,
               uint64_t& size) {
    std::unique_ptr<RandomBytes> file = host.OpenRandom(path);
    if (!file) return false;
    size = file->Size();
    return file->ReadAt(0, max, bytes);
}

void ReadFolder(Host& host, const Request& request, CodePageSystem& system, FolderModel& model) {
    DescriptionReadings readings(request.folder);
    ReadRows(host, request, system, readings, model);
    ReadDescriptions(host, request, system, readings, model);
    ReadPalmFiles(host, request, system, model);
    ReadUnlistedDatabases(host, request, model);
}

}  // namespace check
