// setup-check's report over the fake system: rows, command lines and one
// finding for each kind of mistake.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/Discovery.h"
#include "check/Check.h"
#include "check/Host.h"
#include "fakes/FakeSystem.h"

namespace {

const std::string kDir = "C:\\CD\\";
const char kUnreadable[] = "<unreadable>";

struct Entry {
    std::string name;
    std::string bytes;
    bool folder = false;
};

class StringBytes : public check::ByteSource {
public:
    explicit StringBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    int Next() override { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : -1; }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

// A folder as Windows searches it: the component searches also return names
// that match through their 8.3 alias; "*" returns everything, "." and "..".
class FakeHost : public check::Host {
public:
    explicit FakeHost(const std::vector<Entry>& entries) {
        std::string error;
        text_ = check::MakeCodePage(1252, error);
        const uint32_t dir = platform::kAttributeDirectory;
        auto& all = fs.searches[kDir + "*"];
        all = {{".", dir}, {"..", dir}};
        for (const Entry& e : entries) {
            const platform::FoundFile found{e.name, e.folder ? dir : 0x20u};
            all.push_back(found);
            for (const ComponentPattern& p : kComponentPatterns)
                if (NameMatchesPattern(e.name, p.prefix, p.suffix) ||
                    check::MatchesOnlyByAlias(e.name, p.prefix, p.suffix))
                    fs.searches[kDir + p.prefix + "*" + p.suffix].push_back(found);
            if (!e.folder && e.bytes != kUnreadable) fs.files[kDir + e.name] = e.bytes;
        }
    }
    platform::System& System() override { return fs; }
    check::CodePage& Text() override { return *text_; }
    std::unique_ptr<check::ByteSource> OpenBytes(const std::string& path) override {
        auto it = fs.files.find(path);
        if (it == fs.files.end()) return nullptr;
        return std::make_unique<StringBytes>(it->second);
    }
    std::string OrderNote() override { return "the fake's order"; }

    fakes::FakeSystem fs;

private:
    std::unique_ptr<check::CodePage> text_;
};

check::Report Check(const std::vector<Entry>& entries, const std::string& at = "D:\\") {
    FakeHost host(entries);
    check::Request request;
    request.folder = kDir;
    request.at = at;
    request.ceManager = "C:\\Sync\\CEAppMgr.exe";
    request.palmCommand = "C:\\PALM\\INSTALL.EXE \"%1\"";
    return check::CheckFolder(host, request);
}

// "E code file:line" for each finding, sorted.
std::vector<std::string> Findings(const check::Report& report) {
    std::vector<std::string> out;
    for (const check::Finding& f : report.findings)
        out.push_back(std::string(f.severity == check::Severity::Error ? "E " : "W ") + f.code +
                      " " + f.file + ":" + std::to_string(f.line));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(SetupCheck, SampleFolderGivesRowsLinesAndBothCommandLines) {
    const check::Report r = Check({{"Street Maps.ini",
                                    "[CEAppManager]\r\nComponent = Maps\r\n"
                                    "Description = Street Maps\r\nDescription = Large\r\n"},
                                   {"Maps.prc", "app"},
                                   {"Route Planner.prc", "app"},
                                   {"QM_Streets.pdb", "db"},
                                   {"readme.txt", "x"}});
    std::vector<std::string> rows;
    for (const check::Row& row : r.rows)
        rows.push_back(row.text + " | " + row.file + ":" + std::to_string(row.line));
    EXPECT_EQ(rows, (std::vector<std::string>{"Street Maps | Street Maps.ini:3",
                                              "Large | Street Maps.ini:4",
                                              "Maps application | Maps.prc:0",
                                              "Route Planner application | Route Planner.prc:0",
                                              "Streets database | QM_Streets.pdb:0"}));
    ASSERT_EQ(r.commandLines.size(), 2u);
    const std::string ce =
        "\"C:\\Sync\\CEAppMgr.exe\" \"D:\\Street Maps.ini\" \"D:\\Street Maps.ini\"";
    const std::string palm =
        "\"C:\\PALM\\INSTALL.EXE\" \"D:\\Maps.prc D:\\Route Planner.prc D:\\QM_Streets.pdb\"";
    EXPECT_EQ(r.commandLines[0].line, ce);
    EXPECT_EQ(r.commandLines[0].length, ce.size());
    EXPECT_EQ(r.commandLines[1].line, palm);
    EXPECT_TRUE(r.commandLines[0].fits && r.commandLines[1].fits);
    EXPECT_EQ(Findings(r), std::vector<std::string>{"W order-fs *.prc:0"});
    EXPECT_EQ(r.notes, std::vector<std::string>{"the fake's order"});

    // A folder deep in a Downloads path: the line uses it as given, with a
    // note that setup.exe uses the short form.
    const check::Report deep = Check({{"Maps.prc", "app"}}, "C:\\Users\\A Long Name\\Maps 2.1");
    EXPECT_EQ(deep.at, "C:\\Users\\A Long Name\\Maps 2.1\\");
    EXPECT_EQ(deep.commandLines.at(0).line,
              "\"C:\\PALM\\INSTALL.EXE\" \"C:\\Users\\A Long Name\\Maps 2.1\\Maps.prc\"");
    EXPECT_EQ(deep.notes.size(), 2u);
    EXPECT_EQ(Check({{"Maps.prc", "app"}}, "C:\\USERS\\ALONGN~1\\MAPS21~1.1\\").notes.size(), 1u);
}

TEST(SetupCheck, EachMistakeGivesItsFinding) {
    const std::string utf8Name = "\xD0\x9A" "arta.prc";  // a Cyrillic letter: not in 1252
    const struct {
        const char* what;
        std::vector<Entry> entries;
        std::vector<std::string> findings;
    } cases[] = {
        {"value cut by the 255-byte pieces",
         {{"a.ini", "Description = " + std::string(300, 'v') + "\nDescription = b\n"}},
         {"W line-split a.ini:1"}},
        {"a later piece counts as a line",
         {{"a.ini", std::string(250, 'x') + "     Description = hidden\nDescription = c\n"}},
         {"W line-split a.ini:1"}},
        {"a long comment line and a long line ending at 255 bytes are harmless",
         {{"a.ini", "; " + std::string(400, 'c') + "\nDescription = " + std::string(241, 'v') +
                        "\nDescription = ok\n"}},
         {}},
        {"key without =", {{"a.ini", "Description = a\nDescription: b\nDescription = c\n"}},
         {"W description-ends-early a.ini:2"}},
        {"no Description line", {{"desktop.ini", "[.ShellClassInfo]\r\n"}},
         {"W description-no-rows desktop.ini:0"}},
        {"unreadable description file", {{"a.ini", kUnreadable}},
         {"E description-unreadable a.ini:0"}},
        {"same row twice", {{"a.ini", "Description = Maps\n"}, {"b.ini", "\r\nDescription = Maps\n"}},
         {"W duplicate-row b.ini:2", "W order-fs *.ini:0"}},
        {"empty row", {{"a.ini", "Description =\n"}}, {"W empty-row a.ini:1"}},
        {"names that match only through their alias",
         {{"notes.prcx", "x"}, {"a.prc_old", "x"}, {"old.inib", "Description = x\n"},
          {"QM_x.pdbx", "x"}, {"x.pdbx", "x"}, {".prcx", "x"}},
         {"W alias-match QM_x.pdbx:0", "W alias-match a.prc_old:0", "W alias-match notes.prcx:0",
          "W alias-match old.inib:0"}},
        {"folder with a component's name", {{"x.prc", "", true}}, {"W folder-match x.prc:0"}},
        {"empty application", {{"Empty.prc", ""}}, {"W empty-file Empty.prc:0"}},
        {"Ctrl-Z before more lines", {{"a.ini", "Description = a\r\n\x1A" "Description = b\r\n"}},
         {"W ctrl-z a.ini:2"}},
        {"a last Ctrl-Z loses nothing", {{"a.ini", "Description = a\r\n\x1A"}}, {}},
        {"lone CR", {{"a.ini", "Description = a\rb\nDescription = c\r\n\r"}}, {"W lone-cr a.ini:1"}},
        {"name the code page cannot show", {{utf8Name, "app"}},
         {"W name-codepage " + utf8Name + ":0"}},
        {"name that is not valid UTF-8", {{"\xFF.prc", "app"}}, {"W name-invalid \\xFF.prc:0"}},
        {"row text in UTF-8", {{"a.ini", "Description = Gr\xC3\xB6\xC3\x9F" "e\n"}},
         {"W row-text-utf8 a.ini:1"}},
        {"row text invalid in the code page", {{"a.ini", "Description = a\x81\n"}},
         {"W row-text-invalid a.ini:1"}},
        {"names that differ only in case", {{"Maps.prc", "x"}, {"maps.PRC", "x"}},
         {"W case-clash maps.PRC:0", "W order-fs *.prc:0"}},
        {"nothing to install", {{"readme.txt", "x"}}, {"E nothing-to-install :0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Entry> entries = c.entries;
        // One good component, so that the folder has something to install.
        if (std::string(c.what) != "nothing to install") entries.push_back({"QM_Good.pdb", "db"});
        std::vector<std::string> expected = c.findings;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Findings(Check(entries)), expected);
    }
}

TEST(SetupCheck, CommandLineLimitIsSetupsOwn) {
    // 100 rows of one description file at a 300-character folder; the
    // manager's path makes the line exactly 32,766 characters.
    std::string file;
    for (int i = 0; i < 100; ++i) file += "Description = Part " + std::to_string(i) + "\n";
    const std::string at = "D:\\" + std::string(296, 'a') + "\\";
    for (const std::size_t manager : {1964u, 1965u}) {
        FakeHost host({{"a.ini", file}});
        check::Request request;
        request.folder = kDir;
        request.at = at;
        request.ceManager = std::string(manager, 'm');
        const check::Report r = check::CheckFolder(host, request);
        ASSERT_EQ(r.commandLines.size(), 1u);
        EXPECT_EQ(r.commandLines[0].length, 32766u + (manager - 1964u));
        EXPECT_EQ(r.commandLines[0].fits, manager == 1964u);
        EXPECT_EQ(r.Count(check::Severity::Error), manager == 1964u ? 0 : 1);
    }
}

}  // namespace
