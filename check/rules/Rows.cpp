#include "check/rules/Rows.h"

#include <algorithm>
#include <map>

#include "check/readers/Utf8.h"
#include "handoff/Handoff.h"
#include "selection/InstallCommand.h"

namespace check {

namespace {

std::string Number(std::size_t n) { return std::to_string(n); }

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

}  // namespace

void CheckRows(Folder& folder) {
    std::map<std::string, std::size_t> firstRowOfText;
    const std::vector<ListedRow>& rows = folder.model.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i].row;
        if (rows[i].described) CheckRowText(folder.host.Text(), rows[i].text, row, folder.findings);
        if (rows[i].text.empty())
            folder.findings.Add(rules::kEmptyRow, row.file, row.line, "gives a row without text");
        auto first = firstRowOfText.emplace(rows[i].text, i + 1);
        if (!first.second)
            folder.findings.Add(rules::kDuplicateRow, row.file, row.line,
                                "gives the row \"" + row.text + "\" a second time (first: row " +
                                    Number(first.first->second) + ")");
    }
}

void CheckInstall(Folder& folder, Report& report) {
    AddCommandLines(folder.request, folder.host.Text(), folder.model.placed, report,
                    folder.findings);
    if (folder.model.rows.empty())
        folder.findings.Add(rules::kNothingToInstall, "", 0,
                            "no component: setup.exe shows an empty list and Install stays "
                            "disabled");
}

}  // namespace check
