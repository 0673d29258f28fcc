// End-to-end scenarios for setup.exe, run under Wine.
//
//   driver.exe <scenario> --setup <setup.exe> [--tools <dir>] [--work <dir>]
//   driver.exe --list
//
// Each scenario builds its own setup folder under the work directory
// (default C:\e2e\<scenario>), copies setup.exe and the stand-in tools there,
// sets the registry the way it needs, runs setup.exe and drives its windows.
// The last line printed is "N passed, M failed"; the exit code is 0 only when
// nothing failed.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness.h"

namespace {

constexpr DWORD kWait = 10000;  // the bound of every ordinary wait
const char kTitle[] = "Quillmere Installer";
const char kAboutTitle[] = "About - Quillmere Installer";
const char kCaption[] = "Product Installation";
const char kComplete[] = "Setup complete.";
const char kFailed[] = "Setup did not complete successfully.";
const char kNoActiveSync[] =
    "Setup requires Microsoft ActiveSync to be installed, but Setup was unable to find it.  "
    "Please install Microsoft ActiveSync, and try again.";
const char kNoPalm[] =
    "Setup requires the Palm Desktop to be installed, but Setup was unable to find it.  "
    "Please install Palm Desktop, and try again.";
const char kProgId[] = "QuillmereTest.PalmInstall";
constexpr int kAboutButton = 0xE140;
constexpr int kVersionText = 1008;

struct Options {
    std::string setupExe;  // the built program
    std::string tools;     // folder holding CEAppMgr.exe and PalmInstall.exe
    std::string work;      // root of the scenario folders
};
Options g_options;

// ---- Scenario set-up --------------------------------------------------------

// A scenario's own folder tree, emptied when the scenario starts (and kept
// afterwards, for a look after a failure).
std::string ScenarioRoot(const std::string& scenario) {
    const std::string root = g_options.work + "\\" + scenario;
    ok(RemoveTree(root), "old files of %s removed", root.c_str());
    ok(MakeDirectories(root), "%s created", root.c_str());
    return root;
}

// A setup folder holding a copy of setup.exe and the given files.
struct SetupFolder {
    std::string dir;       // long form, ending in a backslash
    std::string shortDir;  // what setup.exe derives from its own path
    std::string exe;
};

SetupFolder MakeSetupFolder(const std::string& dir,
                            const std::vector<std::pair<std::string, std::string>>& files) {
    SetupFolder f;
    f.dir = dir + "\\";
    f.exe = f.dir + "setup.exe";
    ok(MakeDirectories(dir), "%s created", dir.c_str());
    ok(CopyInto(g_options.setupExe, f.exe), "setup.exe copied to %s", f.exe.c_str());
    for (const auto& file : files)
        ok(WriteTextFile(f.dir + file.first, file.second), "%s written", file.first.c_str());
    f.shortDir = ShortPath(f.dir);
    ok(!f.shortDir.empty() && f.shortDir.back() == '\\', "short form of %s: %s", f.dir.c_str(),
       f.shortDir.c_str());
    return f;
}

void SetEnv(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

// ---- Common checks ------------------------------------------------------------

// Starts setup.exe and waits for its dialog; false (after reporting) when the
// dialog does not come.
bool Launch(SetupRun& run, const std::string& exe, const std::string& arguments = "",
            const char* cwd = nullptr) {
    const bool started = run.Start(exe, arguments, cwd);
    if (!ok(started, "%s started (error %lu)", exe.c_str(), started ? 0ul : GetLastError()))
        return false;
    return ok(run.WaitForDialog(kWait), "dialog \"%s\" of pid %lu appeared", kTitle, run.Pid()) &&
           ok(run.list && run.install && run.cancel && run.about,
              "controls 1000, 1, 2 and 0xE140 found (%p %p %p %p)", static_cast<void*>(run.list),
              static_cast<void*>(run.install), static_cast<void*>(run.cancel),
              static_cast<void*>(run.about));
}

void ExpectExit(SetupRun& run, DWORD expected, const char* how) {
    const DWORD code = run.WaitExit(kWait);
    ok(code == expected, "%s: exit code %s, expected %lu", how, ExitText(code).c_str(),
       static_cast<unsigned long>(expected));
}

void CancelAndExpect2(SetupRun& run) {
    Click(run.cancel);
    ExpectExit(run, IDCANCEL, "Cancel");
}

void ExpectBox(const MessageBoxView& box, const char* text, Icon icon, const char* what) {
    if (!ok(box.hwnd != nullptr, "%s: a message box owned by the dialog appeared", what)) return;
    ok(box.caption == kCaption, "%s: caption %s", what, Show(box.caption).c_str());
    ok(box.text == text, "%s: text %s, expected %s", what, Show(box.text).c_str(),
       Show(text).c_str());
    ok(box.visibleButtons == 1, "%s: %d visible buttons, expected OK alone", what,
       box.visibleButtons);
    if (icon != Icon::Unknown)
        ok(box.icon == icon, "%s: icon %s, expected %s", what, IconName(box.icon),
           IconName(icon));
}

// The selection dialog is centred in the work area (it has no owner), and
// moved inside the area when it would cross an edge.
void ExpectCentred(HWND dialog) {
    RECT area{}, r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog, &r);
    const long w = r.right - r.left, h = r.bottom - r.top;
    long x = (area.left + area.right) / 2 - w / 2;
    long y = (area.top + area.bottom) / 2 - h / 2;
    if (x < area.left)
        x = area.left;
    else if (x + w > area.right)
        x = area.right - w;
    if (y < area.top)
        y = area.top;
    else if (y + h > area.bottom)
        y = area.bottom - h;
    ok(r.left == x && r.top == y,
       "dialog %ldx%ld at (%ld,%ld), expected (%ld,%ld) in work area (%ld,%ld)-(%ld,%ld)", w, h,
       r.left, r.top, x, y, area.left, area.top, area.right, area.bottom);
}

int ColumnWidth(HWND list) {
    LRESULT width = -1;
    Send(list, LVM_GETCOLUMNWIDTH, 0, 0, &width);
    return static_cast<int>(width);
}

// What a user sees of the dialog, for comparing two runs.
std::string Snapshot(const SetupRun& run) {
    char title[256] = {};
    GetWindowTextA(run.dialog, title, sizeof title);
    std::string s = std::string("title=") + title;
    for (HWND button : {run.install, run.cancel, run.about})
        s += " | " + TextOf(button) + (Enabled(button) ? "(on)" : "(off)");
    for (const Row& row : run.Rows()) s += " | row " + row.text + "#" + std::to_string(row.checkState);
    return s;
}

// ---- Stand-in tools ---------------------------------------------------------------

// One launch recorded by a stand-in: its own path and its command line.
struct Launched {
    std::string exe;
    std::string commandLine;
};

std::vector<Launched> ReadLaunches(const std::string& log) {
    std::vector<Launched> launches;
    for (const std::string& line : SplitLines(ReadTextFile(log))) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            launches.push_back({"", line});
        } else {
            launches.push_back({line.substr(0, tab), line.substr(tab + 1)});
        }
    }
    return launches;
}

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A scenario's tools: both stand-ins copied into folders whose names have
// spaces, registered the way ActiveSync and Palm Desktop register theirs.
struct Tools {
    std::string ceExe;
    std::string palmExe;
    std::string log;
};

Tools InstallTools(const std::string& root, bool registerCe, bool registerPalm,
                   const std::string& palmExe = "", const std::string& palmTemplate = "") {
    Tools t;
    t.ceExe = root + "\\Program Files\\Mobile Sync\\CEAppMgr.exe";
    t.palmExe = palmExe.empty() ? root + "\\Palm Desktop\\Install Tool.exe" : palmExe;
    t.log = root + "\\launches.log";
    ok(CopyInto(g_options.tools + "\\CEAppMgr.exe", t.ceExe), "CE stand-in copied to %s",
       t.ceExe.c_str());
    ok(CopyInto(g_options.tools + "\\PalmInstall.exe", t.palmExe), "Palm stand-in copied to %s",
       t.palmExe.c_str());
    if (registerCe)
        ok(SetCeAppManagerPath(t.ceExe), "App Paths\\CEAppMgr.exe set");
    else
        ok(RemoveCeAppManagerPath(), "App Paths\\CEAppMgr.exe removed");
    ok(RemovePrcAssociation(kProgId), "no .prc association left");
    if (registerPalm) {
        const std::string command =
            palmTemplate.empty() ? "\"" + t.palmExe + "\" \"%1\"" : palmTemplate;
        ok(SetPrcAssociation(kProgId, command), ".prc association set to %s", command.c_str());
    }
    SetEnv("STANDIN_LOG", t.log.c_str());
    SetEnv("STANDIN_WAIT_FOR", nullptr);
    SetEnv("STANDIN_EXIT", nullptr);
    return t;
}

// The command lines setup.exe should build for the checked rows, given which
// file each row text comes from.
struct ExpectedLaunches {
    std::string ce;    // empty: no CE launch
    std::string palm;  // empty: no Palm launch
};

ExpectedLaunches Expect(const SetupFolder& folder, const Tools& tools,
                        const std::vector<Row>& rows,
                        const std::map<std::string, std::string>& fileOfRow) {
    std::string ceArgs, palmList;
    for (const Row& row : rows) {
        if (row.checkState != kChecked) continue;
        auto file = fileOfRow.find(row.text);
        if (!ok(file != fileOfRow.end(), "row %s is one of the scenario's components",
                Show(row.text).c_str()))
            continue;
        const std::string path = folder.shortDir + file->second;
        const std::string& name = file->second;
        const bool ce = name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".ini") == 0;
        if (ce) {
            ceArgs += " \"" + path + "\"";
        } else {
            if (!palmList.empty()) palmList += " ";
            palmList += path;
        }
    }
    ExpectedLaunches e;
    if (!ceArgs.empty()) e.ce = "\"" + tools.ceExe + "\"" + ceArgs;
    if (!palmList.empty()) e.palm = "\"" + tools.palmExe + "\" \"" + palmList + "\"";
    return e;
}

void ExpectLaunches(const Tools& tools, const std::vector<std::string>& commandLines,
                    const std::vector<std::string>& exes) {
    const std::vector<Launched> launches = ReadLaunches(tools.log);
    std::vector<std::string> seen;
    for (const Launched& l : launches) seen.push_back(l.commandLine);
    ok(launches.size() == commandLines.size(), "%u launches %s, expected %s",
       static_cast<unsigned>(launches.size()), Join(seen, ", ").c_str(),
       Join(commandLines, ", ").c_str());
    for (std::size_t i = 0; i < launches.size() && i < commandLines.size(); ++i) {
        ok(SamePath(launches[i].exe, exes[i]), "launch %u ran %s, expected %s",
           static_cast<unsigned>(i + 1), launches[i].exe.c_str(), exes[i].c_str());
        ok(launches[i].commandLine == commandLines[i], "launch %u command line %s, expected %s",
           static_cast<unsigned>(i + 1), Show(launches[i].commandLine).c_str(),
           Show(commandLines[i]).c_str());
    }
}

int RowIndex(const std::vector<Row>& rows, const std::string& text) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].text == text) return static_cast<int>(i);
    return -1;
}

// ---- Scenarios: start and leave -------------------------------------------------------

void ScenarioStartup() {
    const std::string root = ScenarioRoot("startup");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {});
    SetupRun run;
    if (!Launch(run, folder.exe)) return;

    ok(GetWindow(run.dialog, GW_OWNER) == nullptr, "the dialog has no owner");
    const std::vector<HWND> windows = TopLevelWindows(run.Pid(), true);
    ok(windows.size() == 1, "one visible top-level window, found %u",
       static_cast<unsigned>(windows.size()));

    ok(ClassOf(run.list) == "SysListView32", "control 1000 is a list view: %s",
       ClassOf(run.list).c_str());
    const LONG listStyle = StyleOf(run.list);
    ok((listStyle & LVS_TYPEMASK) == LVS_REPORT, "list in report view (style 0x%lx)", listStyle);
    ok((listStyle & LVS_NOCOLUMNHEADER) != 0, "list has no column header");
    LRESULT extended = 0;
    Send(run.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, &extended);
    ok((extended & LVS_EX_CHECKBOXES) != 0, "list has check boxes (extended 0x%lx)",
       static_cast<long>(extended));
    LRESULT header = 0, columns = -1;
    Send(run.list, LVM_GETHEADER, 0, 0, &header);
    if (header) Send(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &columns);
    ok(columns == 1, "list has one column, found %ld", static_cast<long>(columns));
    ok(RowCount(run.list) == 0, "no rows in a folder without components: %d", RowCount(run.list));

    ok(TextOf(run.install) == "Install", "button 1 reads %s", Show(TextOf(run.install)).c_str());
    ok(TextOf(run.cancel) == "Cancel", "button 2 reads %s", Show(TextOf(run.cancel)).c_str());
    ok(TextOf(run.about) == "&About...", "button 0xE140 reads %s", Show(TextOf(run.about)).c_str());
    LRESULT defId = 0;
    Send(run.dialog, DM_GETDEFID, 0, 0, &defId);
    ok(defId == MAKELONG(IDOK, DC_HASDEFID), "Install is the default button (DM_GETDEFID 0x%lx)",
       static_cast<long>(defId));
    ok((StyleOf(run.install) & BS_TYPEMASK) == BS_DEFPUSHBUTTON, "Install drawn as default");
    ok(!Enabled(run.install), "Install disabled without components");
    ok(Enabled(run.cancel), "Cancel enabled");
    ok(Enabled(run.about), "About enabled");

    bool hasText = false;
    for (HWND child = GetWindow(run.dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == "Static" && IsWindowVisible(child) && !TextOf(child).empty())
            hasText = true;
    ok(hasText, "the dialog shows a static text");

    // Enter presses the default button only while it is enabled. (A posted
    // BM_CLICK would not do here: the button handles it even when disabled.)
    PressKey(run.dialog, VK_RETURN);
    ok(Drain(run.cancel, kWait), "dialog handled Enter");
    ok(run.Running(), "still running after Enter with Install disabled");
    ok(FindTopLevel(run.Pid(), "#32770", nullptr, run.dialog) == nullptr, "no message box");

    CancelAndExpect2(run);
}

void ScenarioEscape() {
    const std::string root = ScenarioRoot("escape");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {});
    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    PressKey(run.dialog, VK_ESCAPE);
    ExpectExit(run, IDCANCEL, "Esc");
}

void ScenarioCloseBox() {
    const std::string root = ScenarioRoot("closebox");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {});
    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    PostMessageA(run.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectExit(run, IDCANCEL, "close box");
}

void ScenarioArguments() {
    const std::string root = ScenarioRoot("arguments");
    // Components beside setup.exe and elsewhere: arguments naming the other
    // folder must not make setup look there.
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files", {{"Maps.prc", "x"}, {"a.ini", "Description = Street Maps\n"}});
    const std::string other = root + "\\Other Folder";
    ok(MakeDirectories(other) && WriteTextFile(other + "\\Other.prc", "x"), "other folder made");

    std::string plain;
    {
        SetupRun run;
        if (!Launch(run, folder.exe)) return;
        plain = Snapshot(run);
        trace("without arguments: %s", plain.c_str());
        CancelAndExpect2(run);
    }
    const std::vector<std::string> arguments = {
        "/s /q --install",
        "\"" + root + "\\no such\\x.prc\" *.ini %1 -1",
        "\"",
        "\"" + other + "\" /dir=\"" + other + "\"",
    };
    for (const std::string& a : arguments) {
        SetupRun run;
        if (!Launch(run, folder.exe, a)) continue;
        const std::string seen = Snapshot(run);
        ok(seen == plain, "with arguments %s the dialog shows %s, without %s", Show(a).c_str(),
           seen.c_str(), plain.c_str());
        CancelAndExpect2(run);
    }
}

// When its dialog cannot be created setup.exe shows nothing and exits with
// -1, the full 32-bit value. A copy whose template names a window class that
// does not exist makes the creation fail.
void ScenarioMissingDialog() {
    const std::string root = ScenarioRoot("missing-dialog");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {{"Maps.prc", "app"}});
    std::string image = ReadTextFile(folder.exe);
    // Templates hold class names in UTF-16, in whatever case the resource
    // compiler chose.
    const std::string name = "SYSLISTVIEW32";
    int patched = 0;
    for (std::size_t at = 0; at + 2 * name.size() <= image.size(); ++at) {
        bool match = true;
        for (std::size_t i = 0; match && i < name.size(); ++i)
            match = std::toupper(static_cast<unsigned char>(image[at + 2 * i])) == name[i] &&
                    image[at + 2 * i + 1] == '\0';
        if (!match) continue;
        image[at + 2 * (name.size() - 1)] = 'Q';  // "SysListView3Q": no such class
        ++patched;
    }
    ok(patched == 1, "list view class in the template renamed (%d places)", patched);
    ok(WriteTextFile(folder.exe, image), "patched copy written");

    SetupRun run;
    if (!ok(run.Start(folder.exe), "started")) return;
    const DWORD code = run.WaitExit(kWait);
    ok(code == 0xFFFFFFFFu, "exit code %s, expected -1", ExitText(code).c_str());
    ok(TopLevelWindows(run.Pid(), true).empty(), "no window left");
}

// ---- Scenarios: the list ---------------------------------------------------------------

void ScenarioDiscovery() {
    const std::string root = ScenarioRoot("discovery");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files",
        {{"a.ini",
          "[CEAppMgr]\r\nVersion = 1.0\r\nDescription = Street Maps\r\nComponent = maps\r\n"
          "  description\t=\tCity Guide\r\n"},
         // A folder settings file: no Description line, no row.
         {"folder.ini", "[.ShellClassInfo]\r\nIconResource=setup.exe,0\r\n"},
         {"Maps.prc", "app"},
         {"MAPS2.PRC", "app"},
         {"QM_Streets.pdb", "db"},
         // Decoys: their 8.3 aliases match the patterns, their names do not.
         {"notes.prcx", "x"},
         {"old.inib", "Description = Old\r\n"},
         {"QM_Old.pdbx", "x"},
         {"Streets.pdb", "db"}});
    ok(CreateDirectoryA((folder.dir + "x.prc").c_str(), nullptr), "directory x.prc made");
    // Components in the current directory are not setup's own.
    const std::string elsewhere = root + "\\Elsewhere";
    ok(MakeDirectories(elsewhere) && WriteTextFile(elsewhere + "\\Decoy.prc", "x") &&
           WriteTextFile(elsewhere + "\\d.ini", "Description = Decoy\n"),
       "decoy folder made");

    SetupRun run;
    if (!Launch(run, folder.exe, "", elsewhere.c_str())) return;
    std::vector<Row> rows = run.Rows();
    const std::vector<std::string> texts = Texts(rows);
    trace("rows %s", Join(texts, ", ").c_str());
    if (ok(rows.size() == 5, "5 rows, found %u", static_cast<unsigned>(rows.size()))) {
        ok(texts[0] == "Street Maps" && texts[1] == "City Guide",
           "description values first, in line order: %s %s", Show(texts[0]).c_str(),
           Show(texts[1]).c_str());
        // Within one kind the order is the file search's own.
        std::vector<std::string> apps{texts[2], texts[3]};
        std::sort(apps.begin(), apps.end());
        ok(apps[0] == "MAPS2 application" && apps[1] == "Maps application",
           "applications next: %s", Join(apps, ", ").c_str());
        ok(texts[4] == "Streets database", "database last: %s", Show(texts[4]).c_str());
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        ok(rows[i].checkState == kChecked, "row %u checked (state 0x%x)",
           static_cast<unsigned>(i), rows[i].checkState);
    ok(Enabled(run.install), "Install enabled with rows");

    int widest = 0;
    for (const std::string& text : texts)
        widest = std::max(widest, StringWidth(run.Process(), run.list, text));
    ok(widest > 0, "row texts measured: %d", widest);
    ok(ColumnWidth(run.list) == widest + 25, "column width %d, expected %d + 25",
       ColumnWidth(run.list), widest);
    ExpectCentred(run.dialog);

    // Install follows the check boxes: enabled while any row is checked.
    const int n = static_cast<int>(rows.size());
    for (int i = 0; i < n; ++i) {
        ok(run.SetChecked(i, false), "row %d unchecked", i);
        ok(run.Rows()[static_cast<std::size_t>(i)].checkState == kUnchecked, "row %d shows unchecked", i);
        const bool last = i == n - 1;
        ok(Enabled(run.install) == !last, "after unchecking row %d Install is %s", i,
           Enabled(run.install) ? "enabled" : "disabled");
    }
    // Selection and focus are not check state.
    for (int i = 0; i < n; ++i) {
        ok(SetRowState(run.Process(), run.list, i, LVIS_SELECTED | LVIS_FOCUSED,
                       LVIS_SELECTED | LVIS_FOCUSED),
           "row %d selected", i);
        ok(!Enabled(run.install), "selecting row %d leaves Install disabled", i);
    }
    ok(run.SetChecked(3, true), "row 3 checked again");
    ok(Enabled(run.install), "one checked row enables Install");
    for (int i = 0; i < n; ++i) {
        SetRowState(run.Process(), run.list, i, LVIS_SELECTED | LVIS_FOCUSED,
                    LVIS_SELECTED | LVIS_FOCUSED);
        ok(Enabled(run.install), "selecting row %d leaves Install enabled", i);
    }
    ok(run.SetChecked(3, false), "row 3 unchecked again");
    ok(!Enabled(run.install), "no checked row disables Install");
    ok(RowCount(run.list) == n, "rows are never removed: %d", RowCount(run.list));
    CancelAndExpect2(run);

    // A folder holding only setup.exe.
    const SetupFolder empty = MakeSetupFolder(root + "\\Empty Folder", {});
    SetupRun second;
    if (!Launch(second, empty.exe)) return;
    ok(RowCount(second.list) == 0, "empty folder: %d rows", RowCount(second.list));
    ok(ColumnWidth(second.list) == 25, "empty folder: column width %d, expected 25",
       ColumnWidth(second.list));
    ok(!Enabled(second.install), "empty folder: Install disabled");
    ExpectCentred(second.dialog);
    CancelAndExpect2(second);
}

// ---- Scenarios: Install -----------------------------------------------------------------

// Clicks Install (or presses Enter) and reads the message box that follows.
MessageBoxView PressInstall(SetupRun& run, bool withEnter, DWORD ms = 30000) {
    if (withEnter)
        PressKey(run.dialog, VK_RETURN);
    else
        Click(run.install);
    return WaitForMessageBox(run.Pid(), run.dialog, ms);
}

// Closes the final box and expects the dialog's end code 1.
void FinishInstall(SetupRun& run, const MessageBoxView& box) {
    ok(run.Running(), "setup still runs while its last box is shown");
    ok(box.hwnd && CloseMessageBox(box, kWait), "final box closed");
    ExpectExit(run, IDOK, "after Install");
}

const std::map<std::string, std::string> kInstallFiles = {
    {"Alpha Suite", "Alpha.ini"},       {"Alpha Extras", "Alpha.ini"},
    {"Beta Tools", "Beta Tools.ini"},   {"Atlas application", "Atlas.prc"},
    {"Road Map application", "Road Map.prc"}, {"Atlas database", "QM_Atlas.pdb"},
    {"Extra database", "QM_Extra.pdb"},
};

void ScenarioInstall() {
    const std::string root = ScenarioRoot("install");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files",
        {{"Alpha.ini", "Description = Alpha Suite\r\nDescription = Alpha Extras\r\n"},
         {"Beta Tools.ini", "Description = Beta Tools\r\n"},
         {"Atlas.prc", "app"},
         {"Road Map.prc", "app"},
         {"QM_Atlas.pdb", "db"}});
    const Tools tools = InstallTools(root, true, true);
    // The tools' exit codes mean nothing to setup.
    SetEnv("STANDIN_EXIT", "7");

    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    const std::vector<Row> rows = run.Rows();
    trace("rows %s", Join(Texts(rows), ", ").c_str());
    ok(rows.size() == 6, "6 rows, found %u", static_cast<unsigned>(rows.size()));
    const ExpectedLaunches expected = Expect(folder, tools, rows, kInstallFiles);

    const MessageBoxView box = PressInstall(run, false);
    ExpectBox(box, kComplete, Icon::Information, "final box");
    ExpectLaunches(tools, {expected.ce, expected.palm}, {tools.ceExe, tools.palmExe});
    FinishInstall(run, box);
    ok(ReadLaunches(tools.log).size() == 2, "nothing launched after the box");
}

// Unchecked rows stay out; Enter acts as Install; a template without quotes
// around the tool still gives a quoted tool.
void ScenarioInstallUnchecked() {
    const std::string root = ScenarioRoot("install-unchecked");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files",
        {{"Alpha.ini", "Description = Alpha Suite\r\nDescription = Alpha Extras\r\n"},
         {"Beta Tools.ini", "Description = Beta Tools\r\n"},
         {"Atlas.prc", "app"},
         {"Road Map.prc", "app"},
         {"QM_Atlas.pdb", "db"},
         {"QM_Extra.pdb", "db"}});
    const std::string palmExe = root + "\\palm\\PALMINST.EXE";
    const Tools tools = InstallTools(root, true, true, palmExe, palmExe + " \"%1\"");

    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    for (const char* text : {"Alpha Extras", "Atlas application"}) {
        const int row = RowIndex(run.Rows(), text);
        ok(row >= 0 && run.SetChecked(row, false), "row %s unchecked", Show(text).c_str());
    }
    ok(Enabled(run.install), "Install still enabled");
    const std::vector<Row> rows = run.Rows();
    trace("rows %s", Join(Texts(rows), ", ").c_str());
    const ExpectedLaunches expected = Expect(folder, tools, rows, kInstallFiles);

    const MessageBoxView box = PressInstall(run, true);
    ExpectBox(box, kComplete, Icon::Information, "final box");
    ExpectLaunches(tools, {expected.ce, expected.palm}, {tools.ceExe, tools.palmExe});
    FinishInstall(run, box);

    // Only CE rows checked: no Palm launch. Only Palm rows: no CE launch.
    for (const bool keepCe : {true, false}) {
        ok(DeleteFileA(tools.log.c_str()) || !FileExists(tools.log), "log emptied");
        SetupRun only;
        if (!Launch(only, folder.exe)) return;
        std::vector<Row> r = only.Rows();
        for (std::size_t i = 0; i < r.size(); ++i) {
            auto file = kInstallFiles.find(r[i].text);
            const bool ce = file != kInstallFiles.end() &&
                            file->second.size() > 4 &&
                            file->second.compare(file->second.size() - 4, 4, ".ini") == 0;
            if (ce != keepCe) only.SetChecked(static_cast<int>(i), false);
        }
        r = only.Rows();
        const ExpectedLaunches e = Expect(folder, tools, r, kInstallFiles);
        ok(keepCe ? e.palm.empty() && !e.ce.empty() : e.ce.empty() && !e.palm.empty(),
           "rows of one kind left checked");
        const MessageBoxView b = PressInstall(only, false);
        ExpectBox(b, kComplete, Icon::Information, keepCe ? "CE only" : "Palm only");
        if (keepCe)
            ExpectLaunches(tools, {e.ce}, {tools.ceExe});
        else
            ExpectLaunches(tools, {e.palm}, {tools.palmExe});
        FinishInstall(only, b);
    }
}

void ScenarioInstallNoActiveSync() {
    const std::string root = ScenarioRoot("install-no-activesync");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files", {{"Alpha.ini", "Description = Alpha Suite\r\n"},
                                 {"Atlas.prc", "app"}});
    const Tools tools = InstallTools(root, false, true);

    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    ok(RowCount(run.list) == 2, "2 rows, found %d", RowCount(run.list));
    const MessageBoxView first = PressInstall(run, false);
    ExpectBox(first, kNoActiveSync, Icon::Unknown, "first box");
    trace("first box icon: %s", IconName(first.icon));
    ok(first.hwnd && CloseMessageBox(first, kWait), "first box closed");
    const MessageBoxView second = WaitForMessageBox(run.Pid(), run.dialog, kWait);
    ExpectBox(second, kFailed, Icon::Warning, "second box");
    ExpectLaunches(tools, {}, {});
    FinishInstall(run, second);

    // With no CE row checked ActiveSync is not needed.
    SetupRun palmOnly;
    if (!Launch(palmOnly, folder.exe)) return;
    const int ini = RowIndex(palmOnly.Rows(), "Alpha Suite");
    ok(ini >= 0 && palmOnly.SetChecked(ini, false), "CE row unchecked");
    const ExpectedLaunches e = Expect(folder, tools, palmOnly.Rows(), kInstallFiles);
    const MessageBoxView box = PressInstall(palmOnly, false);
    ExpectBox(box, kComplete, Icon::Information, "Palm only");
    ExpectLaunches(tools, {e.palm}, {tools.palmExe});
    FinishInstall(palmOnly, box);
}

void ScenarioInstallNoPalm() {
    const std::string root = ScenarioRoot("install-no-palm");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files", {{"Alpha.ini", "Description = Alpha Suite\r\n"},
                                 {"Atlas.prc", "app"},
                                 {"QM_Atlas.pdb", "db"}});
    const Tools tools = InstallTools(root, true, false);

    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    const ExpectedLaunches e = Expect(folder, tools, run.Rows(), kInstallFiles);
    const MessageBoxView first = PressInstall(run, false);
    ExpectBox(first, kNoPalm, Icon::Error, "first box");
    ExpectLaunches(tools, {e.ce}, {tools.ceExe});
    ok(first.hwnd && CloseMessageBox(first, kWait), "first box closed");
    const MessageBoxView second = WaitForMessageBox(run.Pid(), run.dialog, kWait);
    ExpectBox(second, kFailed, Icon::Warning, "second box");
    FinishInstall(run, second);
    ok(ReadLaunches(tools.log).size() == 1, "only the CE tool ran");
}

// Creates a file when it goes out of scope, so a stand-in that waits for it
// never outlives the scenario by more than its own limit.
struct Release {
    std::string path;
    ~Release() { WriteTextFile(path, "go"); }
};

// setup waits for each tool: nothing follows while a tool still runs.
void ScenarioInstallWait() {
    const std::string root = ScenarioRoot("install-wait");
    const SetupFolder folder = MakeSetupFolder(
        root + "\\Setup Files", {{"Alpha.ini", "Description = Alpha Suite\r\n"},
                                 {"Atlas.prc", "app"}});
    const Tools tools = InstallTools(root, true, true);

    for (const bool holdCe : {true, false}) {
        const char* held = holdCe ? "CE tool" : "Palm tool";
        ok(DeleteFileA(tools.log.c_str()) || !FileExists(tools.log), "log emptied");
        Release release{root + (holdCe ? "\\release-ce" : "\\release-palm")};
        SetEnv("STANDIN_WAIT_FOR", release.path.c_str());

        SetupRun run;
        if (!Launch(run, folder.exe)) return;
        if (!holdCe) {
            const int ini = RowIndex(run.Rows(), "Alpha Suite");
            ok(ini >= 0 && run.SetChecked(ini, false), "CE row unchecked");
        }
        const ExpectedLaunches e = Expect(folder, tools, run.Rows(), kInstallFiles);
        Click(run.install);
        ok(WaitUntil([&] { return !ReadLaunches(tools.log).empty(); }, kWait), "%s started",
           held);
        // While the tool runs: no box, no second tool, setup still there.
        const bool quiet = !WaitUntil(
            [&] {
                return FindTopLevel(run.Pid(), "#32770", nullptr, run.dialog) != nullptr ||
                       ReadLaunches(tools.log).size() > 1 || !run.Running();
            },
            1500);
        ok(quiet, "nothing happens while the %s runs", held);
        ok(ReadLaunches(tools.log).size() == 1, "one launch while the %s runs", held);
        ok(WriteTextFile(release.path, "go"), "%s released", held);
        const MessageBoxView box = WaitForMessageBox(run.Pid(), run.dialog, kWait);
        ExpectBox(box, kComplete, Icon::Information, "final box");
        if (holdCe)
            ExpectLaunches(tools, {e.ce, e.palm}, {tools.ceExe, tools.palmExe});
        else
            ExpectLaunches(tools, {e.palm}, {tools.palmExe});
        FinishInstall(run, box);
    }
    SetEnv("STANDIN_WAIT_FOR", nullptr);
}

// ---- Scenarios: About ----------------------------------------------------------------------

HWND OpenAbout(SetupRun& run) {
    Click(run.about);
    HWND about = WaitForTopLevel(run.Pid(), "#32770", kAboutTitle, kAnyOwner, kWait);
    if (!ok(about != nullptr, "About dialog appeared")) return nullptr;
    ok(GetWindow(about, GW_OWNER) == run.dialog, "About is owned by the selection dialog");
    ok(!Enabled(run.dialog), "selection dialog disabled while About is open");
    const std::string version = TextOf(GetDlgItem(about, kVersionText));
    ok(version == "1.1.0.0", "version text %s", Show(version).c_str());
    return about;
}

void ScenarioAbout() {
    const std::string root = ScenarioRoot("about");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {{"Maps.prc", "app"}});
    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    const std::string before = Snapshot(run);

    HWND about = OpenAbout(run);
    if (!about) return;
    HWND okButton = GetDlgItem(about, IDOK);
    ok(okButton && TextOf(okButton) == "OK", "About has OK");

    // None of these is OK clicked, so none closes the dialog.
    struct Attempt {
        const char* what;
        std::function<void()> send;
    } const attempts[] = {
        {"Esc", [&] { PressKey(about, VK_ESCAPE); }},
        {"the close box", [&] { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"IDCANCEL", [&] { PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
        {"IDOK with code 1", [&] { PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0); }},
    };
    for (const Attempt& a : attempts) {
        a.send();
        ok(Drain(okButton, kWait), "About handled %s", a.what);
        ok(IsWindow(about) && IsWindowVisible(about), "About still open after %s", a.what);
    }

    Click(okButton);
    ok(WaitGone(about, kWait), "OK closes About");
    ok(WaitUntil([&] { return Enabled(run.dialog); }, kWait), "selection dialog enabled again");

    // Opened again it reads the version again; Enter presses OK.
    HWND again = OpenAbout(run);
    if (again) {
        PressKey(again, VK_RETURN);
        ok(WaitGone(again, kWait), "Enter closes About");
    }
    ok(WaitUntil([&] { return Enabled(run.dialog); }, kWait), "selection dialog enabled again");
    ok(Snapshot(run) == before, "selection dialog unchanged: %s", Snapshot(run).c_str());
    CancelAndExpect2(run);
}

// ---- Main ------------------------------------------------------------------------------------

const struct {
    const char* name;
    void (*run)();
} kScenarios[] = {
    {"startup", ScenarioStartup},
    {"escape", ScenarioEscape},
    {"closebox", ScenarioCloseBox},
    {"arguments", ScenarioArguments},
    {"missing-dialog", ScenarioMissingDialog},
    {"discovery", ScenarioDiscovery},
    {"install", ScenarioInstall},
    {"install-unchecked", ScenarioInstallUnchecked},
    {"install-no-activesync", ScenarioInstallNoActiveSync},
    {"install-no-palm", ScenarioInstallNoPalm},
    {"install-wait", ScenarioInstallWait},
    {"about", ScenarioAbout},
};

std::string OwnDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return DirectoryOf(path);
}

int Usage() {
    std::printf("usage: driver <scenario> --setup <setup.exe> [--tools <dir>] [--work <dir>]\n"
                "       driver --list\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[1], "--list")) {
        for (const auto& s : kScenarios) std::printf("%s\n", s.name);
        return 0;
    }
    if (argc < 2) return Usage();
    const std::string scenario = argv[1];
    g_options.tools = OwnDirectory();
    g_options.work = "C:\\e2e";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--setup")
            g_options.setupExe = WindowsPath(argv[i + 1]);
        else if (option == "--tools")
            g_options.tools = WindowsPath(argv[i + 1]);
        else if (option == "--work")
            g_options.work = WindowsPath(argv[i + 1]);
        else
            return Usage();
    }
    if (argc % 2 != 0 || g_options.setupExe.empty()) return Usage();
    while (!g_options.tools.empty() && g_options.tools.back() == '\\') g_options.tools.pop_back();

    for (const auto& s : kScenarios) {
        if (scenario != s.name) continue;
        std::printf("scenario %s (setup %s)\n", s.name, g_options.setupExe.c_str());
        std::fflush(stdout);
        const DWORD start = GetTickCount();
        ok(FileExists(g_options.setupExe), "%s exists", g_options.setupExe.c_str());
        s.run();
        std::printf("%s: %lu ms\n", s.name, GetTickCount() - start);
        std::printf("%d passed, %d failed\n", PassedCount(), FailedCount());
        return FailedCount() ? 1 : 0;
    }
    std::printf("unknown scenario %s\n0 passed, 1 failed\n", scenario.c_str());
    return 1;
}
