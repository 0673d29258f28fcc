#include "check/Check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "catalogue/Discovery.h"
#include "check/Text.h"
#include "handoff/Handoff.h"
#include "selection/InstallCommand.h"

namespace check {

namespace {

constexpr std::size_t kPieceBytes = 255;  // what one read of the line reader holds
constexpr int kCtrlZ = 0x1A;
const char* const kKindNames[3] = {"description file", "application", "database"};

std::string Number(std::size_t n) { return std::to_string(n); }

std::string Pattern(const ComponentPattern& p) { return std::string(p.prefix) + "*" + p.suffix; }

class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}
    void Error(const char* code, const std::string& file, int line, const std::string& reason) {
        out_.push_back({Severity::Error, code, file, line, reason});
    }
    void Warning(const char* code, const std::string& file, int line, const std::string& reason) {
        out_.push_back({Severity::Warning, code, file, line, reason});
    }

private:
    std::vector<Finding>& out_;
};

// The seam with names in the end user's code page, as the ANSI calls of
// Windows give them; a path that comes back is read under its local name.
// Names that do not convert exactly cannot be opened, as on Windows.
class CodePageSystem final : public platform::System {
public:
    CodePageSystem(platform::System& inner, CodePage& text, const std::string& folder)
        : inner_(inner), text_(text), folder_(folder) {}

    // The local name behind a converted one, as UTF-8 for the report.
    std::string Display(const std::string& converted) {
        auto it = names_.find(converted);
        if (it != names_.end()) return text_.LocalToUtf8(it->second.local);
        std::string utf8;
        text_.ToUtf8(converted, utf8);
        return utf8;
    }

    std::unique_ptr<platform::FileSearch> FindFiles(const std::string& pattern) override {
        std::unique_ptr<platform::FileSearch> search = inner_.FindFiles(pattern);
        if (!search) return nullptr;
        return std::make_unique<Search>(std::move(search), *this);
    }
    std::unique_ptr<platform::TextFile> OpenText(const std::string& path) override {
        if (path.compare(0, folder_.size(), folder_) == 0) {
            auto it = names_.find(path.substr(folder_.size()));
            if (it != names_.end() && it->second.exact)
                return inner_.OpenText(folder_ + it->second.local);
        }
        return inner_.OpenText(path);
    }

    uint32_t ModuleFileName(char* b, uint32_t s) override { return inner_.ModuleFileName(b, s); }
    uint32_t FullPathName(const char* p, uint32_t s, char* b, char** f) override {
        return inner_.FullPathName(p, s, b, f);
    }
    uint32_t ShortPathName(const char* p, char* b, uint32_t s) override {
        return inner_.ShortPathName(p, b, s);
    }
    uint32_t WideModuleFileName(char16_t* b, uint32_t s) override {
        return inner_.WideModuleFileName(b, s);
    }
    uint32_t WideShortPathName(const char16_t* p, char16_t* b, uint32_t s) override {
        return inner_.WideShortPathName(p, b, s);
    }
    bool ExactAnsiText(const char16_t* t, uint32_t n, std::string& a) override {
        return inner_.ExactAnsiText(t, n, a);
    }
    long ReadMachineValue(const char* k, void* d, uint32_t* s, uint32_t* t) override {
        return inner_.ReadMachineValue(k, d, s, t);
    }
    long AssociationCommand(const char* e, const char* v, char* b, uint32_t* s) override {
        return inner_.AssociationCommand(e, v, b, s);
    }
    bool RunAndWait(std::string& c, uint32_t& e) override { return inner_.RunAndWait(c, e); }
    bool SystemErrorText(uint32_t c, std::string& t) override { return inner_.SystemErrorText(c, t); }
    int LoadResourceString(uint32_t i, char* b, int s) override {
        return inner_.LoadResourceString(i, b, s);
    }
    void ShowMessageBox(platform::WindowHandle o, const std::string& t, const std::string& c,
                        uint32_t f) override {
        inner_.ShowMessageBox(o, t, c, f);
    }
    bool IsLeadByte(unsigned char b) override { return inner_.IsLeadByte(b); }
    uint32_t VersionInfoSize(const char* f) override { return inner_.VersionInfoSize(f); }
    bool VersionInfoData(const char* f, uint32_t s, void* b) override {
        return inner_.VersionInfoData(f, s, b);
    }
    uint32_t WideVersionInfoSize(const char16_t* f) override { return inner_.WideVersionInfoSize(f); }
    bool WideVersionInfoData(const char16_t* f, uint32_t s, void* b) override {
        return inner_.WideVersionInfoData(f, s, b);
    }
    bool VersionQueryValue(const void* b, const char* s, const void** v, uint32_t* l) override {
        return inner_.VersionQueryValue(b, s, v, l);
    }

private:
    struct Local {
        std::string local;
        bool exact;
    };
    class Search final : public platform::FileSearch {
    public:
        Search(std::unique_ptr<platform::FileSearch> inner, CodePageSystem& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        bool Next(platform::FoundFile& found) override {
            if (!inner_->Next(found)) return false;
            std::string converted;
            const bool exact = owner_.text_.FromLocal(found.name, converted) == CodePage::Fit::Exact;
            owner_.names_[converted] = Local{found.name, exact};
            found.name = converted;
            return true;
        }

    private:
        std::unique_ptr<platform::FileSearch> inner_;
        CodePageSystem& owner_;
    };

    platform::System& inner_;
    CodePage& text_;
    std::string folder_;
    std::map<std::string, Local> names_;  // by converted name
};

// Follows the reading of each description file: the line each value comes
// from, and the lines whose reading the vendor probably did not expect.
class Reading final : public DescriptionListener {
public:
    Reading(CodePageSystem& names, const std::string& folder, Findings& findings)
        : names_(names), folder_(folder), findings_(findings) {}

    // Lines of the values of one file (by converted name), in order.
    std::map<std::string, std::vector<int>> valueLines;

    void Opened(const std::string& path, bool opened) override {
        Finish();
        name_ = path.substr(folder_.size());
        file_ = names_.Display(name_);
        line_ = 1;
        midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
        ended_ = false;
        open_ = opened;
        valueLines[name_];
        if (!opened)
            findings_.Error("description-unreadable", file_, 0,
                            "cannot be read: setup.exe lists nothing from it");
    }

    void Piece(const char* piece, DescriptionLine kind) override {
        const std::size_t length = std::strlen(piece);
        const bool endsLine = length > 0 && piece[length - 1] == '\n';
        if (!midLine_) {
            firstValue_ = kind == DescriptionLine::Value;
        } else {
            if (!(length == 1 && endsLine)) continuationText_ = true;
            if (kind != DescriptionLine::Other) continuationCounts_ = true;
        }
        if (kind == DescriptionLine::Value) valueLines[name_].push_back(line_);
        if (kind == DescriptionLine::End) {
            ended_ = true;
            findings_.Warning("description-ends-early", file_, line_,
                              "\"Description\" without \"=\" ends the reading of this file: "
                              "later lines give no rows");
        }
        midLine_ = !endsLine && length == kPieceBytes;
        if (!midLine_) EndLine();
    }

    // The last line and file.
    void Finish() {
        if (name_.empty() || !open_) return;
        if (midLine_) EndLine();
        if (valueLines[name_].empty() && !ended_)
            findings_.Warning("description-no-rows", file_, 0,
                              "has no \"Description = ...\" line: it gives no row");
        name_.clear();
    }

private:
    void EndLine() {
        if ((firstValue_ && continuationText_) || continuationCounts_)
            findings_.Warning("line-split", file_, line_,
                              "longer than 255 bytes: setup.exe reads it in 255-byte pieces, " +
                                  std::string(firstValue_ && continuationText_
                                                  ? "so the row text is cut"
                                                  : "and a later piece counts as a line of its own"));
        ++line_;
        midLine_ = firstValue_ = continuationText_ = continuationCounts_ = false;
    }

    CodePageSystem& names_;
    std::string folder_;
    Findings& findings_;
    std::string name_, file_;
    int line_ = 1;
    bool open_ = false, ended_ = false;
    bool midLine_ = false, firstValue_ = false, continuationText_ = false,
         continuationCounts_ = false;
};

// Accepts every row; the widths mean nothing here.
struct AllRows final : ComponentRowSink {
    bool InsertRow(int, const std::string&) override { return true; }
    void SetRowChecked(int) override {}
    int MeasureTextWidth(const std::string&) override { return 0; }
};

// What the line reader will not show: a Ctrl-Z with bytes after it, and CRs
// that stay in the text because no LF follows them.
void ScanDescriptionBytes(ByteSource& bytes, const std::string& file, Findings& findings) {
    int line = 1, loneCrLine = 0, loneCrs = 0;
    bool afterCr = false;
    for (;;) {
        const int c = bytes.Next();
        if (afterCr && c != '\n') {
            if (loneCrs++ == 0) loneCrLine = line;
        }
        afterCr = c == '\r';
        if (c < 0) break;
        if (c == kCtrlZ) {
            // A last Ctrl-Z is the old end-of-file mark and loses nothing.
            if (bytes.Next() >= 0)
                findings.Warning("ctrl-z", file, line,
                                 "a Ctrl-Z byte ends the file for setup.exe: what follows it is "
                                 "not read");
            break;
        }
        if (c == '\n') ++line;
    }
    if (loneCrs > 0)
        findings.Warning("lone-cr", file, loneCrLine,
                         Number(static_cast<std::size_t>(loneCrs)) +
                             " CR byte(s) without LF, from this line on: setup.exe keeps them in "
                             "the line, so a row text may hold one or lines run together");
}

void CheckComponentFile(Host& host, const std::string& path, const std::string& file,
                        Findings& findings) {
    std::unique_ptr<ByteSource> bytes = host.OpenBytes(path);
    if (!bytes)
        findings.Warning("file-unreadable", file, 0,
                         "cannot be read here: the install tool may not read it either");
    else if (bytes->Next() < 0)
        findings.Warning("empty-file", file, 0, "is empty: the install tool gets nothing to install");
}

// What the folder holds that discovery passes over, and what its component
// files hold that the end user would not see as the vendor wrote it.
void CheckListing(Host& host, const Request& request, Findings& findings) {
    std::unique_ptr<platform::FileSearch> search =
        host.System().FindFiles(request.folder + "*");
    if (!search) return;
    std::map<std::string, std::string> byUpperName;
    platform::FoundFile found;
    while (search->Next(found)) {
        const std::string& name = found.name;
        if (name == "." || name == "..") continue;
        const std::string file = host.Text().LocalToUtf8(name);
        const bool directory = (found.attributes & platform::kAttributeDirectory) != 0;
        for (int kind = 0; kind < 3; ++kind) {
            const ComponentPattern& p = kComponentPatterns[kind];
            const std::string pattern = Pattern(p);
            if (MatchesOnlyByAlias(name, p.prefix, p.suffix)) {
                findings.Warning("alias-match", file, 0,
                                 std::string("not installed: only its 8.3 alias matches ") +
                                     pattern + "; setup.exe goes by the long name");
                continue;
            }
            if (!NameMatchesPattern(name, p.prefix, p.suffix)) continue;
            if (directory) {
                findings.Warning("folder-match", file, 0,
                                 "a folder: not installed, setup.exe takes files only");
                continue;
            }
            std::string upper = name;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            auto clash = byUpperName.emplace(upper, file);
            if (!clash.second)
                findings.Warning("case-clash", file, 0,
                                 "differs from " + clash.first->second +
                                     " only in case: a CD or a Windows drive keeps one of them");
            std::string converted;
            const CodePage::Fit fit = host.Text().FromLocal(name, converted);
            if (fit == CodePage::Fit::CannotShow) {
                std::string shown;
                host.Text().ToUtf8(converted, shown);
                findings.Warning("name-codepage", file, 0,
                                 "has characters the code page cannot show: setup.exe sees \"" +
                                     shown + "\", a name the file cannot be opened under");
            }
            else if (fit == CodePage::Fit::NotValid)
                findings.Warning("name-invalid", file, 0,
                                 "the name's bytes are not valid text here: what Windows will "
                                 "make of them cannot be told");
            const std::string path = request.folder + name;
            if (kind == 0) {
                std::unique_ptr<ByteSource> bytes = host.OpenBytes(path);
                if (bytes) ScanDescriptionBytes(*bytes, file, findings);
            } else {
                CheckComponentFile(host, path, file, findings);
            }
        }
    }
}

}  // namespace

int Report::Count(Severity severity) const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [&](const Finding& f) { return f.severity == severity; }));
}

bool IsShortName(const std::string& name) {
    static const char kAllowed[] = "$%'-_@~`!(){}^#&";
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        (dot != std::string::npos && extension.empty()))
        return false;
    for (char c : base + extension) {
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum && (c == '\0' || !std::strchr(kAllowed, c))) return false;
    }
    return true;
}

bool MatchesOnlyByAlias(const std::string& name, const char* prefix, const char* suffix) {
    if (NameMatchesPattern(name, prefix, suffix)) return false;
    // The alias ends in the first three characters after the last dot (a
    // leading dot starts no extension) and begins with the name's first
    // characters, of which Windows keeps up to six and Wine four.
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot - 1 <= 3) return false;
    return NameMatchesPattern("." + name.substr(dot + 1, 3), "", suffix) &&
           NameMatchesPattern(name, prefix, "");
}

Report CheckFolder(Host& host, const Request& request) {
    Report report;
    Findings findings(report.findings);
    CodePage& text = host.Text();
    CodePageSystem system(host.System(), text, request.folder);

    // The rows, by setup.exe's own discovery.
    ComponentCatalogue catalogue;
    AllRows rows;
    Reading reading(system, request.folder, findings);
    DiscoverComponentsIn(system, request.folder, rows, catalogue, &reading);
    reading.Finish();

    std::map<std::string, std::size_t> linesTaken;
    std::map<std::string, std::size_t> firstRowOfText;
    std::set<std::string> filesOfKind[3];
    ComponentCatalogue placed;  // the same components where the end user has them
    std::string at;
    text.FromLocal(request.at, at);
    if (at.empty() || at.back() != '\\') at += '\\';
    text.ToUtf8(at, report.at);

    for (const ComponentRecord& record : catalogue) {
        const std::string name = record.FullPath.substr(request.folder.size());
        Row row{{}, system.Display(name), 0};
        const bool valid = text.ToUtf8(record.DisplayName, row.text);
        int kind = 0;
        while (kind < 2 && !NameMatchesPattern(name, kComponentPatterns[kind].prefix,
                                               kComponentPatterns[kind].suffix))
            ++kind;
        filesOfKind[kind].insert(name);
        if (kind == 0) {
            const std::vector<int>& lines = reading.valueLines[name];
            const std::size_t k = linesTaken[name]++;
            row.line = k < lines.size() ? lines[k] : 0;
            if (!valid)
                findings.Warning("row-text-invalid", row.file, row.line,
                                 "the row text has bytes that are not valid in the code page");
            else if (!text.IsUtf8() && IsValidUtf8(record.DisplayName) &&
                     std::any_of(record.DisplayName.begin(), record.DisplayName.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                findings.Warning("row-text-utf8", row.file, row.line,
                                 "the row text looks like UTF-8: in the code page it shows as \"" +
                                     row.text + "\"");
        }
        if (record.DisplayName.empty())
            findings.Warning("empty-row", row.file, row.line, "gives a row without text");
        auto first = firstRowOfText.emplace(record.DisplayName, report.rows.size() + 1);
        if (!first.second)
            findings.Warning("duplicate-row", row.file, row.line,
                             "gives the row \"" + row.text + "\" a second time (first: row " +
                                 Number(first.first->second) + ")");
        report.rows.push_back(row);
        placed.Append(ComponentRecord{at + name, record.DisplayName});
    }

    // Install's command lines with every row checked, by setup.exe's own code.
    ComponentCatalogue ce, palm;
    PartitionCheckedComponents(placed, static_cast<int>(placed.Count()),
                               [](int) { return true; }, ce, palm);
    const struct {
        const char* tool;
        const char* name;
        const std::string& executable;
        const ComponentCatalogue& components;
        std::string (*build)(const std::string&, const ComponentCatalogue&);
    } tools[] = {{"ce", "CE Application Manager", request.ceManager, ce, BuildCeCommandLine},
                 {"palm", "Palm install tool", request.palmCommand, palm, BuildPalmCommandLine}};
    for (const auto& tool : tools) {
        if (tool.components.Count() == 0) continue;
        std::string executable;
        text.FromLocal(tool.executable, executable);
        const std::string line = tool.build(executable, tool.components);
        CommandLine out{tool.tool, text.LocalToUtf8(tool.executable), {}, line.size(),
                        FitsCommandLine(line)};
        text.ToUtf8(line, out.line);
        if (!out.fits)
            findings.Error("command-line-too-long", "", 0,
                           std::string("the ") + tool.name + "'s command line would be " +
                               Number(line.size()) + " characters, over the limit of " +
                               Number(platform::kMaxCommandLine) +
                               ": setup.exe installs nothing. Ship fewer files in this folder "
                               "or place it at a shorter path");
        report.commandLines.push_back(out);
    }

    if (catalogue.Count() == 0)
        findings.Error("nothing-to-install", "", 0,
                       "no component: setup.exe shows an empty list and Install stays disabled");
    for (int kind = 0; kind < 3; ++kind)
        if (filesOfKind[kind].size() > 1)
            findings.Warning("order-fs", Pattern(kComponentPatterns[kind]), 0,
                             Number(filesOfKind[kind].size()) + " " + kKindNames[kind] +
                                 "s give rows: their order among themselves is the file "
                                 "system's, and a FAT drive may list them otherwise");
    CheckListing(host, request, findings);

    std::stable_partition(report.findings.begin(), report.findings.end(),
                          [](const Finding& f) { return f.severity == Severity::Error; });

    report.notes.push_back(host.OrderNote());
    std::size_t start = 0;
    bool allShort = true;
    while (start < at.size()) {
        const std::size_t end = at.find('\\', start);
        const std::string part = at.substr(start, end - start);
        const bool drive = start == 0 && part.size() == 2 && part[1] == ':';
        if (!part.empty() && !drive && !IsShortName(part)) allShort = false;
        start = end == std::string::npos ? at.size() : end + 1;
    }
    if (!allShort)
        report.notes.push_back(
            "setup.exe names the folder in its short (8.3) form, such as D:\\DOWNLO~1\\; give "
            "that form with --at (dir /x shows it) for the exact command lines");
    return report;
}

}  // namespace check
