// setup-check's report over the fake system: rows, command lines, and for
// each finding a folder that shows it and a near miss that must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "catalogue/Discovery.h"
#include "check/Check.h"
#include "check/Files.h"
#include "check/model/Host.h"
#include "check/model/ShortNames.h"
#include "fakes/FakeSystem.h"

using namespace files;

namespace {

const std::string kDir = "C:\\CD\\";
const char kUnreadable[] = "<unreadable>";

struct Entry {
    std::string name;  // "sub\\name" for a file in a folder of the CD
    std::string bytes;
    bool folder = false;
};
using Folder = std::vector<Entry>;

// A folder as Windows searches it: the component searches also return names
// that match through their 8.3 alias; "*" returns everything, "." and "..".
class FakeHost : public check::Host {
public:
    explicit FakeHost(const Folder& entries) {
        std::string error;
        text_ = check::MakeCodePage(1252, error);
        const uint32_t dir = platform::kAttributeDirectory;
        fs.searches[kDir + "*"] = {{".", dir}, {"..", dir}};
        for (const Entry& e : entries) {
            const std::size_t slash = e.name.rfind('\\');
            const std::string parent = kDir + e.name.substr(0, slash + 1);
            const std::string name = e.name.substr(slash + 1);
            const platform::FoundFile found{name, e.folder ? dir : 0x20u};
            fs.searches[parent + "*"].push_back(found);
            for (const ComponentKind& p : kComponentKinds)
                if (slash == std::string::npos && (NameMatchesPattern(name, p.prefix, p.suffix) ||
                                                   check::MatchesOnlyByAlias(name, p.prefix, p.suffix)))
                    fs.searches[kDir + p.prefix + "*" + p.suffix].push_back(found);
            if (!e.folder && e.bytes != kUnreadable) fs.files[kDir + e.name] = e.bytes;
        }
    }
    platform::System& System() override { return fs; }
    check::CodePage& Text() override { return *text_; }
    std::unique_ptr<check::RandomBytes> OpenRandom(const std::string& path) override {
        auto it = fs.files.find(path);
        if (it == fs.files.end()) return nullptr;
        return std::make_unique<check::MemoryBytes>(it->second);
    }
    std::string OrderNote() override { return "the fake's order"; }

    fakes::FakeSystem fs;

private:
    std::unique_ptr<check::CodePage> text_;
};

check::Report Check(const Folder& entries, const std::string& at = "D:\\") {
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
        out.push_back(std::string(f.severity() == check::Severity::Error ? "E " : "W ") + f.rule->code +
                      " " + f.file + ":" + std::to_string(f.line));
    std::sort(out.begin(), out.end());
    return out;
}

// A CE cabinet's files, its setup file for a processor, installing files of
// those extensions, for an application.
CeSetup For(uint32_t processor, std::vector<uint16_t> files = {1},
            const std::string& application = "Street Maps") {
    CeSetup setup;
    setup.processor = processor;
    setup.files = std::move(files);
    setup.application = application;
    return setup;
}

// A folder a vendor could ship: nothing to say about it.
Folder Clean(Folder more = {}) {
    Folder f = {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab")},
                {"maps.cab", Cab()},
                {"Maps.prc", Prc("Quillmere Maps")},
                {"QM_Streets.pdb", Pdb("Quillmere Streets")}};
    f.insert(f.end(), more.begin(), more.end());
    return f;
}

TEST(SetupCheck, SampleFolderGivesRowsLinesAndBothCommandLines) {
    const check::Report r = Check(Clean({{"Routes.ini", Ce("Routes", "Route Planner", "r.cab")},
                                         {"R.CAB", Cab()},
                                         {"Routes.prc", Prc("Quillmere Routes", "QRte")},
                                         {"readme.txt", "x"}}));
    std::vector<std::string> rows;
    for (const check::Row& row : r.rows)
        rows.push_back(row.text + " | " + row.file + ":" + std::to_string(row.line));
    EXPECT_EQ(rows, (std::vector<std::string>{"Street Maps | Maps.ini:5",
                                              "Route Planner | Routes.ini:5",
                                              "Maps application | Maps.prc:0",
                                              "Routes application | Routes.prc:0",
                                              "Streets database | QM_Streets.pdb:0"}));
    ASSERT_EQ(r.commandLines.size(), 2u);
    const std::string ce = "\"C:\\Sync\\CEAppMgr.exe\" \"D:\\Maps.ini\" \"D:\\Routes.ini\"";
    const std::string palm =
        "\"C:\\PALM\\INSTALL.EXE\" \"D:\\Maps.prc D:\\Routes.prc D:\\QM_Streets.pdb\"";
    EXPECT_EQ(r.commandLines[0].line, ce);
    EXPECT_EQ(r.commandLines[0].length, ce.size());
    EXPECT_EQ(r.commandLines[1].line, palm);
    EXPECT_TRUE(r.commandLines[0].fits && r.commandLines[1].fits);
    EXPECT_EQ(Findings(r), std::vector<std::string>{});
    EXPECT_EQ(r.notes, (std::vector<std::string>{"the fake's order",
                                                 "cabinets are read whole by " +
                                                     check::CabinetLibraryName()}));

    // A folder deep in a Downloads path: the line uses it as given, with a
    // note that setup.exe uses the short form.
    const check::Report deep = Check(Clean(), "C:\\Users\\A Long Name\\Maps 2.1");
    EXPECT_EQ(deep.at, "C:\\Users\\A Long Name\\Maps 2.1\\");
    EXPECT_EQ(deep.commandLines.at(1).line,
              "\"C:\\PALM\\INSTALL.EXE\" \"C:\\Users\\A Long Name\\Maps 2.1\\Maps.prc "
              "C:\\Users\\A Long Name\\Maps 2.1\\QM_Streets.pdb\"");
    EXPECT_EQ(deep.notes.size(), 3u);
    EXPECT_EQ(Check(Clean(), "C:\\USERS\\ALONGN~1\\MAPS21~1.1\\").notes.size(), 2u);
}

TEST(SetupCheck, EachFindingHasAFolderThatShowsItAndANearMissThatDoesNot) {
    const std::string utf8Name = "\xD0\x9A" "arta.prc";  // a Cyrillic letter: not in 1252
    const std::string utf16 = "\xFF\xFE" + Utf16("Description=x\r\n");
    const std::string bareUtf16 = Utf16("[CEAppManager]\r\nDescription = y\r\n");
    const std::string at200 = "D:\\" + std::string(200, 'd');
    const struct {
        const char* what;
        Folder shows;
        std::vector<std::string> findings;
        Folder nearMiss;  // added to a clean folder; gives nothing at all
        std::string at = "D:\\";
    } cases[] = {
        // setup.exe's reading of description files
        // "Description = " and 242 bytes: one past the 255 a piece holds.
        {"value cut by the 255-byte pieces",
         {{"Maps.ini", Ce("Maps", std::string(242, 'v'), "maps.cab")}},
         {"W line-split Maps.ini:5"},
         {{"Maps.ini", Ce("Maps", std::string(241, 'v'), "maps.cab") + "; " + std::string(400, 'c') + "\n"}}},
        {"a later piece counts as a line",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + std::string(250, 'x') +
                           "     Description = hidden\n"}},
         {"W line-split Maps.ini:7", "W rows-share-file Maps.ini:7"}, {}},
        {"key without =",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "Description: b\nDescription = c\n"}},
         {"W description-ends-early Maps.ini:7"},
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "Desc: b\nDescriptio = c\n"}}},
        {"a description file of the CE Application Manager without a row",
         {{"b.ini", "[CEAppManager]\r\nComponent = B\r\n[B]\r\nCabFiles = b.cab\r\n"}},
         {"W description-no-rows b.ini:0"},
         {{"desktop.ini", "[.ShellClassInfo]\r\nIconResource = maps.ico\r\n"}}},
        {"unreadable description file", {{"a.ini", kUnreadable}},
         {"E description-unreadable a.ini:0"}, {}},
        {"same row twice", {{"a.ini", "Description = Street Maps\n"}},
         {"W duplicate-row Maps.ini:5", "E ce-ini-invalid a.ini:0"},
         {{"b.ini", Ce("B", "Street Maps 2", "maps.cab")}}},
        {"empty row", {{"a.ini", "[CEAppManager]\nComponent = A\n[A]\nDescription =\nCabFiles = maps.cab\n"}},
         {"W empty-row a.ini:4"}, {}},
        {"Ctrl-Z before more lines",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "\x1A" "Description = b\r\n"}},
         {"W ctrl-z Maps.ini:7"},
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "\x1A"}}},
        {"lone CR", {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "; a\rb\n\r"}},
         {"W lone-cr Maps.ini:7"}, {}},
        {"UTF-16 with its mark", {{"u.ini", utf16}}, {"E description-encoding u.ini:0"},
         {{"desktop.ini", "\xFF\xFE" + Utf16("[.ShellClassInfo]\r\n")}}},
        {"UTF-16 without a mark", {{"u.ini", bareUtf16}}, {"E description-encoding u.ini:0"}, {}},
        {"a UTF-8 mark before line 1's row",
         {{"Maps.ini", "\xEF\xBB\xBF" "Description = Lost\r\n" + Ce("Maps", "Street Maps", "maps.cab")}},
         {"E description-encoding Maps.ini:1"},
         {{"Maps.ini", "\xEF\xBB\xBF; a comment\r\n" + Ce("Maps", "Street Maps", "maps.cab")}}},
        {"a UTF-8 mark hides the first section",
         {{"Maps.ini", "\xEF\xBB\xBF" + Ce("Maps", "Street Maps", "maps.cab")}},
         {"E description-encoding Maps.ini:1", "E ce-ini-invalid Maps.ini:0"}, {}},
        {"row text in UTF-8",
         {{"Maps.ini", Ce("Maps", "Gr\xC3\xB6\xC3\x9F" "e", "maps.cab")}},
         {"W row-text-utf8 Maps.ini:5"},
         {{"Maps.ini", Ce("Maps", "Gr\xF6\xDF" "e \x80", "maps.cab")}}},
        {"row text invalid in the code page",
         {{"Maps.ini", Ce("Maps", "a\x81", "maps.cab")}},
         {"W row-text-invalid Maps.ini:5"}, {}},
        // the CE Application Manager's reading and the cabinets
        {"no [CEAppManager]", {{"mapsconf.ini", "[Settings]\r\nDescription = default settings\r\n"}},
         {"E ce-ini-invalid mapsconf.ini:0"}, {}},
        {"no Component", {{"a.ini", "[CEAppManager]\r\n[A]\r\nDescription = A\r\nCabFiles = maps.cab\r\n"}},
         {"E ce-ini-invalid a.ini:1"}, {}},
        {"Component names no section",
         {{"a.ini", "[CEAppManager]\r\nComponent = Nowhere\r\n[A]\r\nDescription = A\r\nCabFiles = maps.cab\r\n"}},
         {"E ce-ini-invalid a.ini:2"},
         {{"Maps.ini", "[CEAppManager]\r\nComponent = \"maps\"\r\n[MAPS]\r\nDescription = Street Maps\r\nCabFiles = maps.cab\r\n"}}},
        {"no CabFiles",
         {{"a.ini", "[CEAppManager]\r\nComponent = A\r\n[A]\r\nDescription = A\r\n"}},
         {"E ce-ini-invalid a.ini:3"}, {}},
        {"two applications in one file",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab") + "[Routes]\r\nDescription = Routes\r\nCabFiles = maps.cab\r\n"}},
         {"E ce-row-outside-component Maps.ini:8", "W rows-share-file Maps.ini:8"},
         {{"Routes.ini", Ce("Routes", "Routes", "maps.cab")}}},
        {"a row before any section",
         {{"Maps.ini", "Description = Early\r\n" + Ce("Maps", "Street Maps", "maps.cab")}},
         {"E ce-row-outside-component Maps.ini:1", "W rows-share-file Maps.ini:6"}, {}},
        {"a cabinet that is not there",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, extra.cab")}},
         {"E cab-missing Maps.ini:6"},
         {{"Maps.ini", Ce("Maps", "Street Maps", " MAPS.CAB , cabs\\Extra.cab")},
          {"cabs", "", true}, {"cabs\\extra.CAB", Cab(0, "", 0, For(4000))}}},
        {"cabinets outside the folder",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, ..\\maps.cab, C:\\Temp\\maps.cab")}},
         {"E cab-missing Maps.ini:6", "E cab-missing Maps.ini:6"},
         // Where the end user has the folder is the folder.
         {{"Maps.ini", Ce("Maps", "Street Maps", "D:\\MAPS.CAB, cabs\\..\\.\\maps.cab")}}},
        {"a folder named as the cabinet",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab,x.cab")}, {"x.cab", "", true}},
         {"E cab-missing Maps.ini:6"}, {}},
        {"a cabinet that is no cabinet", {{"maps.cab", "PK\x03\x04"}},
         {"E cab-damaged maps.cab:0"}, {}},
        {"a cabinet cut short", {{"maps.cab", Cab(0, "", 5000)}}, {"E cab-damaged maps.cab:0"},
         // A signed cabinet is longer than its stated size.
         {{"maps.cab", Cab(0x0004, std::string("\x08\0\0\0", 4) + std::string(8, 's')) + "signature"}}},
        {"a cabinet whose header ends early", {{"maps.cab", Cab().substr(0, 30)}},
         {"E cab-damaged maps.cab:0"}, {}},
        {"a cabinet set whose next cabinet is missing",
         {{"maps.cab", Cab(0x0002, std::string("maps2.cab\0Disk 2\0", 17))}},
         {"E cab-damaged maps.cab:0"},
         {{"maps.cab", Cab(0x0002, std::string("maps2.cab\0Disk 2\0", 17))},
          {"MAPS2.CAB", Cab(0x0001, std::string("maps.cab\0Disk 1\0", 16))}}},
        {"a cabinet set whose next cabinet is damaged",
         {{"maps.cab", Cab(0x0002, std::string("maps2.cab\0Disk 2\0", 17))}, {"maps2.cab", "MSCF"}},
         {"E cab-damaged maps2.cab:0"}, {}},
        {"a cabinet that names itself as the next one",
         {{"maps.cab", Cab(0x0002, std::string("maps.cab\0Disk 1\0", 16))}},
         {"E cab-damaged maps.cab:0"}, {}},
        {"a file in a folder the cabinet lacks", {{"maps.cab", Patched(Cab(), 52, Little(5, 2))}},
         {"E cab-damaged maps.cab:0"}, {}},
        {"a cabinet without a CE setup file", {{"maps.cab", Cab(0, "", 0, {{"A.001", "x"}})}},
         {"E cab-no-setup-file maps.cab:0"},
         {{"maps.cab", Cab(0, "", 0, {{"A.001", "x"}, {"A.000", CeSetup().Bytes()}})}}},
        // The installer finds its setup XML by name without regard to case.
        {"a cabinet with neither setup file", {{"maps.cab", XmlCab("Street Maps", "MAPS~1.001", "setup.xml")}},
         {"E cab-no-setup-file maps.cab:0"},
         {{"maps.cab", XmlCab("Street Maps", "MAPS~1.001", "_SETUP.XML")}}},
        {"a setup XML extracting a file its cabinet lacks", {{"maps.cab", XmlCab("Street Maps", "MAPS~1.002")}},
         {"E cab-setup-damaged maps.cab:0"},
         {{"maps.cab", XmlCab("Street Maps", "maps~1.001")}}},
        {"a setup XML of no application", {{"maps.cab", XmlCab(" ")}},
         {"E cab-setup-damaged maps.cab:0"}, {}},
        {"CE setup files cut short or naming a file their cabinet lacks",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, mips.cab")},
          {"maps.cab", Cab(0, "", 0, {{"A.000", CeSetup().Bytes().substr(0, 99)}})},
          {"mips.cab", Cab(0, "", 0, For(4000, {1, 2}))}},
         {"E cab-setup-damaged maps.cab:0", "E cab-setup-damaged mips.cab:0"},
         // Files are named by their extension alone.
         {{"maps.cab", Cab(0, "", 0, {{"A.000", CeSetup().Bytes()}, {"OTHER.001", "b"}})}}},
        {"two cabinets for one processor and overlapping versions",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, maps2.cab")}, {"maps2.cab", Cab()}},
         {"W cab-same-target Maps.ini:6"},
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, mips.cab")},
          {"mips.cab", Cab(0, "", 0, For(4000))}}},
        {"cabinets of one application naming another",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, mips.cab")},
          {"mips.cab", Cab(0, "", 0, For(4000, {1}, "Old Maps"))}},
         {"W cab-names-differ Maps.ini:6"}, {}},
        // A setup XML names no provider and states no processor: two of them
        // are no same target, and their application is all there is to compare.
        {"a setup XML's cabinet naming another application",
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, wm.cab")}, {"wm.cab", XmlCab("Old Maps")}},
         {"W cab-names-differ Maps.ini:6"},
         {{"Maps.ini", Ce("Maps", "Street Maps", "maps.cab, wm.cab, sp.cab")},
          {"wm.cab", XmlCab("Street Maps")}, {"sp.cab", XmlCab("Street Maps")}}},
        // Palm databases
        {"an app-info block inside the header",
         {{"QM_Info.pdb", Patched(Pdb("Info"), 0x34, Big(40, 4))}},
         {"E palm-invalid QM_Info.pdb:0"},
         {{"QM_Info.pdb", Patched(Pdb("Info"), 0x34, Big(86, 4))}}},
        {"a database setup.exe does not take", {{"Notes.pdb", Pdb("Notes")}},
         {"W palm-not-listed Notes.pdb:0"}, {{"notes.pdb", "plain text"}}},
        {"an empty application", {{"Empty.prc", ""}}, {"E empty-file Empty.prc:0"},
         {{"Full.prc", Prc("Full")}}},
        {"an application shorter than its header",
         {{"Tiny.prc", Prc("Tiny").substr(0, 40)}}, {"E palm-invalid Tiny.prc:0"}, {}},
        {"a record list cut short", {{"Cut.prc", Prc("Cut").substr(0, 80)}},
         {"E palm-invalid Cut.prc:0"},
         // A resource of no bytes at the very end is whole.
         {{"Zero.prc", Prc("Zero").substr(0, 88)}}},
        {"an entry past the end",
         {{"Past.prc", Prc("Past").substr(0, 84) + Big(500, 4) + "body"}},
         {"E palm-invalid Past.prc:0"}, {}},
        {"an unterminated name", {{"QM_Name.pdb", std::string(32, 'n') + Pdb("x").substr(32)}},
         {"E palm-invalid QM_Name.pdb:0"}, {}},
        {"a database renamed .prc", {{"Record.prc", Pdb("Record")}}, {"E palm-invalid Record.prc:0"},
         {{"QM_Record.pdb", Pdb("Record")}}},
        {"an application renamed .pdb", {{"QM_App.pdb", Prc("App")}},
         {"W palm-renamed-application QM_App.pdb:0"}, {}},
        {"two Palm files of one database name",
         {{"Maps2.prc", Prc("Quillmere Maps")}}, {"E palm-duplicate-name Maps.prc:0"},
         {{"Maps2.prc", Prc("Quillmere Maps 2")}}},
        {"a database of no application here", {{"QM_Other.pdb", Pdb("Other", "Othr")}},
         {"W palm-orphan-database QM_Other.pdb:0"}, {}},
        {"a blank in a Palm file's name", {{"Route Planner.prc", Prc("Routes")}},
         {"W palm-name-space Route Planner.prc:0"},
         {{"Route_Planner.prc", Prc("Routes")}}},
        {"an unreadable application", {{"Locked.prc", kUnreadable}},
         {"E file-unreadable Locked.prc:0"}, {}},
        // names
        {"names that match only through their alias",
         {{"notes.prcx", "x"}, {"a.prc_old", "x"}, {"old.inib", "Description = x\n"},
          {"QM_x.pdbx", "x"}, {"x.pdbx", "x"}, {".prcx", "x"}},
         {"W alias-match QM_x.pdbx:0", "W alias-match a.prc_old:0", "W alias-match notes.prcx:0",
          "W alias-match old.inib:0"},
         {{"notes.txt", "x"}}},
        {"folder with a component's name", {{"x.prc", "", true}}, {"W folder-match x.prc:0"},
         {{"cabs", "", true}}},
        {"name the code page cannot show", {{utf8Name, Prc("Karta")}},
         {"W name-codepage " + utf8Name + ":0"},
         {{"Kart\xC3\xA9.prc", Prc("Karte")}}},
        {"name that is not valid UTF-8", {{"\xFF.prc", Prc("FF")}}, {"W name-invalid \\xFF.prc:0"}, {}},
        {"names that differ only in case",
         {{"Maps.prc", Prc("Quillmere Maps")}, {"maps.PRC", Prc("Other Maps")}},
         {"W case-clash maps.PRC:0"}, {}},
        // paths at the end user's
        {"a folder path of 260 characters", {}, {"E path-too-long :0"}, {},
         "D:\\" + std::string(256, 'd')},
        // A long cabinet name would reach the limit too: setup.exe's is the one finding.
        {"setup.exe's own path of 260 characters",
         {{"Maps.ini", Ce("Maps", "Street Maps", "streetmaps.cab")}, {"streetmaps.cab", Cab()}},
         {"E path-too-long setup.exe:0"}, {}, "D:\\" + std::string(247, 'd')},
        // One short of each limit: the next limit is what is reached.
        {"a folder path of 259 characters", {}, {"E path-too-long setup.exe:0"}, {},
         "D:\\" + std::string(255, 'd')},
        {"setup.exe's own path of 259 characters", {}, {"E path-too-long QM_Streets.pdb:0"}, {},
         "D:\\" + std::string(246, 'd')},
        {"a component's path of 260 characters",
         {{std::string(52, 'm') + ".prc", Prc("Long")}},
         {"E path-too-long " + std::string(52, 'm') + ".prc:0"},
         {{std::string(51, 'm') + ".prc", Prc("Long")}}, at200},
    };
    // The clean folder's own paths at the longest --at above stay short.
    EXPECT_EQ(Findings(Check(Clean(), at200)), std::vector<std::string>{});
    // Every rule of the table has its case here (the last two have tests of
    // their own), with the table's severity.
    std::set<std::string> shown = {"E nothing-to-install", "E command-line-too-long"}, table;
    for (const auto& c : cases)
        for (const std::string& f : c.findings) shown.insert(f.substr(0, f.find(' ', 2)));
    for (const check::Rule* rule : check::kRules)
        table.insert(std::string(rule->severity == check::Severity::Error ? "E " : "W ") +
                     rule->code);
    EXPECT_EQ(shown, table);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Folder shows = c.shows, nearMiss = c.nearMiss;
        std::vector<std::string> expected = c.findings;
        std::sort(expected.begin(), expected.end());
        // Replaced where a case names a file of the clean folder.
        auto withClean = [](const Folder& mine) {
            Folder all = mine;
            for (const Entry& e : Clean())
                if (std::none_of(mine.begin(), mine.end(), [&](const Entry& m) { return m.name == e.name; }))
                    all.push_back(e);
            return all;
        };
        EXPECT_EQ(Findings(Check(withClean(shows), c.at)), expected);
        if (!nearMiss.empty()) {
            EXPECT_EQ(Findings(Check(withClean(nearMiss), c.at)), std::vector<std::string>{});
        }
    }
    EXPECT_EQ(Findings(Check({{"readme.txt", "x"}})), std::vector<std::string>{"E nothing-to-install :0"});
}

TEST(SetupCheck, CommandLineLimitIsSetupsOwnAndNamesTheToolLeftOut) {
    // 100 rows of one description file at a 200-character folder; the
    // manager's path makes the line exactly 32,766 characters.
    std::string file = "[CEAppManager]\nComponent = A\n[A]\nCabFiles = maps.cab\n";
    for (int i = 0; i < 100; ++i) file += "Description = Part " + std::to_string(i) + "\n";
    const std::string at = "D:\\" + std::string(196, 'a') + "\\";
    for (const std::size_t manager : {11964u, 11965u}) {
        FakeHost host({{"a.ini", file}, {"maps.cab", Cab()}});
        check::Request request;
        request.folder = kDir;
        request.at = at;
        request.ceManager = std::string(manager, 'm');
        const check::Report r = check::CheckFolder(host, request);
        ASSERT_EQ(r.commandLines.size(), 1u);
        EXPECT_EQ(r.commandLines[0].length, 32766u + (manager - 11964u));
        EXPECT_EQ(r.commandLines[0].fits, manager == 11964u);
        EXPECT_EQ(r.Count(check::Severity::Error), manager == 11964u ? 0 : 1);
        if (manager == 11965u) {
            EXPECT_NE(r.findings[0].reason.find("CE Application Manager's command line"),
                      std::string::npos);
        }
    }
    // Too many Palm files: the CE line still fits, and the reason says so.
    Folder many = Clean();
    for (int i = 0; i < 200; ++i)
        many.push_back({"Application_" + std::to_string(i) + std::string(150, 'p') + ".prc",
                        Prc("App " + std::to_string(i))});
    const check::Report r = Check(many, "D:\\");
    ASSERT_EQ(r.commandLines.size(), 2u);
    EXPECT_TRUE(r.commandLines[0].fits);
    EXPECT_FALSE(r.commandLines[1].fits);
    const auto tooLong = std::find_if(r.findings.begin(), r.findings.end(),
                                      [](const check::Finding& f) { return f.rule == &check::rules::kCommandLineTooLong; });
    ASSERT_NE(tooLong, r.findings.end());
    EXPECT_NE(tooLong->reason.find("Palm install tool's command line"), std::string::npos);
    EXPECT_NE(tooLong->reason.find("CE Application Manager still runs"), std::string::npos);
}

// The command line's options over the build's folder of mistakes: one row
// each, with what the output must and must not hold.
TEST(SetupCheck, OptionsListFilterAndFormatTheFindings) {
    const std::string mistakes = std::string(SETUP_FOLDERS) + "/Mistakes";
    std::ifstream readme(std::string(SOURCE_DIR) + "/README.md");
    const std::string guide((std::istreambuf_iterator<char>(readme)),
                            std::istreambuf_iterator<char>());
    auto run = [](const std::vector<std::string>& args, std::string& out, std::string& err) {
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        return check::RunCheck(static_cast<int>(argv.size()), argv.data(), out, err);
    };
    std::string all, unused;
    ASSERT_EQ(run({mistakes}, all, unused), 1);
    const std::size_t counts = all.find("Findings: ");
    const int errors = std::atoi(all.c_str() + counts + 10);
    const std::string warnings = all.substr(all.find(", ", counts), all.find(" warning(s)", counts) -
                                                                        all.find(", ", counts));
    const struct {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> has, hasNot;
    } rows[] = {
        // The vendor's guide shows the table as --list-rules prints it.
        {{"--list-rules"}, 0,
         {"| `cab-damaged` | a cabinet that cannot be read whole", "Warnings: probably not"}, {}},
        // Every error ignored: the run passes, and the text says what it left out.
        {{"--ignore",
          "ce-row-outside-component,cab-missing,ce-ini-invalid,cab-damaged,description-encoding",
          "--ignore", "empty-file,palm-invalid,palm-duplicate-name",
          "--ignore", "cab-no-setup-file,cab-setup-damaged", mistakes},
         0,
         {"Findings: 0 error(s)" + warnings + " warning(s), " + std::to_string(errors) +
              " ignored (--ignore)\n",
          "warning line-split"},
         {"error "}},
        {{"--format", "json", mistakes}, 1, {"\"errors\": " + std::to_string(errors) + ",\n"}, {}},
        {{"--severity", "error", mistakes}, 1,
         {"error cab-missing", " warning(s) not shown (--severity error)"}, {"warning "}},
        {{"--severity", "warning", "--ignore", "alias-match", mistakes}, 1,
         {"warning folder-match", "error cab-missing"}, {"alias-match"}},
        {{"--format", "sarif", "--severity", "error", mistakes}, 1,
         {"\"version\": \"2.1.0\"", "\"ruleId\": \"cab-missing\"", "\"level\": \"error\""},
         {"\"ruleId\": \"alias-match\""}},
        {{"--ignore", "cab-missing,no-such-code", mistakes}, 2, {}, {}},
        {{"--ignore", "", mistakes}, 2, {}, {}},
        {{"--severity", "note", mistakes}, 2, {}, {}},
        {{"--format", "xml", mistakes}, 2, {}, {}},
    };
    for (const auto& row : rows) {
        std::string out, err;
        const int status = run(row.args, out, err);
        SCOPED_TRACE(row.args.front() + " " + row.args[1 % row.args.size()]);
        EXPECT_EQ(status, row.status) << err;
        for (const std::string& part : row.has)
            EXPECT_NE(out.find(part), std::string::npos) << part;
        for (const std::string& part : row.hasNot)
            EXPECT_EQ(out.find(part), std::string::npos) << part;
        if (row.status == 2) {
            EXPECT_NE(err.find("usage: setup-check"), std::string::npos);
        }
        if (row.args.front() == "--list-rules") {
            EXPECT_NE(guide.find(out), std::string::npos)
                << "README.md's tables of codes are not what setup-check --list-rules prints";
        }
    }
}

}  // namespace
