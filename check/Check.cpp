// The check of one folder, stage by stage: the folder read once into its
// model, each family of rules over it, the findings errors first.
#include "check/Check.h"

#include <algorithm>

#include "check/model/FolderPaths.h"
#include "check/model/ShortNames.h"
#include "check/rules/CeFiles.h"
#include "check/rules/Descriptions.h"
#include "check/rules/Names.h"
#include "check/rules/PalmFiles.h"
#include "check/rules/Paths.h"
#include "check/rules/Rows.h"

namespace check {

namespace {

bool AllShort(const std::string& at) {
    const std::vector<std::string> parts = PathParts(at);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool drive = i == 0 && parts[i].size() == 2 && parts[i][1] == ':';
        if (!drive && !IsShortName(parts[i])) return false;
    }
    return true;
}

// The families, each over the whole folder; a description file's two
// families one after the other, file by file.
void RunFamilies(Folder& folder, Report& report) {
    CheckRows(folder);
    for (const DescriptionFile& description : folder.model.descriptions) {
        CheckDescriptionFile(folder, description);
        if (!description.read || !description.component || IsUtf16(description.encoding))
            continue;
        // Each of the file's rows lists the cabinets it installs from.
        const std::vector<CabinetDevices> cabinets = CheckCeDescriptionFile(folder, description);
        const std::string shown = folder.Display(description.reading.name);
        for (Row& row : report.rows)
            if (row.file == shown) row.cabinets = cabinets;
    }
    CheckPalmFiles(folder);
    CheckPaths(folder);
    CheckInstall(folder, report);
    CheckNames(folder);
}

}  // namespace

int Report::Count(Severity severity) const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [&](const Finding& f) { return f.severity() == severity; }));
}

Report CheckFolder(Host& host, const Request& request) {
    Report report;
    Findings findings(report.findings);
    CodePageSystem system(host.System(), host.Text(), request.folder);
    FolderModel model(host, request.folder);
    ReadFolder(host, request, system, model);
    host.Text().ToUtf8(model.at, report.at);
    for (const ListedRow& listed : model.rows) report.rows.push_back(listed.row);

    Folder folder{host, request, findings, system, model, {}};
    RunFamilies(folder, report);
    std::stable_partition(report.findings.begin(), report.findings.end(),
                          [](const Finding& f) { return f.severity() == Severity::Error; });

    report.notes.push_back(host.OrderNote());
    if (!folder.cabinets.empty())
        report.notes.push_back("cabinets are read whole by " + CabinetLibraryName());
    if (!AllShort(model.at))
        report.notes.push_back(
            "setup.exe names the folder in its short (8.3) form, such as D:\\DOWNLO~1\\; give "
            "that form with --at (dir /x shows it) for the exact command lines");
    return report;
}

}  // namespace check
