// What the CE Application Manager makes of a description file that gives
// rows: its [CEAppManager] section names the one application it installs,
// whose section lists the cabinets, which must be there and whole.
#include "check/Cabinet.h"
#include "check/Checks.h"
#include "check/IniFile.h"
#include "check/Text.h"

namespace check {

namespace {

constexpr int kMaxChain = 64;  // cabinets one set may continue through

std::vector<std::string> SplitCommas(const std::string& value) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = value.find(',', start);
        const std::string entry = TrimBlanks(value.substr(start, comma - start));
        if (!entry.empty()) entries.push_back(entry);
        if (comma == std::string::npos) return entries;
        start = comma + 1;
    }
}



// A file named by a path relative to the setup folder, found as Windows
// finds it: each part without regard to case. Paths are taken apart as
// UTF-8, where no byte of a character can pass for a backslash.
struct Resolved {
    bool outside = false;   // it points outside the folder
    bool found = false;
    std::string local;      // local path, when found
    std::string display;    // UTF-8, relative to the folder, when found
    std::size_t length = 0; // of the relative path in the code page
};

Resolved Resolve(Folder& folder, std::string path) {
    Resolved r;
    std::string at;
    folder.host.Text().ToUtf8(folder.at, at);
    // An absolute path can be checked only where it points into the folder.
    if (path.size() >= at.size() && FoldCase(path.substr(0, at.size())) == FoldCase(at))
        path = path.substr(at.size());
    else if (path.find(':') != std::string::npos || path.compare(0, 1, "\\") == 0 ||
             path.compare(0, 1, "/") == 0)
        r.outside = true;
    std::vector<std::string> parts;
    for (const std::string& part : PathParts(path)) {
        if (part == ".") continue;
        if (part != "..") {
            parts.push_back(part);
        } else if (parts.empty()) {
            r.outside = true;
        } else {
            parts.pop_back();
        }
    }
    if (r.outside || parts.empty()) return r;
    const char separator = folder.request.folder.back();
    std::string local = folder.request.folder;
    std::unique_ptr<FolderListing> below;
    const FolderListing* listing = &folder.listing;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const FolderEntry* entry = listing->Find(parts[i]);
        const bool last = i + 1 == parts.size();
        if (!entry || entry->directory == last) return r;
        r.display += (i ? "\\" : "") + entry->utf8;
        r.length += (i ? 1 : 0) + entry->name.size();
        local += entry->local;
        if (!last) {
            local += separator;
            below = std::make_unique<FolderListing>(folder.host, local);
            listing = below.get();
        }
    }
    r.found = true;
    r.local = local;
    return r;
}

std::string Utf8(Folder& folder, const std::string& codePageText) {
    std::string utf8;
    folder.host.Text().ToUtf8(codePageText, utf8);
    return utf8;
}

std::string Quoted(Folder& folder, const std::string& codePageText) {
    return "\"" + Utf8(folder, codePageText) + "\"";
}

// The section of that name as Windows finds it: the first, without regard
// to case.
const IniSection* FindSection(Folder& folder, const IniFile& ini, const std::string& name) {
    const std::string wanted = FoldCase(Utf8(folder, name));
    for (const IniSection& section : ini.sections)
        if (FoldCase(Utf8(folder, section.name)) == wanted) return &section;
    return nullptr;
}

// A cabinet and the ones it continues from or into.
void CheckCabinet(Folder& folder, const Resolved& cab, const std::string& listedBy, int depth) {
    if (!folder.cabinetsChecked.insert(cab.local).second || depth > kMaxChain) return;
    Findings& findings = folder.findings;
    CheckFilePath(folder, cab.display, cab.length,
                  "the CE Application Manager cannot open it there");
    std::string head;
    uint64_t size = 0;
    if (!folder.ReadLocal(cab.local, kCabinetHeadBytes, head, size)) {
        findings.Add(rules::kFileUnreadable, cab.display, 0,
                     "cannot be read here (listed by " + listedBy +
                         "): the CE Application Manager may not read it either");
        return;
    }
    const CabinetHeader header = ReadCabinetHeader(head, size);
    const std::string damaged = " (listed by " + listedBy + "): the application cannot be installed";
    switch (header.problem) {
    case CabinetProblem::None: break;
    case CabinetProblem::NotCabinet:
        findings.Add(rules::kCabDamaged, cab.display, 0,
                     "is no cabinet file: it does not start with \"MSCF\"" + damaged);
        return;
    case CabinetProblem::ShortHeader:
        findings.Add(rules::kCabDamaged, cab.display, 0,
                     "ends inside its cabinet header, after " + std::to_string(size) +
                         " bytes" + damaged);
        return;
    case CabinetProblem::ShorterThanStated:
        findings.Add(rules::kCabDamaged, cab.display, 0,
                     "has " + std::to_string(size) + " bytes where its header says " +
                         std::to_string(header.statedSize) +
                         ": it was cut short, as by a copy or download that did not finish" +
                         damaged);
        return;
    case CabinetProblem::BadName:
        findings.Add(rules::kCabDamaged, cab.display, 0,
                     "names a previous or next cabinet without ending the name" + damaged);
        return;
    }
    // The neighbours of a cabinet set lie beside it.
    const std::size_t slash = cab.display.rfind('\\');
    const std::string beside = slash == std::string::npos ? "" : cab.display.substr(0, slash + 1);
    const struct {
        const std::string& name;
        const char* role;
    } neighbours[] = {{header.previous, "previous"}, {header.next, "next"}};
    for (const auto& n : neighbours) {
        if (n.name.empty()) continue;
        const Resolved neighbour = Resolve(folder, beside + Utf8(folder, n.name));
        if (!neighbour.found)
            findings.Add(rules::kCabDamaged, cab.display, 0,
                         std::string("continues ") + (n.role[0] == 'p' ? "from" : "into") +
                             " the " + n.role + " cabinet " + Quoted(folder, n.name) +
                             ", which is not beside it" + damaged);
        else
            CheckCabinet(folder, neighbour, listedBy, depth + 1);
    }
}

}  // namespace

void CheckCeDescriptionFile(Folder& folder, const DescriptionFile& description) {
    Findings& findings = folder.findings;
    const DescriptionReading& reading = description.reading;
    const std::vector<std::string>& rowTexts = description.component->rowTexts;
    const std::string file = folder.Display(reading.name);
    const std::string cannot = ": the CE Application Manager cannot install from this file, so "
                               "its rows install nothing";
    if (rowTexts.size() > 1)
        findings.Add(rules::kRowsShareFile, file,
                     reading.valueLines.size() > 1 ? reading.valueLines[1] : 0,
                     "gives " + std::to_string(rowTexts.size()) +
                         " rows: setup.exe hands the file over when any of them is checked, so "
                         "they are checked and unchecked as one; give each application its "
                         "own description file");

    const IniFile& ini = description.ini;
    const IniSection* manager = ini.Find("CEAppManager");
    if (!manager) {
        findings.Add(rules::kCeIniInvalid, file, 0, "has no [CEAppManager] section" + cannot);
        return;
    }
    const IniKey* component = manager->Find("Component");
    if (!component || component->value.empty()) {
        findings.Add(rules::kCeIniInvalid, file, manager->line,
                     "[CEAppManager] has no \"Component = ...\" naming the application's "
                     "section" + cannot);
        return;
    }
    const IniSection* section = FindSection(folder, ini, component->value);
    if (!section) {
        findings.Add(rules::kCeIniInvalid, file, component->line,
                     "Component names " + Quoted(folder, component->value) +
                         ", but the file has no section of that name" + cannot);
        return;
    }
    const std::string sectionName = "[" + Utf8(folder, section->name) + "]";
    for (std::size_t i = 0; i < reading.valueLines.size() && i < rowTexts.size(); ++i) {
        const int line = reading.valueLines[i];
        if (ini.SectionOfLine(line) == section) continue;
        const IniSection* in = ini.SectionOfLine(line);
        const std::string where = in ? "[" + Utf8(folder, in->name) + "]" : "no section";
        std::string shown;
        folder.host.Text().ToUtf8(rowTexts[i], shown);
        findings.Add(rules::kCeRowOutsideComponent, file, line,
                     "the row \"" + shown + "\" stands in " + where + ", not in " + sectionName +
                         ", which Component names: the CE Application Manager installs only "
                         "that application, so this row installs nothing of its own; give each "
                         "application its own description file");
    }
    if (!section->Find("Description"))
        findings.Add(rules::kCeIniInvalid, file, section->line,
                     sectionName + " has no Description, which the CE Application Manager "
                                   "requires" + cannot);
    const IniKey* cabFiles = section->Find("CabFiles");
    const std::vector<std::string> cabs = cabFiles ? SplitCommas(cabFiles->value) : std::vector<std::string>();
    if (cabs.empty()) {
        findings.Add(rules::kCeIniInvalid, file, section->line,
                     sectionName + " has no \"CabFiles = ...\" naming the application's "
                                   "cabinets" + cannot);
        return;
    }
    for (const std::string& name : cabs) {
        const Resolved cab = Resolve(folder, Utf8(folder, name));
        if (!cab.found)
            findings.Add(rules::kCabMissing, file, cabFiles->line,
                         "CabFiles names " + Quoted(folder, name) +
                             (cab.outside ? ", which lies outside the setup folder, where the "
                                            "end user has no such file"
                                          : ", which is no file beside the description file") +
                             ": the CE Application Manager cannot install the application");
        else
            CheckCabinet(folder, cab, file + ", line " + std::to_string(cabFiles->line), 0);
    }
}

}  // namespace check
