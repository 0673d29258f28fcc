#include <gtest/gtest.h>

#include <functional>

#include "about/VersionInfo.h"
#include "fakes/FakeSystem.h"

namespace {

using Text = std::string VersionInfoRecord::*;
#define TEXT(name) {#name, &VersionInfoRecord::name}
const std::pair<const char*, Text> kTexts[] = {
    TEXT(FileVersion),    TEXT(ProductVersion),   TEXT(CompanyName), TEXT(FileDescription),
    TEXT(InternalName),   TEXT(LegalCopyright),   TEXT(OriginalFilename), TEXT(ProductName),
    TEXT(Comments),       TEXT(LegalTrademarks),  TEXT(PrivateBuild), TEXT(SpecialBuild)};
#undef TEXT

// A VS_FIXEDFILEINFO: signature, structure version, then the four version words.
std::string Fixed(uint32_t signature, uint32_t fileMs, uint32_t fileLs, uint32_t productMs,
                  uint32_t productLs, std::size_t size = 52) {
    std::string b(size, '\0');
    const uint32_t words[] = {signature, 0x10000, fileMs, fileLs, productMs, productLs};
    for (std::size_t w = 0; w < 6; ++w)
        for (std::size_t i = 0; i < 4 && 4 * w + i < size; ++i)
            b[4 * w + i] = static_cast<char>(words[w] >> (8 * i));
    return b;
}

struct VersionInfoTest : ::testing::Test {
    fakes::FakeSystem fs;
    VersionInfoReader reader{fs, 1200, 1033};
    VersionInfoRecord record;
    void SetUp() override {
        fs.versionSize = 4000;
        fs.versionValues["\\"] = Fixed(0xFEEF04BD, 0x00010002, 0x00030004, 0x00050006, 0x00070008);
        // Terminated, as the system reports texts; the length counts the NUL.
        for (const auto& t : kTexts)
            fs.versionValues[std::string("\\StringFileInfo\\040904b0\\") + t.first] =
                std::string("v-") + t.first + '\0';
        fs.versionValues["\\VarFileInfo\\Translation"] = "\x07\x04\xb0\x04";
    }
    void ExpectParts(std::vector<uint16_t> file, std::vector<uint16_t> product) {
        EXPECT_EQ(std::vector<uint16_t>(record.fileVersionParts, record.fileVersionParts + 4), file);
        EXPECT_EQ(std::vector<uint16_t>(record.productVersionParts, record.productVersionParts + 4),
                  product);
    }
};

TEST_F(VersionInfoTest, ReadsPartsAndTheReadersStringTable) {
    const std::string prefix = "\\StringFileInfo\\040904b0\\";
    // The texts fill a buffer of 256 with the terminator: 255 bytes at most.
    fs.versionValues[prefix + "CompanyName"] = std::string(255, 'c') + '\0';
    fs.versionValues[prefix + "Comments"] = std::string(256, 'm') + '\0';
    fs.versionValues[prefix + "PrivateBuild"] = std::string(1, '\0');
    fs.versionValues[prefix + "SpecialBuild"] = "";
    // Without a terminator the stated length ends the text: it may fill the
    // length, and the bytes past it are not the text's.
    fs.versionValues[prefix + "InternalName"] = "x";
    fs.versionValues[prefix + "LegalTrademarks"] = "abcdef";
    fs.versionLengths[prefix + "LegalTrademarks"] = 3;
    ASSERT_TRUE(reader.Read(record, " \tC:\\App Dir\\tool.exe  "));
    EXPECT_EQ(record.filePath, "C:\\App Dir\\tool.exe");
    EXPECT_EQ(fs.versionFiles, std::vector<std::string>{"C:\\App Dir\\tool.exe"});
    EXPECT_TRUE(fs.wideVersionFiles.empty());  // a given name keeps its narrow meaning
    ExpectParts({1, 2, 3, 4}, {5, 6, 7, 8});
    for (const auto& t : kTexts) {
        const std::string key = t.first, value = record.*t.second;
        if (key == "CompanyName") EXPECT_EQ(value, std::string(255, 'c'));
        else if (key == "Comments") EXPECT_EQ(value, std::string(255, 'm'));
        else if (key == "InternalName") EXPECT_EQ(value, "x");
        else if (key == "LegalTrademarks") EXPECT_EQ(value, "abc");
        else if (key == "PrivateBuild" || key == "SpecialBuild") EXPECT_EQ(value, "") << key;
        else EXPECT_EQ(value, "v-" + key);
    }
    ASSERT_EQ(fs.versionQueries.size(), 13u);
    EXPECT_EQ(fs.versionQueries[0], "\\");
    for (std::size_t i = 1; i < fs.versionQueries.size(); ++i)
        EXPECT_EQ(fs.versionQueries[i].rfind(prefix, 0), 0u) << fs.versionQueries[i];
}

TEST_F(VersionInfoTest, NoNameMeansTheRunningProgramByItsWidePath) {
    // A folder whose name the narrow path turns into question marks.
    fs.wideModulePath = u"C:\\\u041a\u0430\u0440\u0442\u044b\\setup.exe";
    fs.modulePath = "C:\\?????\\setup.exe";
    for (const char* name : {static_cast<const char*>(nullptr), "", "   ", "\t\r\n "}) {
        fs.versionFiles.clear();
        fs.wideVersionFiles.clear();
        ASSERT_TRUE(reader.Read(record, name));
        EXPECT_EQ(record.filePath, fs.modulePath);
        EXPECT_EQ(record.ProductVersion, "v-ProductVersion");
        EXPECT_TRUE(fs.versionFiles.empty());
        EXPECT_EQ(fs.wideVersionFiles, std::vector<std::u16string>(2, fs.wideModulePath));
    }
    // Without a whole wide path (none, or one of 260 units, cut) the narrow
    // one is read, as it always was; 259 units are whole.
    const std::pair<std::u16string, bool> paths[] = {
        {std::u16string(), false}, {std::u16string(260, u'a'), false},
        {std::u16string(259, u'a'), true}};
    for (const auto& p : paths) {
        SCOPED_TRACE(p.first.size());
        fs.wideModulePath = p.first;
        fs.versionFiles.clear();
        fs.wideVersionFiles.clear();
        ASSERT_TRUE(reader.Read(record, nullptr));
        EXPECT_EQ(fs.versionFiles.empty(), p.second);
        EXPECT_EQ(fs.wideVersionFiles.empty(), !p.second);
    }
}

TEST_F(VersionInfoTest, OtherLanguageTableGivesPartsOnly) {
    for (const auto& t : kTexts) {
        fs.versionValues.erase(std::string("\\StringFileInfo\\040904b0\\") + t.first);
        fs.versionValues[std::string("\\StringFileInfo\\040704b0\\") + t.first] = "de";
    }
    fs.versionValues["\\"] = Fixed(0xFEEF04BD, 0x00010001, 0, 0xFFFF0000, 0x0000FFFF);
    ASSERT_TRUE(reader.Read(record, "tool.exe"));
    ExpectParts({1, 1, 0, 0}, {0xFFFF, 0, 0, 0xFFFF});
    for (const auto& t : kTexts) EXPECT_EQ(record.*t.second, "") << t.first;
    for (const std::string& q : fs.versionQueries) EXPECT_EQ(q.find("Translation"), std::string::npos);
}

TEST_F(VersionInfoTest, EachPartIsAWholeSixteenBitWord) {
    // 255 fits a byte, 256 does not: a part read narrower than its word shows.
    const struct { uint32_t word; uint16_t part; } cases[] = {{0x00FF00FF, 255}, {0x01000100, 256}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        fs.versionValues["\\"] = Fixed(0xFEEF04BD, c.word, c.word, c.word, c.word);
        ASSERT_TRUE(reader.Read(record, "tool.exe"));
        ExpectParts(std::vector<uint16_t>(4, c.part), std::vector<uint16_t>(4, c.part));
    }
}

TEST_F(VersionInfoTest, UnusableResourceLeavesRecordEmpty) {
    const std::pair<const char*, std::function<void(fakes::FakeSystem&)>> cases[] = {
        {"no size", [](auto& f) { f.versionSize = 0; }},
        {"data fails", [](auto& f) { f.versionDataFails = true; }},
        {"no root", [](auto& f) { f.versionValues.erase("\\"); }},
        {"root of 51 bytes", [](auto& f) { f.versionValues["\\"] = Fixed(0xFEEF04BD, 1, 1, 1, 1, 51); }},
        {"bad signature", [](auto& f) { f.versionValues["\\"] = Fixed(0xFEEF04BC, 1, 1, 1, 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        fakes::FakeSystem f;
        VersionInfoReader r(f, 1200, 1033);
        f.versionSize = fs.versionSize;
        f.versionValues = fs.versionValues;
        c.second(f);
        for (const char* name : {"tool.exe", static_cast<const char*>(nullptr)}) {
            VersionInfoRecord rec;
            rec.filePath = rec.Comments = "stale";
            rec.fileVersionParts[2] = 9;
            EXPECT_FALSE(r.Read(rec, name));
            EXPECT_TRUE(rec.IsEmpty());
        }
        EXPECT_FALSE(f.wideVersionFiles.empty());  // the running program went the wide way
    }
}

TEST(VersionInfoRecord, EveryFieldCountsForEmptyResetAndCopy) {
    std::vector<std::function<void(VersionInfoRecord&)>> setters = {
        [](VersionInfoRecord& r) { r.filePath = "x"; }};
    for (const auto& t : kTexts) setters.push_back([m = t.second](VersionInfoRecord& r) { r.*m = "x"; });
    for (int i = 0; i < 4; ++i) {
        setters.push_back([i](VersionInfoRecord& r) { r.fileVersionParts[i] = 1; });
        setters.push_back([i](VersionInfoRecord& r) { r.productVersionParts[i] = 1; });
    }
    for (std::size_t i = 0; i < setters.size(); ++i) {
        SCOPED_TRACE(i);
        VersionInfoRecord a, b;
        EXPECT_TRUE(a.IsEmpty());
        setters[i](a);
        EXPECT_FALSE(a.IsEmpty());
        b = a;
        EXPECT_FALSE(b.IsEmpty());
        a.Reset();
        EXPECT_TRUE(a.IsEmpty());
        b = a;
        EXPECT_TRUE(b.IsEmpty());
    }
}

TEST(VersionText, CommaSpaceAndBlanks) {
    const struct { std::string in; bool lead81; std::string replaced, stripped; } cases[] = {
        {"1, 0, 2, 5", false, "1.0.2.5", "1, 0, 2, 5"},
        {"a,b , c, ", false, "a,b .c.", "a,b , c,"},
        {",,", false, ",,", ",,"},
        {" \t\r\n x y \v\f", false, " \t\r\n x y \v\f", "x y"},
        {"\x81, b", true, "\x81, b", "\x81, b"},   // the pair "\x81," is one character
        {"\x81, b", false, "\x81.b", "\x81, b"},
        {"a\x81 ", true, "a\x81 ", "a\x81 "},      // a trailing pair is not a blank
        {"a, \x81", true, "a.\x81", "a, \x81"},    // a lead byte at the end stands alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        fakes::FakeSystem fs;
        if (c.lead81) fs.leadBytes = {0x81};
        EXPECT_EQ(ReplaceCommaSpace(fs, c.in), c.replaced);
        EXPECT_EQ(StripBlanks(fs, c.in), c.stripped);
    }
}

}  // namespace
