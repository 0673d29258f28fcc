// The POSIX side of the seam and of setup-check, over small folders made here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "check/Host.h"
#include "platform/PosixSystem.h"

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/setup-check-test.XXXXXX";
        path = mkdtemp(name) ? std::string(name) + "/" : std::string();
    }
    ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
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

}  // namespace
