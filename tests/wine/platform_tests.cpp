// The Windows side of the seam and the logic over it, on the real system
// (under Wine): version resource, string table, file search, text mode,
// registry and association reads.
#include <windows.h>

#include <cstring>
#include <string>

#include "about/VersionInfo.h"
#include "catalogue/Discovery.h"
#include "handoff/Handoff.h"
#include "platform/Win32System.h"
#include "shell/MessageText.h"
#include "wine_test.h"

namespace {

std::string TempFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string dir = std::string(base) + name + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

void TestVersionOfSetup(platform::Win32System& system, const char* setupPath) {
    VersionInfoReader reader(system, 1200, 1033);
    VersionInfoRecord record;
    ok(reader.Read(record, setupPath), "reading %s failed", setupPath);
    const uint16_t expected[4] = {1, 1, 0, 0};
    ok(std::memcmp(record.fileVersionParts, expected, sizeof expected) == 0, "file version %u.%u.%u.%u",
       record.fileVersionParts[0], record.fileVersionParts[1], record.fileVersionParts[2],
       record.fileVersionParts[3]);
    ok(std::memcmp(record.productVersionParts, expected, sizeof expected) == 0, "product version");
    struct {
        const std::string& value;
        const char* expected;
    } texts[] = {
        {record.ProductVersion, "1, 1, 0, 0"},
        {record.FileVersion, "1, 1, 0, 0"},
        {record.InternalName, "Quillmere Installer"},
        {record.ProductName, "Quillmere Installer"},
        {record.OriginalFilename, "setup.exe"},
        {record.FileDescription,
         "Application used to install Quillmere Application and Databases/Products"},
        {record.Comments, ""},
        {record.LegalTrademarks, ""},
        {record.PrivateBuild, ""},
        {record.SpecialBuild, ""},
    };
    for (const auto& t : texts)
        ok(t.value == t.expected, "got \"%s\", expected \"%s\"", t.value.c_str(), t.expected);
    ok(!record.CompanyName.empty() && !record.LegalCopyright.empty(), "maker and copyright missing");
    ok(ReplaceCommaSpace(system, record.ProductVersion) == "1.1.0.0", "version text");

    // Blanks around the name are not part of it.
    VersionInfoRecord padded;
    ok(reader.Read(padded, (std::string("  ") + setupPath + " \t").c_str()), "padded name failed");
    ok(padded.filePath == setupPath, "filePath \"%s\"", padded.filePath.c_str());

    // A table for another language yields numbers but no texts.
    VersionInfoReader german(system, 1200, 0x0407);
    VersionInfoRecord other;
    ok(german.Read(other, setupPath), "other table read failed");
    ok(other.fileVersionParts[0] == 1 && other.ProductVersion.empty() && other.CompanyName.empty(),
       "other table gave texts");

    // A file without a version resource.
    const std::string plain = TempFolder("plainfile") + "readme.txt";
    WriteFile(plain, "no version here");
    VersionInfoRecord none;
    ok(!reader.Read(none, plain.c_str()), "a text file has no version resource");
    ok(none.IsEmpty(), "record not reset");
    ok(!reader.Read(none, "C:\\no\\such\\file.exe") && none.IsEmpty(), "missing file");
}

void TestStringTable(platform::Win32System& system) {
    ok(LoadResourceText(system, 128) == "Product Installation", "caption");
    ok(LoadResourceText(system, 61410) == "Setup complete.", "61410");
    ok(LoadResourceText(system, 61412) == "Setup did not complete successfully.", "61412");
    ok(LoadResourceText(system, 61413) ==
           "Setup requires the Palm Desktop to be installed, but Setup was unable to find it.  "
           "Please install Palm Desktop, and try again.",
       "61413");
    ok(LoadResourceText(system, 61415) ==
           "Setup requires Microsoft ActiveSync to be installed, but Setup was unable to find "
           "it.  Please install Microsoft ActiveSync, and try again.",
       "61415");
    ok(FormatResourceText(system, 61416, {"Because.\r\n", "\"x\" \"y\""}) ==
           "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try "
           "again.\n\nDetails:\n\nBecause.\r\n\"x\" \"y\"",
       "61416");
    ok(LoadResourceText(system, 4242).empty(), "missing entry");
}

void TestSearchAndText(platform::Win32System& system) {
    const std::string dir = TempFolder("search test");
    for (const char* name : {"Maps.prc", "notes.prcx", "a.prc_old", "x.ini", "x.inib"})
        WriteFile(dir + name, "");
    CreateDirectoryA((dir + "folder.prc").c_str(), nullptr);

    int prc = 0, aliasOnly = 0, directories = 0;
    std::unique_ptr<platform::FileSearch> search = system.FindFiles(dir + "*.prc");
    platform::FoundFile found;
    while (search && search->Next(found)) {
        if (found.attributes & platform::kAttributeDirectory)
            ++directories;
        else if (NameMatchesPattern(found.name, "", ".prc"))
            ++prc;
        else
            ++aliasOnly;
    }
    ok(prc == 1 && directories == 1, "prc %d, directories %d", prc, directories);
    // Whether the system matches through 8.3 aliases or not, only Maps.prc counts.
    std::printf("alias-only matches for *.prc: %d\n", aliasOnly);
    ok(!system.FindFiles(dir + "*.nothing"), "a search without match gives no search");

    WriteFile(dir + "text.ini", std::string("one\r\ntwo\rthree\n\x1Ahidden\n"));
    std::unique_ptr<platform::TextFile> file = system.OpenText(dir + "text.ini");
    char line[256];
    std::string all;
    while (file && file->ReadLine(line, sizeof line)) all += line;
    ok(all == "one\ntwo\rthree\n", "text mode gave \"%s\"", all.c_str());
    ok(!system.OpenText(dir + "missing.ini"), "missing file opened");

    std::string directory;
    ok(GetSetupDirectory(system, directory) && directory.back() == '\\' &&
           directory.find(' ') == std::string::npos,
       "setup directory \"%s\"", directory.c_str());
}

void TestRegistryAndAssociation(platform::Win32System& system) {
    HKEY key;
    const char* sub = "Software\\QuillmereTest";
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\x.exe"), 9);
    char data[260];
    uint32_t size = sizeof data, type = 0;
    ok(system.ReadMachineValue(sub, data, &size, &type) == 0 && size == 9 && type == REG_SZ &&
           std::strcmp(data, "C:\\x.exe") == 0,
       "registry value");
    std::string big(300, 'a');
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()), 301);
    size = sizeof data;
    ok(system.ReadMachineValue(sub, data, &size, &type) == platform::kErrorMoreData, "more data");
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, sub);
    size = sizeof data;
    ok(system.ReadMachineValue(sub, data, &size, &type) != 0, "deleted key still read");

    char command[1024];
    uint32_t length = sizeof command;
    ok(system.AssociationCommand(".quillmerenone", "open", command, &length) < 0,
       "an unknown extension has a command");
}

// The exact conversion that tells whether a narrow path names what the wide
// one does (the wide calls themselves are exercised end to end).
void TestExactAnsi(platform::Win32System& system) {
    ok(GetACP() == 1252, "ANSI code page %u, expected 1252 (it follows the Unix locale)",
       GetACP());
    if (GetACP() != 1252) return;
    const struct {
        std::u16string wide;
        bool exact;
        std::string ansi;
    } conversions[] = {
        {u"", true, ""},
        {u"C:\\Setup\\", true, "C:\\Setup\\"},
        {u"Caf\u00e9 \u20ac", true, "Caf\xE9 \x80"},
        {u"\u0423\u0441", false, ""},   // Cyrillic
        {u"A\u0100", false, ""},         // A with macron: best fit would make it "A"
        {u"\u00e9\xd800x", false, ""},  // an unpaired surrogate
    };
    for (const auto& c : conversions) {
        std::string ansi = "stale";
        ok(system.ExactAnsiText(c.wide.data(), static_cast<uint32_t>(c.wide.size()), ansi) ==
                   c.exact &&
               ansi == c.ansi,
           "conversion %u gave \"%s\"", static_cast<unsigned>(&c - conversions), ansi.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: platform_tests <setup.exe>\n");
        return 2;
    }
    platform::RestrictLibrarySearch();
    platform::Win32System system(GetModuleHandleA(nullptr));
    TestVersionOfSetup(system, argv[1]);
    TestStringTable(system);
    TestSearchAndText(system);
    TestRegistryAndAssociation(system);
    TestExactAnsi(system);
    return winetest::Finish();
}
