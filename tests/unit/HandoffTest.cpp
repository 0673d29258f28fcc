#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "handoff/Handoff.h"

namespace {

platform::WindowHandle const kOwner = reinterpret_cast<platform::WindowHandle>(0x5150);
const std::string kCaption = "Product Installation";

ComponentCatalogue Components(std::initializer_list<std::string> paths) {
    ComponentCatalogue c;
    for (const std::string& p : paths) c.Append({p, "row"});
    return c;
}

const ComponentCatalogue kCe =
    Components({"D:\\DOWNLO~1\\SETUP\\Alpha.ini", "D:\\DOWNLO~1\\SETUP\\Beta Tools.ini"});
const ComponentCatalogue kPalm =
    Components({"D:\\DOWNLO~1\\SETUP\\Atlas.prc", "D:\\DOWNLO~1\\SETUP\\QM_Atlas.pdb"});
const std::string kPalmList =
    "\"D:\\DOWNLO~1\\SETUP\\Atlas.prc D:\\DOWNLO~1\\SETUP\\QM_Atlas.pdb\"";
const std::string kCeExe = "D:\\Program Files\\Sync\\CEAppMgr.exe";
const std::string kCeLine = "\"D:\\Program Files\\Sync\\CEAppMgr.exe\" "
                            "\"D:\\DOWNLO~1\\SETUP\\Alpha.ini\" \"D:\\DOWNLO~1\\SETUP\\Beta Tools.ini\"";

TEST(CommandLines, BuiltFromPathsAndTemplate) {
    EXPECT_EQ(BuildCeCommandLine(kCeExe, kCe), kCeLine);
    const struct { const char* commandTemplate; const char* executable; } cases[] = {
        {"\"D:\\Program Files\\Desk Tools\\Install Tool.exe\" \"%1\"",
         "\"D:\\Program Files\\Desk Tools\\Install Tool.exe\""},
        {"D:\\DESKTO~1\\INSTALL.EXE \"%1\"", "\"D:\\DESKTO~1\\INSTALL.EXE\""},
        {"D:\\DESKTO~1\\INSTALL.EXE -q %1", "\"D:\\DESKTO~1\\INSTALL.EXE -q\""},
        {"\"D:\\Desk Tools\\Install.exe %1", "\"D:\\Desk Tools\\Install.exe %1"},
        {"D:\\DESKTO~1\\INSTALL.EXE  ", "\"D:\\DESKTO~1\\INSTALL.EXE\""},
        {"D:\\DESKTO~1\\INSTALL.EXE\t%1", "\"D:\\DESKTO~1\\INSTALL.EXE\t\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandTemplate);
        EXPECT_EQ(BuildPalmCommandLine(c.commandTemplate, kPalm),
                  std::string(c.executable) + " " + kPalmList);
    }
}

void ExpectOneBox(const fakes::FakeSystem& fs, const std::string& text) {
    ASSERT_EQ(fs.boxes.size(), 1u);
    EXPECT_EQ(fs.boxes[0].owner, kOwner);
    EXPECT_EQ(fs.boxes[0].text, text);
    EXPECT_EQ(fs.boxes[0].caption, kCaption);
    EXPECT_EQ(fs.boxes[0].flags, platform::kIconError);
}

TEST(CeHandoff, LaunchesOnlyWithAUsableRegisteredPath) {
    const std::string missing = fakes::FakeSystem().strings[IDS_ACTIVESYNC_MISSING];
    const std::string exeZ = kCeExe + '\0';
    const std::string longPath(32761 - kCeExe.size(), 'p');  // makes a line of 32,766
    const struct {
        const char* name; long status; std::string data; uint32_t type;
        std::vector<uint32_t> launchErrors; ComponentCatalogue components;
        std::string launched;  // empty: nothing may run
    } cases[] = {
        {"key or value missing", 2, exeZ, platform::kRegString, {}, kCe, ""},
        // The value's buffer holds 260 bytes: 259 characters and the terminator.
        {"261 bytes", 0, std::string(260, 'x') + '\0', platform::kRegString, {}, kCe, ""},
        {"260 bytes, no terminator", 0, std::string(260, 'x'), platform::kRegString, {}, kCe, ""},
        // The type is not examined, but the text never runs past the data.
        {"binary type", 0, exeZ, 3, {0}, kCe, kCeLine},
        {"dword type", 0, "\x01\x02\x03\x04", 4, {0}, kCe,
         "\"\x01\x02\x03\x04\" \"D:\\DOWNLO~1\\SETUP\\Alpha.ini\" \"D:\\DOWNLO~1\\SETUP\\Beta Tools.ini\""},
        {"empty value", 0, std::string(1, '\0'), platform::kRegString, {}, kCe, ""},
        {"zero bytes", 0, "", platform::kRegString, {}, kCe, ""},
        {"launch fails", 0, exeZ, platform::kRegString, {2}, kCe, kCeLine},
        {"line of 32,767", 0, exeZ, platform::kRegString, {}, Components({longPath + "p"}), ""},
        {"terminated", 0, exeZ, platform::kRegString, {0}, kCe, kCeLine},
        {"259 characters and terminator", 0, "C:\\" + std::string(256, 'e') + '\0',
         platform::kRegString, {}, Components({"a.ini"}),
         "\"C:\\" + std::string(256, 'e') + "\" \"a.ini\""},
        {"259 bytes, no terminator", 0, "C:\\" + std::string(256, 'e'), platform::kRegString, {},
         Components({"a.ini"}), "\"C:\\" + std::string(256, 'e') + "\" \"a.ini\""},
        {"line of 32,766", 0, exeZ, platform::kRegString, {}, Components({longPath}),
         "\"" + kCeExe + "\" \"" + longPath + "\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem fs;
        fs.registryStatus = c.status;
        fs.registryData = c.data;
        fs.registryType = c.type;
        fs.launchErrors = c.launchErrors;
        const bool ok = !c.launched.empty() && c.launchErrors != std::vector<uint32_t>{2};
        EXPECT_EQ(InstallCeComponents(fs, kOwner, c.components), ok);
        EXPECT_EQ(fs.registryKeys, std::vector<std::string>{
            "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe"});
        EXPECT_EQ(fs.launches, c.launched.empty() ? std::vector<std::string>{}
                                                  : std::vector<std::string>{c.launched});
        if (ok)
            EXPECT_TRUE(fs.boxes.empty());
        else
            ExpectOneBox(fs, missing);
    }
}

TEST(PalmHandoff, ReportsMissingToolAndFailedLaunch) {
    const std::string missing = fakes::FakeSystem().strings[IDS_PALM_MISSING];
    const std::string failed =
        "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try "
        "again.\n\nDetails:\n\n";
    const std::string tool = "D:\\DESKTO~1\\INSTALL.EXE \"%1\"";
    const std::string line = "\"D:\\DESKTO~1\\INSTALL.EXE\" " + kPalmList;
    // Paths that make a line of 32,767 characters, and of 32,766.
    const std::string head = "\"D:\\DESKTO~1\\INSTALL.EXE\" \"";
    const std::string longPath(32767 - head.size() - 1, 'p');
    const std::string longLine = head + longPath + "\"";
    const std::string longestLine = head + longPath.substr(1) + "\"";
    const struct {
        const char* name; long result; bool quirk; uint32_t launchError;
        ComponentCatalogue components; std::vector<std::string> launched;
        std::string box;  // empty: none
    } cases[] = {
        {"no association", fakes::kEFail, false, 0, kPalm, {}, missing},
        {"success with length 0", 0, true, 0, kPalm, {}, missing},
        {"launch fails", 0, false, 2, kPalm, {line}, failed + "File not found.\r\n" + line},
        {"line of 32,767", 0, false, 0, Components({longPath}), {},
         failed + "Too long.\r\n" + longLine},
        {"line of 32,766", 0, false, 0, Components({longPath.substr(1)}), {longestLine}, ""},
        {"launched", 0, false, 0, kPalm, {line}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSystem fs;
        fs.assocResult = c.result;
        fs.assocZeroLengthQuirk = c.quirk;
        fs.assocText = tool;
        fs.launchErrors = {c.launchError};
        fs.errorTexts = {{2, "File not found.\r\n"}, {206, "Too long.\r\n"}};
        EXPECT_EQ(InstallPalmComponents(fs, kOwner, c.components), c.box.empty());
        EXPECT_EQ(fs.launches, c.launched);
        if (c.box.empty())
            EXPECT_TRUE(fs.boxes.empty());
        else
            ExpectOneBox(fs, c.box);
    }
    // The command comes in a buffer of 1,024 characters with the terminator.
    for (const std::size_t length : {1023u, 1024u}) {
        SCOPED_TRACE(length);
        fakes::FakeSystem f;
        f.assocText = std::string(length, 'T');
        const bool fits = length < 1024;
        EXPECT_EQ(InstallPalmComponents(f, kOwner, kPalm), fits);
        const std::string line = "\"" + f.assocText + "\" " + kPalmList;
        EXPECT_EQ(f.launches, fits ? std::vector<std::string>{line} : std::vector<std::string>{});
    }
    // An empty command names no program to run.
    fakes::FakeSystem fs;
    fs.assocText = "";
    EXPECT_FALSE(InstallPalmComponents(fs, kOwner, kPalm));
    EXPECT_TRUE(fs.launches.empty());
    ExpectOneBox(fs, missing);
}

}  // namespace
