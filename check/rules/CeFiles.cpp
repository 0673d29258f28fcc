#include "check/rules/CeFiles.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "check/model/FolderPaths.h"
#include "check/readers/CabinetLibrary.h"
#include "check/readers/IniFile.h"
#include "check/readers/SetupXml.h"
#include "check/readers/Utf8.h"
#include "check/rules/Paths.h"
#include "platform/Names.h"

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



// A file named relative to the setup folder, found as Windows finds it.
FolderFile Find(Folder& folder, const std::string& path) {
    return FindInFolder(folder.host, folder.model, folder.request.folder, path);
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

std::string Extension(unsigned id) {
    char text[8];
    std::snprintf(text, sizeof text, ".%03u", id);
    return text;
}

// One cabinet of a set: where it is, and its tables once read.
struct Member {
    FolderFile where;
    CabinetTables tables;
};

// Reads a cabinet's tables; false, with the finding made, when it cannot be
// read or its tables are not sound.
bool ReadMember(Folder& folder, Member& member, const std::string& damaged,
                const std::string& listedBy) {
    std::unique_ptr<RandomBytes> bytes = folder.host.OpenRandom(member.where.local);
    if (!bytes) {
        folder.findings.Add(rules::kFileUnreadable, member.where.display, 0,
                            "cannot be read here (listed by " + listedBy +
                                "): the CE Application Manager may not read it either");
        return false;
    }
    member.tables = ReadCabinetTables(*bytes);
    if (!member.tables.Sound())
        folder.findings.Add(rules::kCabDamaged, member.where.display, 0,
                            DescribeCabinetProblem(member.tables) + damaged);
    return member.tables.Sound();
}

// The cabinet a member's header names before or after it, beside it.
bool Neighbour(Folder& folder, const Member& member, bool next, const std::string& damaged,
               FolderFile& found) {
    const std::string& name = next ? member.tables.next : member.tables.previous;
    const std::string& display = member.where.display;
    const std::size_t slash = display.rfind('\\');
    const std::string beside = slash == std::string::npos ? "" : display.substr(0, slash + 1);
    found = Find(folder, beside + Utf8(folder, name));
    if (!found.found)
        folder.findings.Add(rules::kCabDamaged, display, 0,
                            std::string("continues ") +
                                (next ? "into the next" : "from the previous") + " cabinet " +
                                Quoted(folder, name) + ", which is not beside it" + damaged);
    return found.found;
}

// The set a listed cabinet belongs to, first to last; false, with the
// finding made, when one of them is missing, damaged, or the set loops.
bool GatherSet(Folder& folder, const FolderFile& listed, const std::string& damaged,
               const std::string& listedBy, std::vector<Member>& set) {
    Member first{listed, {}};
    if (!ReadMember(folder, first, damaged, listedBy)) return false;
    std::set<std::string> seen{listed.local};
    // Back to the first cabinet, then on to the last.
    for (int i = 0; first.tables.flags & kCabinetHasPrevious; ++i) {
        Member previous;
        if (!Neighbour(folder, first, false, damaged, previous.where)) return false;
        if (!seen.insert(previous.where.local).second || i >= kMaxChain) {
            folder.findings.Add(rules::kCabDamaged, first.where.display, 0,
                                "its set of cabinets loops back on itself" + damaged);
            return false;
        }
        if (!ReadMember(folder, previous, damaged, listedBy)) return false;
        first = std::move(previous);
    }
    seen = {first.where.local};
    set.push_back(std::move(first));
    while (set.back().tables.flags & kCabinetHasNext) {
        Member next;
        if (!Neighbour(folder, set.back(), true, damaged, next.where)) return false;
        if (!seen.insert(next.where.local).second || set.size() > kMaxChain) {
            folder.findings.Add(rules::kCabDamaged, set.back().where.display, 0,
                                "names " + next.where.display +
                                    " as its next cabinet, which comes before it in its set: "
                                    "the set loops" + damaged);
            return false;
        }
        if (!ReadMember(folder, next, damaged, listedBy)) return false;
        set.push_back(std::move(next));
    }
    return true;
}

// Whether the set holds a file of that name, without regard to ASCII case.
bool HoldsFile(const CabinetContents& contents, const std::string& name) {
    return std::any_of(contents.names.begin(), contents.names.end(), [&](const std::string& n) {
        return n.size() == name.size() && platform::EqualAsciiNoCase(n.data(), name.data(), n.size());
    });
}

// The CE setup file: sound, and installing only files the set holds; false,
// with the finding made, when it is not.
bool ReadCeSetup(Folder& folder, const FolderFile& cab, const CabinetContents& contents,
                 const std::string& refused, ReadCabinet& read) {
    const CeSetupFile setup = ReadCeSetupFile(contents.ceSetup.bytes);
    const std::string inside = "its CE setup file " + Quoted(folder, contents.ceSetup.name) + " ";
    if (!setup.Sound()) {
        folder.findings.Add(rules::kCabSetupDamaged, cab.display, 0,
                            inside + DescribeCeSetupProblem(setup) + refused);
        return false;
    }
    for (const uint16_t id : setup.files) {
        const std::string extension = Extension(id);
        if (std::none_of(contents.names.begin(), contents.names.end(), [&](const std::string& n) {
                return n.size() > extension.size() &&
                       n.compare(n.size() - extension.size(), extension.size(), extension) == 0;
            })) {
            folder.findings.Add(rules::kCabSetupDamaged, cab.display, 0,
                                inside + "installs file " + std::to_string(id) + " (\"*" +
                                    extension + "\"), which the cabinet does not hold" + refused);
            return false;
        }
    }
    read.setup = setup;
    CabinetDevices& devices = read.devices;
    devices.architecture = setup.architecture;
    devices.processor = ArchitectureName(setup.architecture);
    devices.versions = DescribeVersions(setup);
    devices.application = Utf8(folder, setup.application);
    devices.provider = Utf8(folder, setup.provider);
    for (const std::string& platform : setup.unsupported)
        devices.unsupported.push_back(Utf8(folder, platform));
    const CeVersion* versions[] = {&setup.least, &setup.most};
    uint32_t* into[] = {devices.least, devices.most};
    for (std::size_t i = 0; i < 2; ++i) {
        into[i][0] = versions[i]->major;
        into[i][1] = versions[i]->minor;
        into[i][2] = versions[i]->build;
    }
    return true;
}

// The setup XML: a provisioning document naming its application, extracting
// only files the set holds; false, with the finding made, when it is not.
bool ReadXmlSetup(Folder& folder, const FolderFile& cab, const CabinetContents& contents,
                  const std::string& refused, ReadCabinet& read) {
    const SetupXml xml = ReadSetupXml(contents.setupXml.bytes);
    const std::string inside = "its setup XML " + Quoted(folder, contents.setupXml.name) + " ";
    if (xml.problem != SetupXmlProblem::None) {
        folder.findings.Add(rules::kCabSetupDamaged, cab.display, 0,
                            inside + DescribeSetupXmlProblem(xml) + refused);
        return false;
    }
    for (const std::string& source : xml.sources) {
        if (HoldsFile(contents, source)) continue;
        folder.findings.Add(rules::kCabSetupDamaged, cab.display, 0,
                            inside + "extracts \"" + EscapeInvalidUtf8(source) +
                                "\", which the cabinet does not hold" + refused);
        return false;
    }
    CabinetDevices& devices = read.devices;
    devices.source = SetupSource::SetupXml;
    devices.processor = "no processor stated";
    devices.versions = "Smartphone or Windows Mobile 5.0 and later";
    devices.application = xml.application;
    return true;
}

// The file the device's installer reads first: the CE setup file where
// there is one, else the setup XML.
bool CheckSetupFile(Folder& folder, const FolderFile& cab, const CabinetContents& contents,
                    const std::string& refused, ReadCabinet& read) {
    const KeptFile& kept = contents.ceSetup.found ? contents.ceSetup : contents.setupXml;
    if (!kept.found) {
        folder.findings.Add(rules::kCabNoSetupFile, cab.display, 0,
                            "holds neither a CE setup file (a file whose name ends in \".000\") "
                            "nor a setup XML (\"_setup.xml\"), one of which the device's "
                            "installer reads first" + refused);
        return false;
    }
    read.devices.setupFile = Utf8(folder, kept.name);
    return contents.ceSetup.found ? ReadCeSetup(folder, cab, contents, refused, read)
                                  : ReadXmlSetup(folder, cab, contents, refused, read);
}

// A listed cabinet: its set read whole by the cabinet library, then its
// setup file. Each cabinet is read once, whoever lists it; its setup file is
// kept only when its devices are known.
const ReadCabinet& CheckCabinet(Folder& folder, const FolderFile& cab, const std::string& listedBy) {
    auto known = folder.cabinets.find(cab.local);
    if (known != folder.cabinets.end()) return known->second;
    ReadCabinet& read = folder.cabinets[cab.local];
    read.devices.file = cab.display;
    CheckFilePath(folder, cab.display, cab.length,
                  "the CE Application Manager cannot open it there");
    const std::string damaged =
        " (listed by " + listedBy + "): the application cannot be installed";
    std::vector<Member> members;
    if (!GatherSet(folder, cab, damaged, listedBy, members)) return read;
    CabinetSet set;
    for (const Member& m : members) {
        set.paths.push_back(m.where.local);
        set.tables.push_back(&m.tables);
    }
    const CabinetContents contents = ReadCabinetSet(set, folder.host);
    if (!contents.Whole()) {
        folder.findings.Add(rules::kCabDamaged, members[contents.cabinet].where.display, 0,
                            DescribeCabinetRead(contents, set) + damaged);
        return read;
    }
    const std::string refused = " (listed by " + listedBy + "): the device's installer refuses it";
    read.devices.known = CheckSetupFile(folder, cab, contents, refused, read);
    if (!read.devices.known) {
        read.devices = CabinetDevices();
        read.devices.file = cab.display;
    }
    return read;
}

// What a cabinet installs, as its setup file names it.
std::string Installs(const CabinetDevices& cab) {
    return "\"" + cab.application + "\"" +
           (cab.source == SetupSource::SetupXml ? "" : " by \"" + cab.provider + "\"");
}

// What the cabinets of one application say of each other. A setup XML
// names the application only, and states no processor to compare.
void CompareCabinets(Folder& folder, const std::string& file, int line,
                     const std::vector<const ReadCabinet*>& cabinets) {
    bool namesDiffer = false;
    for (std::size_t i = 0; i < cabinets.size(); ++i) {
        for (std::size_t j = i + 1; j < cabinets.size(); ++j) {
            const CabinetDevices &a = cabinets[i]->devices, &b = cabinets[j]->devices;
            // A cabinet listed twice is one cabinet.
            if (!a.known || !b.known || cabinets[i] == cabinets[j]) continue;
            const bool bothCe = a.source == SetupSource::CeSetupFile &&
                                b.source == SetupSource::CeSetupFile;
            if (bothCe && SameTarget(cabinets[i]->setup, cabinets[j]->setup))
                folder.findings.Add(
                    rules::kCabSameTarget, file, line,
                    "lists " + a.file + " (" + a.Devices() + ") and " + b.file + " (" +
                        b.Devices() +
                        ") for the same processor and overlapping Windows CE versions: which "
                        "one a device gets is not the vendor's choice; give each its own "
                        "processor or versions");
            if (!namesDiffer &&
                (a.application != b.application || (bothCe && a.provider != b.provider))) {
                namesDiffer = true;
                folder.findings.Add(rules::kCabNamesDiffer, file, line,
                                    a.file + " installs " + Installs(a) + ", but " + b.file +
                                        " installs " + Installs(b) +
                                        ": one of them is probably a stale cabinet");
            }
        }
    }
}

// The section of the application the file's [CEAppManager] names; null,
// with the finding made, when there is none.
const IniSection* ComponentSection(Folder& folder, const std::string& file, const IniFile& ini,
                                   const std::string& cannot) {
    Findings& findings = folder.findings;
    const IniSection* manager = ini.Find("CEAppManager");
    if (!manager) {
        findings.Add(rules::kCeIniInvalid, file, 0, "has no [CEAppManager] section" + cannot);
        return nullptr;
    }
    const IniKey* component = manager->Find("Component");
    if (!component || component->value.empty()) {
        findings.Add(rules::kCeIniInvalid, file, manager->line,
                     "[CEAppManager] has no \"Component = ...\" naming the application's "
                     "section" + cannot);
        return nullptr;
    }
    const IniSection* section = FindSection(folder, ini, component->value);
    if (!section)
        findings.Add(rules::kCeIniInvalid, file, component->line,
                     "Component names " + Quoted(folder, component->value) +
                         ", but the file has no section of that name" + cannot);
    return section;
}

// Rows that stand outside the application's section install nothing.
void CheckRowSections(Folder& folder, const std::string& file, const DescriptionFile& description,
                      const IniSection& section) {
    const DescriptionReading& reading = description.reading;
    const std::vector<std::string>& rowTexts = description.component->rowTexts;
    const std::string sectionName = "[" + Utf8(folder, section.name) + "]";
    for (std::size_t i = 0; i < reading.valueLines.size() && i < rowTexts.size(); ++i) {
        const int line = reading.valueLines[i];
        const IniSection* in = description.ini.SectionOfLine(line);
        if (in == &section) continue;
        const std::string where = in ? "[" + Utf8(folder, in->name) + "]" : "no section";
        folder.findings.Add(rules::kCeRowOutsideComponent, file, line,
                            "the row \"" + Utf8(folder, rowTexts[i]) + "\" stands in " + where +
                                ", not in " + sectionName +
                                ", which Component names: the CE Application Manager installs "
                                "only that application, so this row installs nothing of its "
                                "own; give each application its own description file");
    }
}

// Each cabinet CabFiles names, found and read.
std::vector<const ReadCabinet*> CheckCabFiles(Folder& folder, const std::string& file,
                                              const IniKey& cabFiles,
                                              const std::vector<std::string>& cabs) {
    std::vector<const ReadCabinet*> read;
    for (const std::string& name : cabs) {
        const FolderFile cab = Find(folder, Utf8(folder, name));
        if (!cab.found) {
            folder.findings.Add(
                rules::kCabMissing, file, cabFiles.line,
                "CabFiles names " + Quoted(folder, name) +
                    (cab.outside ? ", which lies outside the setup folder, where the end user "
                                   "has no such file"
                                 : ", which is no file beside the description file") +
                    ": the CE Application Manager cannot install the application");
            continue;
        }
        read.push_back(&CheckCabinet(folder, cab, file + ", line " + std::to_string(cabFiles.line)));
    }
    CompareCabinets(folder, file, cabFiles.line, read);
    return read;
}

}  // namespace

std::vector<CabinetDevices> CheckCeDescriptionFile(Folder& folder,
                                                   const DescriptionFile& description) {
    Findings& findings = folder.findings;
    const DescriptionReading& reading = description.reading;
    const std::size_t rows = description.component->rowTexts.size();
    const std::string file = folder.Display(reading.name);
    const std::string cannot = ": the CE Application Manager cannot install from this file, so "
                               "its rows install nothing";
    if (rows > 1)
        findings.Add(rules::kRowsShareFile, file,
                     reading.valueLines.size() > 1 ? reading.valueLines[1] : 0,
                     "gives " + std::to_string(rows) +
                         " rows: setup.exe hands the file over when any of them is checked, so "
                         "they are checked and unchecked as one; give each application its "
                         "own description file");
    const IniSection* section = ComponentSection(folder, file, description.ini, cannot);
    if (!section) return {};
    CheckRowSections(folder, file, description, *section);
    const std::string sectionName = "[" + Utf8(folder, section->name) + "]";
    if (!section->Find("Description"))
        findings.Add(rules::kCeIniInvalid, file, section->line,
                     sectionName + " has no Description, which the CE Application Manager "
                                   "requires" + cannot);
    const IniKey* cabFiles = section->Find("CabFiles");
    const std::vector<std::string> cabs =
        cabFiles ? SplitCommas(cabFiles->value) : std::vector<std::string>();
    if (cabs.empty()) {
        findings.Add(rules::kCeIniInvalid, file, section->line,
                     sectionName + " has no \"CabFiles = ...\" naming the application's "
                                   "cabinets" + cannot);
        return {};
    }
    std::vector<CabinetDevices> devices;
    for (const ReadCabinet* cabinet : CheckCabFiles(folder, file, *cabFiles, cabs))
        devices.push_back(cabinet->devices);
    return devices;
}

}  // namespace check
