#include "check/Check.h"

#include <algorithm>
#include <map>

#include "check/Checks.h"
#include "check/IniFile.h"
#include "check/Text.h"
#include "handoff/Handoff.h"
#include "selection/InstallCommand.h"

namespace check {

namespace {

std::string Number(std::size_t n) { return std::to_string(n); }

// Accepts every row; the widths mean nothing here.
struct AllRows final : ComponentRowSink {
    bool InsertRow(int, const std::string&) override { return true; }
    void SetRowChecked(int) override {}
    int MeasureTextWidth(const std::string&) override { return 0; }
};

// What a row's text shows the end user.
void CheckRowText(CodePage& text, const std::string& displayName, const Row& row,
                  Findings& findings) {
    std::string shown;
    if (!text.ToUtf8(displayName, shown))
        findings.Add(rules::kRowTextInvalid, row.file, row.line,
                     "the row text has bytes that are not valid in the code page");
    else if (!text.IsUtf8() && IsValidUtf8(displayName) &&
             std::any_of(displayName.begin(), displayName.end(),
                         [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        findings.Add(rules::kRowTextUtf8, row.file, row.line,
                     "the row text looks like UTF-8: in the code page it shows as \"" +
                         row.text + "\"");
}

// Install's command lines with every row checked, by setup.exe's own code.
void AddCommandLines(const Request& request, CodePage& text, const ComponentCatalogue& placed,
                     Report& report, Findings& findings) {
    ComponentCatalogue ce, palm;
    PartitionCheckedComponents(placed, static_cast<int>(placed.Count()),
                               [](int) { return true; }, ce, palm);
    const struct {
        const char* tool;
        const char* name;
        const std::string& executable;
        const ComponentCatalogue& components;
        std::string (*build)(const std::string&, const ComponentCatalogue&);
        const char* outcome;
    } tools[] = {
        {"ce", "CE Application Manager", request.ceManager, ce, BuildCeCommandLine,
         "setup.exe does not start it and installs nothing, as the Palm components wait for it. "
         "Ship fewer description files in this folder or place it at a shorter path"},
        {"palm", "Palm install tool", request.palmCommand, palm, BuildPalmCommandLine,
         "setup.exe does not start it, so no Palm component is installed (the CE Application "
         "Manager still runs). Ship fewer Palm files in this folder or place it at a shorter "
         "path"},
    };
    for (const auto& tool : tools) {
        if (tool.components.Count() == 0) continue;
        std::string executable;
        text.FromLocal(tool.executable, executable);
        const std::string line = tool.build(executable, tool.components);
        CommandLine out{tool.tool, text.LocalToUtf8(tool.executable), {}, line.size(),
                        FitsCommandLine(line)};
        text.ToUtf8(line, out.line);
        if (!out.fits)
            findings.Add(rules::kCommandLineTooLong, "", 0,
                         std::string("the ") + tool.name + "'s command line would be " +
                             Number(line.size()) + " characters, over the limit of " +
                             Number(platform::kMaxCommandLine) + ": " + tool.outcome);
        report.commandLines.push_back(out);
    }
}

bool AllShort(const std::string& at) {
    const std::vector<std::string> parts = PathParts(at);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool drive = i == 0 && parts[i].size() == 2 && parts[i][1] == ':';
        if (!drive && !IsShortName(parts[i])) return false;
    }
    return true;
}

}  // namespace

int Report::Count(Severity severity) const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [&](const Finding& f) { return f.severity == severity; }));
}

bool Folder::Read(const std::string& name, std::size_t max, std::string& bytes, uint64_t& size) {
    std::string local;
    return names.Local(name, local) && ReadLocal(request.folder + local, max, bytes, size);
}

bool Folder::ReadLocal(const std::string& path, std::size_t max, std::string& bytes,
                       uint64_t& size) {
    std::unique_ptr<ByteSource> source = host.OpenBytes(path);
    if (!source) return false;
    size = source->Size();
    bytes.clear();
    for (int c; bytes.size() < max && (c = source->Next()) >= 0;) bytes += static_cast<char>(c);
    return true;
}

Report CheckFolder(Host& host, const Request& request) {
    Report report;
    Findings findings(report.findings);
    CodePage& text = host.Text();
    CodePageSystem system(host.System(), text, request.folder);

    // The rows, by setup.exe's own discovery.
    ComponentCatalogue catalogue;
    AllRows rows;
    DescriptionReadings readings(request.folder);
    DiscoverComponentsIn(system, request.folder, rows, catalogue, &readings);
    readings.Finish();

    std::string at;
    text.FromLocal(request.at, at);
    if (at.empty() || at.back() != '\\') at += '\\';
    text.ToUtf8(at, report.at);
    Folder folder{host, request, findings, system, at, FolderListing(host, request.folder), {}};

    std::map<std::string, const DescriptionReading*> readingOf;
    for (const DescriptionReading& r : readings.readings) readingOf[r.name] = &r;
    std::vector<ComponentFile> files;  // in the order of their first rows
    std::map<std::string, std::size_t> fileOf;
    std::map<std::string, std::size_t> firstRowOfText;
    ComponentCatalogue placed;  // the same components where the end user has them
    for (const ComponentRecord& record : catalogue) {
        const std::string name = record.FullPath.substr(request.folder.size());
        auto known = fileOf.emplace(name, files.size());
        if (known.second) files.push_back({name, ComponentKindOfName(name), {}});
        ComponentFile& file = files[known.first->second];
        Row row{{}, system.Display(name), 0};
        text.ToUtf8(record.DisplayName, row.text);
        if (file.kind->rows == RowSource::DescriptionValues) {
            const std::vector<int>& lines = readingOf[name]->valueLines;
            row.line = file.rowTexts.size() < lines.size() ? lines[file.rowTexts.size()] : 0;
            CheckRowText(text, record.DisplayName, row, findings);
        }
        file.rowTexts.push_back(record.DisplayName);
        if (record.DisplayName.empty())
            findings.Add(rules::kEmptyRow, row.file, row.line, "gives a row without text");
        auto first = firstRowOfText.emplace(record.DisplayName, report.rows.size() + 1);
        if (!first.second)
            findings.Add(rules::kDuplicateRow, row.file, row.line,
                         "gives the row \"" + row.text + "\" a second time (first: row " +
                             Number(first.first->second) + ")");
        report.rows.push_back(row);
        placed.Append(ComponentRecord{at + name, record.DisplayName});
    }

    // Each description file as setup.exe reads it and, where it gives rows,
    // as the CE Application Manager reads it.
    for (const DescriptionReading& reading : readings.readings) {
        std::string bytes;
        uint64_t size = 0;
        const bool read = folder.Read(reading.name, kDescriptionBytes, bytes, size);
        CheckDescriptionFile(folder, reading, read ? &bytes : nullptr);
        auto file = fileOf.find(reading.name);
        if (read && file != fileOf.end() && !IsUtf16(DetectEncoding(bytes)))
            CheckCeDescriptionFile(folder, reading, bytes, files[file->second].rowTexts);
    }
    CheckPalmFiles(folder, files);
    CheckPaths(folder, files);
    AddCommandLines(request, text, placed, report, findings);
    if (catalogue.Count() == 0)
        findings.Add(rules::kNothingToInstall, "", 0,
                     "no component: setup.exe shows an empty list and Install stays disabled");
    CheckListing(folder);

    std::stable_partition(report.findings.begin(), report.findings.end(),
                          [](const Finding& f) { return f.severity == Severity::Error; });

    report.notes.push_back(host.OrderNote());
    if (!AllShort(at))
        report.notes.push_back(
            "setup.exe names the folder in its short (8.3) form, such as D:\\DOWNLO~1\\; give "
            "that form with --at (dir /x shows it) for the exact command lines");
    return report;
}

}  // namespace check
