#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "catalogue/Discovery.h"
#include "fakes/FakeSystem.h"

namespace {

const std::string kLongDir = "C:\\Program Files\\Setup Dir\\";
const std::string kDir = "C:\\PROGRA~1\\SETUPD~1\\";

// Logs each list operation with the catalogue size at that moment, so the
// log shows whether rows and entries move in step.
struct RecordingSink : ComponentRowSink {
    const ComponentCatalogue& catalogue;
    std::set<std::string> refused;
    std::vector<std::string> log;
    explicit RecordingSink(const ComponentCatalogue& c) : catalogue(c) {}
    void Log(std::string what, int index, const std::string& text = "") {
        log.push_back(what + " " + std::to_string(index) + text + " @" + std::to_string(catalogue.Count()));
    }
    bool InsertRow(int index, const std::string& text) override {
        Log("insert", index, " " + text);
        return refused.count(text) == 0;
    }
    void SetRowChecked(int index) override { Log("check", index); }
    int MeasureTextWidth(const std::string& text) override { return static_cast<int>(text.size()); }
};

struct DiscoveryTest : ::testing::Test {
    fakes::FakeSystem fs;
    ComponentCatalogue catalogue;
    RecordingSink sink{catalogue};
    void SetUp() override {
        fs.shortPaths[kLongDir] = kDir;
        const uint32_t dir = platform::kAttributeDirectory;
        // Decoys: directories, and names that match only through an 8.3 alias.
        // Each has a description file so that reading it would show.
        fs.searches[kDir + "*.ini"] = {{"Beta.ini", 0}, {"sub.ini", dir}, {"old.inib", 0},
                                       {"Alpha.INI", 0x20}};
        fs.searches[kDir + "*.prc"] = {{"MAPS.PRC", 0}, {"notes.prcx", 0}, {"x.prc", dir},
                                       {".prc", 0}};
        fs.searches[kDir + "QM_*.pdb"] = {{"qm_streets.PDB", 0}, {"QM_x.pdbx", 0},
                                          {"QM_d.pdb", dir}, {"QM_.pdb", 0}};
        fs.files[kDir + "Beta.ini"] = "Description=Beta One\nDescription=Beta Two\n";
        fs.files[kDir + "Alpha.INI"] = "Description = Alpha\n";
        fs.files[kDir + "sub.ini"] = fs.files[kDir + "old.inib"] = "Description=Decoy\n";
    }
};

TEST_F(DiscoveryTest, ListsKindsInOrderWithRowsAndEntriesInStep) {
    EXPECT_EQ(DiscoverComponents(fs, sink, catalogue), 16);  // "MAPS application"
    EXPECT_EQ(fs.searchPatterns,
              (std::vector<std::string>{kDir + "*.ini", kDir + "*.prc", kDir + "QM_*.pdb"}));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Beta One", "Beta.ini"},         {"Beta Two", "Beta.ini"}, {"Alpha", "Alpha.INI"},
        {"MAPS application", "MAPS.PRC"}, {" application", ".prc"},
        {"streets database", "qm_streets.PDB"}, {" database", "QM_.pdb"}};
    ASSERT_EQ(catalogue.Count(), expected.size());
    std::vector<std::string> log;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(catalogue.At(i).DisplayName, expected[i].first);
        EXPECT_EQ(catalogue.At(i).FullPath, kDir + expected[i].second);
        const std::string n = std::to_string(i);
        log.push_back("insert " + n + " " + expected[i].first + " @" + n);
        log.push_back("check " + n + " @" + std::to_string(i + 1));
    }
    EXPECT_EQ(sink.log, log);
}

TEST_F(DiscoveryTest, RefusedRowGetsNoEntryAndTakesNoIndex) {
    sink.refused = {"Beta Two", "MAPS application"};
    DiscoverComponents(fs, sink, catalogue);
    std::vector<std::string> names;
    for (const ComponentRecord& r : catalogue) names.push_back(r.DisplayName);
    EXPECT_EQ(names, (std::vector<std::string>{"Beta One", "Alpha", " application",
                                               "streets database", " database"}));
    const std::vector<std::string> head = {"insert 0 Beta One @0", "check 0 @1",
                                           "insert 1 Beta Two @1", "insert 1 Alpha @1",
                                           "check 1 @2", "insert 2 MAPS application @2",
                                           "insert 2  application @2", "check 2 @3"};
    ASSERT_GE(sink.log.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(sink.log.begin(), sink.log.begin() + 8), head);
}

TEST_F(DiscoveryTest, SetupDirectoryFailuresSearchNothing) {
    const std::string longName = "C:\\" + std::string(270, 'a') + "\\setup.exe";
    const std::string fits259 = "C:\\" + std::string(246, 'a') + "\\setup.exe";
    const std::string cut260 = "C:\\" + std::string(247, 'a') + "\\setup.exe";
    struct Case {
        const char* name; std::function<void(fakes::FakeSystem&)> arrange; bool ok;
    } cases[] = {
        {"module name fails", [](auto& f) { f.modulePath.clear(); }, false},
        // Its folder has a short form: only the length refuses it.
        {"module name of 260 is cut",
         [&](auto& f) { f.modulePath = cut260; f.shortPaths[cut260.substr(0, 251)] = "C:\\A\\"; },
         false},
        {"module name of 259 fits, nothing found",
         [&](auto& f) { f.modulePath = fits259; f.shortPaths[fits259.substr(0, 250)] = "C:\\A\\"; },
         true},
        {"full path fails", [](auto& f) { f.fullPaths[f.modulePath] = ""; }, false},
        {"full path too long", [&](auto& f) { f.fullPaths[f.modulePath] = longName; }, false},
        {"full path has no file part", [](auto& f) { f.fullPaths[f.modulePath] = "C:\\x\\"; },
         false},
        {"short path fails", [](auto& f) { f.shortPaths.clear(); }, false},
        {"short path of 259 fits",
         [](auto& f) { f.shortPaths[kLongDir] = "C:\\" + std::string(255, 'b') + "\\"; }, true},
        {"short path of 260",
         [](auto& f) { f.shortPaths[kLongDir] = "C:\\" + std::string(256, 'b') + "\\"; }, false},
        {"short path without backslash", [](auto& f) { f.shortPaths[kLongDir] = "C:\\S"; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem f;
        f.shortPaths[kLongDir] = kDir;
        c.arrange(f);
        std::string dir = "stale";
        EXPECT_EQ(GetSetupDirectory(f, dir), c.ok);
        EXPECT_EQ(dir.empty(), !c.ok);
        ComponentCatalogue cat;
        RecordingSink rows(cat);
        EXPECT_EQ(DiscoverComponents(f, rows, cat), 0);
        EXPECT_TRUE(rows.log.empty());
        EXPECT_EQ(f.searchPatterns.size(), c.ok ? 3u : 0u);
    }
}

// A folder "Установка Карты": its narrow path is question marks, its short
// form is held by the code page.
const std::u16string kCyrillicDir =
    u"C:\\\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430 \u041a\u0430\u0440\u0442\u044b\\";
const std::string kQuestionDir = "C:\\????????? ?????\\";

struct SetupDirectoryTest : ::testing::Test {
    fakes::FakeSystem fs;
    void SetUp() override {
        fs.wideModulePath = kCyrillicDir + u"setup.exe";
        fs.modulePath = kQuestionDir + "setup.exe";
        // Where the narrow route would lead; it must not be taken.
        fs.shortPaths[kQuestionDir] = "C:\\NARROW~1\\";
        fs.wideShortPaths[kCyrillicDir] = u"C:\\____~1ET\\";
    }
};

TEST_F(SetupDirectoryTest, ExactNarrowPathIsUsedAsEver) {
    // Latin-1 letters: the fake's code page holds them.
    fs.wideModulePath = u"C:\\Setup Gr\u00fc\u00dfe\\setup.exe";
    fs.modulePath = "C:\\Setup Gr\xFC\xDF" "e\\setup.exe";
    fs.shortPaths["C:\\Setup Gr\xFC\xDF" "e\\"] = "C:\\SETUPG~1\\";
    fs.wideShortPaths[u"C:\\Setup Gr\u00fc\u00dfe\\"] = u"C:\\WIDE~1\\";
    std::string dir;
    EXPECT_TRUE(GetSetupDirectory(fs, dir));
    EXPECT_EQ(dir, "C:\\SETUPG~1\\");
    EXPECT_TRUE(fs.wideShortQueries.empty());
    // Without a whole wide path to compare with (none, or one of 260 units,
    // cut), the narrow one is taken as well, whatever the cut one holds.
    for (const std::u16string& wide :
         {std::u16string(), u"C:\\\u041a" + std::u16string(246, u'a') + u"\\setup.exe"}) {
        fs.wideModulePath = wide;
        EXPECT_TRUE(GetSetupDirectory(fs, dir));
        EXPECT_EQ(dir, "C:\\SETUPG~1\\");
    }
}

TEST_F(SetupDirectoryTest, InexactNarrowPathGivesWayToWideShortForm) {
    const std::string dir = "C:\\____~1ET\\";
    fs.searches[dir + "*.ini"] = {{"Karte.ini", 0}};
    fs.searches[dir + "*.prc"] = {{"Maps.prc", 0}};
    fs.searches[dir + "QM_*.pdb"] = {{"QM_Streets.pdb", 0}};
    fs.files[dir + "Karte.ini"] = "Description = Stra\xDF" "enkarte\r\n";
    ComponentCatalogue catalogue;
    RecordingSink sink(catalogue);
    DiscoverComponents(fs, sink, catalogue);
    EXPECT_EQ(fs.wideShortQueries, std::vector<std::u16string>{kCyrillicDir});
    EXPECT_EQ(fs.searchPatterns,
              (std::vector<std::string>{dir + "*.ini", dir + "*.prc", dir + "QM_*.pdb"}));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Stra\xDF" "enkarte", "Karte.ini"},
        {"Maps application", "Maps.prc"},
        {"Streets database", "QM_Streets.pdb"}};
    ASSERT_EQ(catalogue.Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(catalogue.At(i).DisplayName, expected[i].first);
        EXPECT_EQ(catalogue.At(i).FullPath, dir + expected[i].second);
    }
    // The longest whole module path, 259 units, is compared and gives way too.
    const std::u16string folder259 = u"C:\\\u041a" + std::u16string(245, u'a') + u"\\";
    fs.wideModulePath = folder259 + u"setup.exe";
    fs.wideShortPaths[folder259] = u"C:\\K~1\\";
    std::string dir259;
    EXPECT_TRUE(GetSetupDirectory(fs, dir259));
    EXPECT_EQ(dir259, "C:\\K~1\\");
    fs.wideModulePath = kCyrillicDir + u"setup.exe";
    // The longest short form that fits the buffer with its terminator.
    const std::u16string longest = u"C:\\" + std::u16string(255, u'B') + u"\\";
    fs.wideShortPaths[kCyrillicDir] = longest;
    std::string longestDir;
    EXPECT_TRUE(GetSetupDirectory(fs, longestDir));
    EXPECT_EQ(longestDir, "C:\\" + std::string(255, 'B') + "\\");
}

TEST_F(SetupDirectoryTest, NoExactShortFormListsNothing) {
    const std::pair<const char*, std::function<void(fakes::FakeSystem&)>> cases[] = {
        // Short names switched off: the short form is the long one.
        {"short names off", [](auto& f) { f.wideShortPaths[kCyrillicDir] = kCyrillicDir; }},
        {"short form fails", [](auto& f) { f.wideShortPaths.clear(); }},
        {"short form of 260 units",  // no room for the terminator
         [](auto& f) { f.wideShortPaths[kCyrillicDir] = u"C:\\" + std::u16string(256, u'B') + u"\\"; }},
        {"short form without backslash",
         [](auto& f) { f.wideShortPaths[kCyrillicDir] = u"C:\\____~1ET"; }},
        {"module path without folder",
         [](auto& f) { f.wideModulePath = u"\u0423setup.exe"; }},
        {"module path ends in backslash",
         [](auto& f) { f.wideModulePath = kCyrillicDir; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        fakes::FakeSystem f;
        f.wideModulePath = fs.wideModulePath;
        f.modulePath = fs.modulePath;
        f.shortPaths = fs.shortPaths;
        f.wideShortPaths = fs.wideShortPaths;
        c.second(f);
        std::string dir = "stale";
        EXPECT_FALSE(GetSetupDirectory(f, dir));
        EXPECT_EQ(dir, "");
        ComponentCatalogue cat;
        RecordingSink rows(cat);
        EXPECT_EQ(DiscoverComponents(f, rows, cat), 0);
        EXPECT_TRUE(rows.log.empty());
        EXPECT_TRUE(f.searchPatterns.empty());
    }
}

TEST(DescriptionFile, ValuesFollowLineRules) {
    const std::string v243(243, 'v');
    struct Case {
        const char* name; std::string content; std::vector<std::string> values;
    } cases[] = {
        {"key in any case", "description=a\nDESCRIPTION=b\nDeScRiPtIoN=c", {"a", "b", "c"}},
        {"blanks skipped around key and =", " \t\v\f\rDescription \t\v\f\r= \t\v\f\rvalue\n",
         {"value"}},
        {"trailing blanks kept", "Description=value \t \n", {"value \t "}},
        {"empty value kept", "Description=\nDescription=x\n", {"", "x"}},
        {"= quotes and ; kept", "Description=a=b\nDescription=\"q\" ;c\n", {"a=b", "\"q\" ;c"}},
        {"longer key ends file", "Description=a\nDescriptionText=x\nDescription=b\n", {"a"}},
        {"colon ends file", "Description=a\nDescription: x\nDescription=b\n", {"a"}},
        {"key alone ends file", "Description=a\nDescription\nDescription=b\n", {"a"}},
        {"other lines ignored", "; Description=x\nName=Description=y\n[Description]\nDescription=z",
         {"z"}},
        {"a piece read as a line",
         std::string(255, 'x') + " Description=second\nDescription=" + v243 +
             "  Description = tail\n",
         {"second", v243, "tail"}},
        {"CR LF and lone CR", "Description=a\r\nDescription=b\rc\r\n", {"a", "b\rc"}},
        {"Ctrl-Z ends file", "Description=a\nDescription=b\x1A\nDescription=c\n", {"a", "b"}},
        {"high bytes are not blanks", "\xA0" "Description=a\n\x85" "Description=b\n"
                                      "Description=\xA0x\x85\n", {"\xA0x\x85"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem fs;
        fs.files["C:\\S\\a.ini"] = c.content;
        EXPECT_EQ(ReadDescriptionLines(fs, "C:\\S\\a.ini"), c.values);
    }
    fakes::FakeSystem fs;
    EXPECT_TRUE(ReadDescriptionLines(fs, "C:\\S\\missing.ini").empty());
}

// Hears the length of each piece.
struct PieceLengths : DescriptionListener {
    std::vector<std::size_t> lengths;
    void Opened(const std::string&, bool) override {}
    void Piece(const char* piece, DescriptionLine) override {
        lengths.push_back(std::strlen(piece));
    }
};

TEST(DescriptionFile, PiecesEndAfter255Bytes) {
    const std::string key = "Description=", next = "\nDescription=next\n";  // next: 17 bytes
    const std::string blanks244(244, ' ');
    struct Case {
        const char* name; std::string content; std::vector<std::size_t> pieces;
        std::vector<std::string> values;
    } cases[] = {
        {"line of 254 bytes and its LF: one piece", key + std::string(242, 'v') + next, {255, 17},
         {std::string(242, 'v'), "next"}},
        {"line of 255 bytes: its LF a piece alone", key + std::string(243, 'v') + next,
         {255, 1, 17}, {std::string(243, 'v'), "next"}},
        {"line of 256 bytes: its last byte and LF a piece", key + std::string(244, 'v') + next,
         {255, 2, 17}, {std::string(243, 'v'), "next"}},
        // The key ends the first piece and its "=" starts the second: the key
        // alone, which ends the file.
        {"key at the end of a piece", blanks244 + "Description=value" + next, {255}, {}},
        {"key cut by the end of a piece", blanks244 + " Description=value" + next, {255, 8, 17},
         {"next"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem fs;
        fs.files["C:\\S\\a.ini"] = c.content;
        PieceLengths heard;
        EXPECT_EQ(ReadDescriptionLines(fs, "C:\\S\\a.ini", &heard), c.values);
        EXPECT_EQ(heard.lengths, c.pieces);
    }
}

}  // namespace
