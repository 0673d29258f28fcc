// The POSIX side of the seam and setup-check as a program, over folders made
// here, hostile ones included.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "check/Check.h"
#include "check/Files.h"
#include "check/model/Host.h"
#include "check/readers/Utf8.h"
#include "platform/PosixSystem.h"

namespace {

struct TempFolder {
    std::string path;  // ends in "/"
    TempFolder() {
        char name[] = "/tmp/setup-check-test.XXXXXX";
        path = mkdtemp(name) ? std::string(name) + "/" : std::string();
    }
    ~TempFolder() { std::system(("chmod -R u+rwx '" + path + "'; rm -rf '" + path + "'").c_str()); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path + name, std::ios::binary) << bytes;
    }
};

std::vector<std::pair<std::string, uint32_t>> Search(platform::System& s, const std::string& pattern) {
    std::vector<std::pair<std::string, uint32_t>> found;
    std::unique_ptr<platform::FileSearch> search = s.FindFiles(pattern);
    platform::FoundFile f;
    while (search && search->Next(f)) found.push_back({f.name, f.attributes & platform::kAttributeDirectory});
    return found;
}

std::vector<std::string> Lines(platform::System& s, const std::string& path, int size = 256) {
    std::vector<std::string> lines;
    std::unique_ptr<platform::TextFile> file = s.OpenText(path);
    if (!file) return {"<not opened>"};
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (file->ReadLine(buffer.data(), size)) lines.push_back(buffer.data());
    return lines;
}

TEST(PosixSeam, SearchMatchesLongNamesWithoutCaseInNtfsOrder) {
    TempFolder t;
    const uint32_t dir = platform::kAttributeDirectory;
    for (const char* name : {"b.prc", "Zed.PRC", "a b.prc", "notes.prcx", "A.prc.bak", ".prc", "readme"})
        t.Write(name, "x");
    ASSERT_EQ(mkdir((t.path + "x.prc").c_str(), 0755), 0);
    ASSERT_EQ(symlink((t.path + "x.prc").c_str(), (t.path + "link.prc").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent", (t.path + "broken.prc").c_str()), 0);
    ASSERT_EQ(mkfifo((t.path + "pipe.ini").c_str(), 0644), 0);

    platform::PosixSystem s;
    using Found = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(Search(s, t.path + "*.prc"),
              (Found{{".prc", 0}, {"a b.prc", 0}, {"b.prc", 0}, {"broken.prc", 0},
                     {"link.prc", dir}, {"x.prc", dir}, {"Zed.PRC", 0}}));
    EXPECT_EQ(Search(s, t.path + "QM_*.pdb"), Found{});
    EXPECT_EQ(Search(s, t.path + "*").size(), 11u);  // no "." or ".."
    EXPECT_EQ(Search(s, t.path + "README"), (Found{{"readme", 0}}));
    EXPECT_EQ(Search(s, t.path + "missing/*"), Found{});
    // A named pipe, a folder or a broken link is no text file, and opening
    // one must not block.
    for (const char* name : {"pipe.ini", "x.prc", "broken.prc", "missing.ini"})
        EXPECT_EQ(Lines(s, t.path + name), std::vector<std::string>{"<not opened>"}) << name;
    EXPECT_TRUE(platform::ListsBefore("a", "B") && platform::ListsBefore("B", "b") &&
                !platform::ListsBefore("b", "B") && platform::ListsBefore("Z", "_"));
}

TEST(PosixSeam, TextFilesReadAsInTextMode) {
    TempFolder t;
    t.Write("crlf.ini", "one\r\ntwo\rthree\r\r\nend\r");
    t.Write("ctrlz.ini", "a\r\nb\r\x1A" "c\n");
    t.Write("long.ini", std::string(300, 'x') + "\n");
    platform::PosixSystem s;
    EXPECT_EQ(Lines(s, t.path + "crlf.ini"),
              (std::vector<std::string>{"one\n", "two\rthree\r\n", "end\r"}));
    EXPECT_EQ(Lines(s, t.path + "ctrlz.ini"), (std::vector<std::string>{"a\n", "b\r"}));
    EXPECT_EQ(Lines(s, t.path + "long.ini"),
              (std::vector<std::string>{std::string(255, 'x'), std::string(45, 'x') + "\n"}));
    EXPECT_EQ(Lines(s, t.path + "crlf.ini", 4),
              (std::vector<std::string>{"one", "\n", "two", "\rth", "ree", "\r\n", "end", "\r"}));
}

TEST(PosixCodePage, ConvertsNamesAndTextsExactlyOrSaysWhy) {
    std::string error;
    std::unique_ptr<check::CodePage> cp1252 = check::MakeCodePage(1252, error);
    ASSERT_TRUE(cp1252) << error;
    using Fit = check::CodePage::Fit;
    std::string out;
    EXPECT_EQ(cp1252->FromLocal("Kart\xC3\xA9 \xE2\x82\xAC.prc", out), Fit::Exact);
    EXPECT_EQ(out, "Kart\xE9 \x80.prc");
    EXPECT_EQ(cp1252->FromLocal("\xD0\x9A\xC3\xA9.prc", out), Fit::CannotShow);  // Cyrillic Ka
    EXPECT_EQ(out, "?\xE9.prc");
    EXPECT_EQ(cp1252->FromLocal("a\xFF\xD0\x9A.prc", out), Fit::NotValid);
    EXPECT_EQ(out, "a??.prc");
    EXPECT_TRUE(cp1252->ToUtf8("Gr\xF6\xDF" "e", out));
    EXPECT_EQ(out, "Gr\xC3\xB6\xC3\x9F" "e");
    EXPECT_FALSE(cp1252->ToUtf8("a\x81z", out));
    EXPECT_EQ(out, "a\\x81z");
    EXPECT_EQ(cp1252->LocalToUtf8("ok\xC3\xA9\xFF"), "ok\xC3\xA9\\xFF");

    std::unique_ptr<check::CodePage> cp932 = check::MakeCodePage(932, error);
    ASSERT_TRUE(cp932) << error;
    EXPECT_EQ(cp932->FromLocal("\xE5\x9C\xB0\xE5\x9B\xB3.prc", out), Fit::Exact);  // "map"
    EXPECT_EQ(out, "\x92\x6E\x90\x7D.prc");
    EXPECT_FALSE(cp932->ToUtf8("ab\x92", out));  // a lead byte without its trail
    EXPECT_FALSE(check::MakeCodePage(4242, error));
    EXPECT_NE(error.find("4242"), std::string::npos);
}

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunWith(std::vector<std::string> args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    Outcome r;
    r.status = check::RunCheck(static_cast<int>(argv.size()), argv.data(), r.out, r.err);
    return r;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

using Json = nlohmann::json;

// Whether the JSON report has a finding of that code about that file (any
// file when empty), with those other fields.
bool HasFinding(const std::string& report, const std::string& code, const std::string& file = "",
                const Json& more = Json::object()) {
    const Json parsed = Json::parse(report);
    for (const Json& f : parsed["findings"]) {
        bool match = f["code"] == code && (file.empty() || f["file"] == file);
        for (const auto& field : more.items())
            match = match && f.contains(field.key()) && f[field.key()] == field.value();
        if (match) return true;
    }
    return false;
}

TEST(SetupCheckProgram, BadUsageGivesTwoAndSaysWhy) {
    TempFolder t;
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no folder given"},
        {{"--bogus", t.path}, "unknown option --bogus"},
        {{t.path + "missing"}, "no such folder"},
        {{"--codepage", "12x", t.path}, "not a code page: 12x"},
        {{"--codepage", "4242", t.path}, "code page 4242"},
        {{t.path, "--at"}, "--at needs a value"},
        {{t.path, t.path}, "one folder only"},
        {{"--at", "Maps", t.path}, "--at needs an absolute Windows path"},
        {{"--at", "D:", t.path}, "--at needs an absolute Windows path"},
        {{"--at", "D:/Maps", t.path}, "--at needs an absolute Windows path"},
        {{"--at", "\\\\server", t.path}, "--at needs an absolute Windows path"},
    };
    for (const auto& c : cases) {
        const Outcome r = RunWith(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_TRUE(Has(r.err, c.says) && Has(r.err, "usage: setup-check")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Outcome help = RunWith({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "--palm-command"));
}

TEST(SetupCheckProgram, ExitStatusFollowsErrorsInTextAndJson) {
    TempFolder t;
    const Outcome empty = RunWith({t.path});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(Has(empty.out, "error nothing-to-install")) << empty.out;
    EXPECT_TRUE(Has(empty.out, "\nNo rows: setup.exe lists nothing\n")) << empty.out;
    EXPECT_TRUE(Has(empty.out, "Note: code page 1252 (assumed; give --codepage")) << empty.out;

    t.Write("Maps.ini", "[Maps]\r\nDescription = Street Maps\r\nCabFiles = maps.cab\r\n");
    t.Write("maps.cab", files::Cab());
    t.Write("Kart\xC3\xA9.prc", files::Prc("Maps"));
    t.Write("notes.prcx", "x");
    const Outcome broken = RunWith({"--json", t.path});
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(HasFinding(broken.out, "ce-ini-invalid", "Maps.ini")) << broken.out;
    EXPECT_TRUE(HasFinding(broken.out, "alias-match", "notes.prcx", {{"pattern", "*.prc"}}))
        << broken.out;

    t.Write("Maps.ini", files::Ce("Maps", "Street Maps", "maps.cab"));
    const Outcome text = RunWith({"--at", "E:\\Maps", t.path});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Has(text.out, "   1  Street Maps    (Maps.ini, line 5)\n")) << text.out;
    EXPECT_TRUE(Has(text.out, "\"E:\\Maps\\Kart\xC3\xA9.prc\"")) << text.out;

    const Outcome json = RunWith({"--json", "--ce-manager", "C:\\M\\CEAppMgr.exe", t.path});
    EXPECT_EQ(json.status, 0);
    const Json report = Json::parse(json.out);
    const Json& row = report["rows"][0];
    EXPECT_EQ(row["text"], "Street Maps");
    EXPECT_EQ(row["file"], "Maps.ini");
    EXPECT_EQ(row["line"], 5);
    EXPECT_EQ(row["cabinets"][0]["file"], "maps.cab");
    EXPECT_EQ(row["cabinets"][0]["known"], true);
    EXPECT_EQ(row["cabinets"][0]["processor"], "ARM StrongARM");
    const Json& ce = report["commandLines"][0];
    EXPECT_EQ(ce["line"], "\"C:\\M\\CEAppMgr.exe\" \"D:\\Maps.ini\"");
    EXPECT_EQ(ce["length"], 33);
    EXPECT_EQ(ce["limit"], 32766);
    EXPECT_EQ(ce["fits"], true);
    EXPECT_TRUE(Has(json.out, "\"errors\": 0"));
    EXPECT_TRUE(Has(json.out, "\"codePage\": 1252,\n  \"codePageGiven\": false")) << json.out;
}

// The folders the build writes with real cabinets and Palm databases: the
// sample a vendor should copy is clean, and the Japanese one is read right
// only in its own code page.
TEST(SetupCheckProgram, SampleFoldersOfTheBuild) {
    const std::string folders = SETUP_FOLDERS;
    const Outcome sample = RunWith({"--json", folders + "/Sample CD"});
    EXPECT_EQ(sample.status, 0) << sample.out << sample.err;
    EXPECT_TRUE(Has(sample.out, "\"errors\": 0,\n  \"warnings\": 1\n")) << sample.out;
    EXPECT_TRUE(HasFinding(sample.out, "alias-match", "notes.prcx"));

    const Outcome japanese = RunWith({"--codepage", "932", folders + "/Japanese CD"});
    EXPECT_EQ(japanese.status, 1);
    EXPECT_TRUE(Has(japanese.out, "Rows setup.exe lists (5)")) << japanese.out;
    EXPECT_TRUE(Has(japanese.out, "error cab-missing: \xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.ini"))
        << japanese.out;
    EXPECT_TRUE(Has(japanese.out, "Findings: 1 error(s), 0 warning(s)")) << japanese.out;
    // In 1252 the same folder's names cannot be held, so setup.exe there
    // would see none of them as they are.
    const Outcome western = RunWith({folders + "/Japanese CD"});
    EXPECT_TRUE(Has(western.out, "warning name-codepage")) << western.out;

    // The vendor's guide shows this very report.
    std::ifstream readme(std::string(SOURCE_DIR) + "/README.md");
    const std::string guide((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
    const std::string command = "$ build/native/setup-check \"build/native/folders/Sample CD\"\n";
    const std::size_t start = guide.find(command);
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = guide.find("```", start);
    std::string text = RunWith({folders + "/Sample CD"}).out;
    text.replace(text.find(folders), folders.size(), "build/native/folders");
    EXPECT_EQ(guide.substr(start + command.size(), end - start - command.size()), text);

    const Outcome mistakes = RunWith({"--json", folders + "/Mistakes"});
    EXPECT_EQ(mistakes.status, 1);
    for (const char* code :
         {"ce-row-outside-component", "cab-missing", "ce-ini-invalid", "cab-damaged",
          "description-encoding", "empty-file", "palm-invalid", "palm-duplicate-name",
          "duplicate-row", "line-split", "description-ends-early", "rows-share-file", "ctrl-z",
          "lone-cr", "palm-name-space", "palm-orphan-database", "alias-match", "folder-match",
          "cab-no-setup-file", "cab-setup-damaged", "cab-same-target", "cab-names-differ",
          "palm-not-listed"})
        EXPECT_TRUE(HasFinding(mistakes.out, code)) << code;
}

// Whatever the folder holds: a clear report, never a crash (the sanitizers
// watch this test), and valid UTF-8 for the build server.
TEST(SetupCheckProgram, HostileFolderStillGivesAReport) {
    TempFolder t;
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 251);
    t.Write("binary.ini", binary);
    t.Write("nul.ini", std::string("Description = a\0b\nDescription = \xFF\x81\n", 36));
    t.Write("bad\xFF\xFE.ini", "Description = x\n");
    t.Write("control.ini", "Description = a\x01\x1F\x7F\tb\rc\n");
    ASSERT_EQ(symlink("loop.ini", (t.path + "loop.ini").c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", (t.path + "zero.prc").c_str()), 0);
    ASSERT_EQ(mkfifo((t.path + "QM_pipe.pdb").c_str(), 0644), 0);
    for (int i = 0; i < 300; ++i) t.Write("App" + std::to_string(i) + ".prc", "x");

    const Outcome json = RunWith({"--json", t.path});
    EXPECT_EQ(json.status, 1) << json.err;
    EXPECT_TRUE(check::IsValidUtf8(json.out));
    // Neither a link to itself nor a name Windows would get as "bad??.ini"
    // can be opened.
    for (const char* file : {"loop.ini", "bad\\xFF\\xFE.ini"})
        EXPECT_TRUE(HasFinding(json.out, "description-unreadable", file)) << file;
    const Json rows = Json::parse(json.out)["rows"];
    auto hasRow = [&](const std::string& text, int line) {
        return std::any_of(rows.begin(), rows.end(), [&](const Json& r) {
            return r["text"] == text && r["file"] == "nul.ini" && r["line"] == line;
        });
    };
    EXPECT_TRUE(hasRow("a", 1));
    EXPECT_TRUE(hasRow("\u00ff\\x81", 2)) << json.out;
    EXPECT_TRUE(HasFinding(json.out, "file-unreadable", "zero.prc"));
    // Control characters come back as they were from the JSON, and stay on
    // their line in the text.
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                            [](const Json& r) { return r["text"] == "a\x01\x1F\x7F\tb\rc"; }));
    // Deep in a long path the 300 applications no longer fit one command line.
    const Outcome text = RunWith({"--at", "C:\\" + std::string(200, 'd'), t.path});
    EXPECT_EQ(text.status, 1);
    EXPECT_TRUE(check::IsValidUtf8(text.out));
    EXPECT_TRUE(Has(text.out, "error command-line-too-long")) << text.out;
    EXPECT_TRUE(Has(text.out, "  a\\x01\\x1F\\x7F\\tb\\rc    (control.ini, line 1)\n")) << text.out;
}

}  // namespace
