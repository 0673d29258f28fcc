#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "shell/MessageText.h"

namespace {

TEST(MessageText, LoadGrowsUntilTheWholeEntryFits) {
    const struct {
        std::size_t length; std::vector<int> sizes;
    } cases[] = {{253, {256}}, {254, {256, 512}}, {509, {256, 512}},
                 {510, {256, 512, 768}}, {600, {256, 512, 768}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        fakes::FakeSystem fs;
        fs.strings[7000] = std::string(c.length - 1, 'a') + 'z';
        EXPECT_EQ(LoadResourceText(fs, 7000), fs.strings[7000]);
        EXPECT_EQ(fs.loadSizes, c.sizes);
    }
    fakes::FakeSystem fs;
    EXPECT_EQ(LoadResourceText(fs, 7001), "");
    EXPECT_EQ(fs.loadSizes, std::vector<int>{256});
}

TEST(MessageText, FormatInsertsArgumentsWhole) {
    fakes::FakeSystem fs;
    fs.strings[7000] = "<%s%s> 100%%";
    const std::string a(700, 'a'), b(700, 'b');
    EXPECT_EQ(FormatResourceText(fs, 7000, {a, b}), "<" + a + b + "> 100%");
}

}  // namespace
