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

TEST(Names, EqualAsciiNoCaseComparesExactlyNBytes) {
    EXPECT_TRUE(platform::EqualAsciiNoCase("Description", "dESCRIPTION", 11));
    EXPECT_TRUE(platform::EqualAsciiNoCase("DescriptionX", "descriptionY", 11));
    EXPECT_FALSE(platform::EqualAsciiNoCase("DescriptionX", "descriptionY", 12));
    EXPECT_FALSE(platform::EqualAsciiNoCase("Descr\xC9", "descr\xE9", 6));
    EXPECT_TRUE(platform::EqualAsciiNoCase("a", "b", 0));
}

}  // namespace
