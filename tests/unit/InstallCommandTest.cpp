#include <gtest/gtest.h>

#include <set>

#include "catalogue/Discovery.h"
#include "fakes/FakeSystem.h"
#include "selection/InstallCommand.h"

namespace {

platform::WindowHandle const kOwner = reinterpret_cast<platform::WindowHandle>(0x77);

TEST(InstallCommand, CeComponentIsAnIniPathLongerThanFourBytes) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\S\\a.ini", true}, {"C:\\S\\a.INI", true}, {"C:\\S\\a.Ini", true}, {"x.ini", true},
        {"x.ini ", false},      {".ini", false},        {"a.in", false},        {"a.ini.prc", false},
        {"C:\\S\\aini", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(IsCeComponent(c.first), c.second) << c.first;
}

struct AcceptingRows : ComponentRowSink {
    bool InsertRow(int, const std::string&) override { return true; }
    void SetRowChecked(int) override {}
    int MeasureTextWidth(const std::string&) override { return 0; }
};

std::vector<std::string> Paths(const ComponentCatalogue& c) {
    std::vector<std::string> paths;
    for (const ComponentRecord& r : c) paths.push_back(r.FullPath);
    return paths;
}

TEST(InstallCommand, EachDiscoveredKindGoesToItsTool) {
    fakes::FakeSystem fs;
    fs.searches["D:\\*.ini"] = {{"Maps.INI", 0}, {"b.ini", 0}};
    fs.searches["D:\\*.prc"] = {{"Maps.prc", 0}};
    fs.searches["D:\\QM_*.pdb"] = {{"QM_Streets.pdb", 0}, {"qm_b.PDB", 0}};
    fs.files["D:\\Maps.INI"] = "Description=One\nDescription=Two\n";
    fs.files["D:\\b.ini"] = "Description=Three\n";
    ComponentCatalogue catalogue, ce, palm;
    AcceptingRows rows;
    DiscoverComponentsIn(fs, "D:\\", rows, catalogue);
    ASSERT_EQ(catalogue.Count(), 6u);
    PartitionCheckedComponents(catalogue, 6, [](int) { return true; }, ce, palm);
    EXPECT_EQ(Paths(ce), (std::vector<std::string>{"D:\\Maps.INI", "D:\\Maps.INI", "D:\\b.ini"}));
    EXPECT_EQ(Paths(palm),
              (std::vector<std::string>{"D:\\Maps.prc", "D:\\QM_Streets.pdb", "D:\\qm_b.PDB"}));
}

// Records each hand-off with the owner and the paths it was given.
struct RecordingHandoffs : Handoffs {
    bool ceResult = true, palmResult = true;
    std::vector<std::string> calls;
    bool Record(const char* kind, platform::WindowHandle owner, const ComponentCatalogue& c,
                bool result) {
        std::string call = kind;
        if (owner != kOwner) call += " (wrong owner)";
        for (const ComponentRecord& r : c) call += " " + r.FullPath;
        calls.push_back(call);
        return result;
    }
    bool InstallCe(platform::WindowHandle o, const ComponentCatalogue& c) override {
        return Record("CE", o, c, ceResult);
    }
    bool InstallPalm(platform::WindowHandle o, const ComponentCatalogue& c) override {
        return Record("Palm", o, c, palmResult);
    }
};

TEST(InstallCommand, HandsOffCheckedRowsCeFirstAndReports) {
    ComponentCatalogue catalogue;
    // Row 2 is the second Description of a.ini: the same path again.
    for (const char* p : {"a.ini", "b.prc", "a.ini", "QM_c.pdb", "d.INI"}) catalogue.Append({p, p});
    const struct {
        const char* name; std::set<int> checked; bool ceResult, palmResult;
        std::vector<std::string> calls; bool ok;
    } cases[] = {
        {"both succeed", {0, 1, 2, 3, 4}, true, true,
         {"CE a.ini a.ini d.INI", "Palm b.prc QM_c.pdb"}, true},
        {"CE fails", {0, 1, 2, 3, 4}, false, true, {"CE a.ini a.ini d.INI"}, false},
        {"Palm fails", {1, 4}, true, false, {"CE d.INI", "Palm b.prc"}, false},
        {"only Palm", {3, 1}, false, true, {"Palm b.prc QM_c.pdb"}, true},
        {"only CE", {2}, true, false, {"CE a.ini"}, true},
        {"nothing checked", {}, false, false, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem fs;
        RecordingHandoffs handoffs;
        handoffs.ceResult = c.ceResult;
        handoffs.palmResult = c.palmResult;
        const auto isChecked = [&](int row) { return c.checked.count(row) != 0; };
        EXPECT_EQ(InstallCheckedComponents(fs, handoffs, kOwner, catalogue, 5, isChecked), c.ok);
        EXPECT_EQ(handoffs.calls, c.calls);
        ASSERT_EQ(fs.boxes.size(), 1u);
        EXPECT_EQ(fs.boxes[0].owner, kOwner);
        EXPECT_EQ(fs.boxes[0].text, c.ok ? "Setup complete." : "Setup did not complete successfully.");
        EXPECT_EQ(fs.boxes[0].flags, c.ok ? 0x40u : 0x30u);
    }
}

}  // namespace
