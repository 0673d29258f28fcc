#include <gtest/gtest.h>

#include "platform/Names.h"

namespace {

TEST(Names, PatternMatchesLongNameWithoutRegardToAsciiCase) {
    const struct {
        const char* name; const char* prefix; const char* suffix; bool matches;
    } cases[] = {
        {"Maps.prc", "", ".prc", true},
        {"MAPS.PRC", "", ".prc", true},
        {".prc", "", ".prc", true},
        {"notes.prcx", "", ".prc", false},
        {"a.prc_old", "", ".prc", false},
        {"prc", "", ".prc", false},
        {"QM_Streets.pdb", "QM_", ".pdb", true},
        {"qm_streets.PDB", "QM_", ".pdb", true},
        {"QM_.pdb", "QM_", ".pdb", true},
        // Prefix and suffix may not share bytes.
        {"QM_pdb", "QM_", "_pdb", false},
        {"QM.pdb", "QM_", ".pdb", false},
        {"XQM_a.pdb", "QM_", ".pdb", false},
        // Only ASCII letters fold: other bytes, and letters of the code page, stay as they are.
        {"a.\xC9NI", "", ".\xE9ni", false},
        {"a.[ni", "", ".{ni", false},
        {"a.@ni", "", ".`ni", false},
        {"", "", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::NameMatchesPattern(c.name, c.prefix, c.suffix), c.matches)
            << c.name << " " << c.prefix << "*" << c.suffix;
}

TEST(Names, BlanksAndLettersEndWhereAsciiEndsThem) {
    // The range edges no other row holds: the bytes just outside the blanks,
    // the first and last letter of either case, the bytes around a to z.
    const struct { char c; bool blank; char lower, upper; } cases[] = {
        {'\x08', false, '\x08', '\x08'}, {'\x0E', false, '\x0E', '\x0E'},
        {'A', false, 'a', 'A'}, {'Z', false, 'z', 'Z'}, {'a', false, 'a', 'A'}, {'z', false, 'z', 'Z'},
        {'`', false, '`', '`'}, {'{', false, '{', '{'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.c)));
        EXPECT_EQ(platform::IsBlank(c.c), c.blank);
        EXPECT_EQ(platform::LowerAscii(c.c), c.lower);
        EXPECT_EQ(platform::UpperAscii(c.c), c.upper);
        EXPECT_EQ(platform::IsAsciiLetter(c.c), c.lower != c.upper);
    }
}

TEST(Names, EqualAsciiNoCaseComparesExactlyNBytes) {
    EXPECT_TRUE(platform::EqualAsciiNoCase("Description", "dESCRIPTION", 11));
    EXPECT_TRUE(platform::EqualAsciiNoCase("DescriptionX", "descriptionY", 11));
    EXPECT_FALSE(platform::EqualAsciiNoCase("DescriptionX", "descriptionY", 12));
    EXPECT_FALSE(platform::EqualAsciiNoCase("Descr\xC9", "descr\xE9", 6));
    EXPECT_TRUE(platform::EqualAsciiNoCase("a", "b", 0));
}

}  // namespace
