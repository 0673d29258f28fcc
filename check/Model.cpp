#include "check/Model.h"

#include <cstring>
#include <map>

#include "check/Text.h"

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

}  // namespace

bool ReadBytes(Host& host, const std::string& path, std::size_t max, std::string& bytes,
               uint64_t& size) {
    std::unique_ptr<ByteSource> source = host.OpenBytes(path);
    if (!source) return false;
    size = source->Size();
    bytes.clear();
    for (int c; bytes.size() < max && (c = source->Next()) >= 0;) bytes += static_cast<char>(c);
    return true;
}

FolderListing::FolderListing(Host& host, const std::string& localFolder) {
    std::unique_ptr<platform::FileSearch> search = host.System().FindFiles(localFolder + "*");
    platform::FoundFile found;
    while (search && search->Next(found)) {
        if (found.name == "." || found.name == "..") continue;
        FolderEntry entry{found.name, {}, {}, false,
                          (found.attributes & platform::kAttributeDirectory) != 0};
        entry.exact = host.Text().FromLocal(found.name, entry.name) == CodePage::Fit::Exact;
        host.Text().ToUtf8(entry.name, entry.utf8);
        if (entry.exact) byFolded_.emplace(FoldCase(entry.utf8), entries_.size());
        entries_.push_back(entry);
    }
}

const FolderEntry* FolderListing::Find(const std::string& utf8) const {
    auto it = byFolded_.find(FoldCase(utf8));
    return it == byFolded_.end() ? nullptr : &entries_[it->second];
}

void DescriptionReadings::Opened(const std::string& path, bool opened) {
    Finish();
    readings.push_back({});
    current_ = &readings.back();
    current_->name = path.substr(folder_.size());
    current_->opened = opened;
    line_ = 1;
    midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
}

void DescriptionReadings::Piece(const char* piece, DescriptionLine kind) {
    const std::size_t length = std::strlen(piece);
    const bool endsLine = length > 0 && piece[length - 1] == '\n';
    if (!midLine_) {
        firstValue_ = kind == DescriptionLine::Value;
    } else {
        if (!(length == 1 && endsLine)) continuationText_ = true;
        if (kind != DescriptionLine::Other) continuationCounts_ = true;
    }
    if (kind == DescriptionLine::Value) current_->valueLines.push_back(line_);
    if (kind == DescriptionLine::End) {
        current_->endLine = line_;
        std::string text(piece, endsLine ? length - 1 : length);
        const std::size_t start = text.find_first_not_of(" \t\v\f\r");
        text = start == std::string::npos ? std::string() : text.substr(start);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
        current_->endText = text.substr(0, 60);
    }
    midLine_ = !endsLine && length == kPieceBytes;
    if (!midLine_) EndLine();
}

void DescriptionReadings::Finish() {
    if (current_ && midLine_) EndLine();
    current_ = nullptr;
}

void DescriptionReadings::EndLine() {
    if ((firstValue_ && continuationText_) || continuationCounts_)
        current_->splits.push_back({line_, firstValue_ && continuationText_});
    ++line_;
    midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
}

void ReadFolder(Host& host, const Request& request, CodePageSystem& system, FolderModel& model) {
    CodePage& text = host.Text();
    // The rows, by setup.exe's own discovery.
    ComponentCatalogue catalogue;
    AllRows rows;
    DescriptionReadings readings(request.folder);
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

    // Each description file's bytes, and the profile the CE Application
    // Manager reads from them.
    for (const DescriptionReading& reading : readings.readings) {
        DescriptionFile d;
        d.reading = reading;
        uint64_t size = 0;
        d.read = ReadNamed(host, request, system, reading.name, kDescriptionBytes, d.bytes, size);
        if (d.read) d.encoding = DetectEncoding(d.bytes);
        if (d.read && !IsUtf16(d.encoding)) d.ini = ReadIniFile(d.bytes);
        auto file = fileOf.find(reading.name);
        if (file != fileOf.end()) d.component = &model.files[file->second];
        model.descriptions.push_back(std::move(d));
    }

    // Each Palm file's header.
    for (const ComponentFile& component : model.files) {
        const FileFormat format = component.kind->format;
        if (format != FileFormat::PalmResourceDatabase && format != FileFormat::PalmRecordDatabase)
            continue;
        PalmFile palm;
        palm.component = &component;
        palm.file = system.Display(component.name);
        std::string local, head;
        palm.nameHeld = system.Local(component.name, local);
        palm.read = ReadNamed(host, request, system, component.name, kPalmHeadBytes, head,
                              palm.size);
        if (palm.read) palm.db = ReadPalmDatabase(head, palm.size);
        model.palmFiles.push_back(palm);
    }
}

}  // namespace check
