// End-to-end scenarios for setup.exe, run under Wine.
//
//   driver.exe <scenario> --setup <setup.exe> [--tools <dir>] [--work <dir>]
//              [--hostile <dir>]
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
    std::string hostile;   // folder of the planted libraries and their control program
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

// Waits for the dialog of a started setup.exe; false (after reporting) when it
// does not come.
bool DialogReady(SetupRun& run) {
    return ok(run.WaitForDialog(kWait), "dialog \"%s\" of pid %lu appeared", kTitle, run.Pid()) &&
           ok(run.list && run.install && run.cancel && run.about,
              "controls 1000, 1, 2 and 0xE140 found (%p %p %p %p)", static_cast<void*>(run.list),
              static_cast<void*>(run.install), static_cast<void*>(run.cancel),
              static_cast<void*>(run.about));
}

// Starts setup.exe and waits for its dialog.
bool Launch(SetupRun& run, const std::string& exe, const std::string& arguments = "",
            const char* cwd = nullptr) {
    const bool started = run.Start(exe, arguments, cwd);
    if (!ok(started, "%s started (error %lu)", exe.c_str(), started ? 0ul : GetLastError()))
        return false;
    return DialogReady(run);
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
    for (const int width : StringWidths(run.Process(), run.list, texts)) widest = std::max(widest, width);
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
    // The arrow keys move the selection (the list has the focus); the check
    // boxes, and so Install, stay as they are.
    PressKey(run.dialog, VK_HOME);
    for (int i = 0; i < n; ++i) {
        if (i > 0) PressKey(run.dialog, VK_DOWN);
        ok(WaitUntil([&] { return SendMessageA(run.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                               LVNI_SELECTED) == i; },
                     kWait),
           "arrow keys select row %d", i);
        ok(!Enabled(run.install), "arrowing to row %d leaves Install disabled", i);
    }
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

// Install succeeds with one launch of one tool, given exactly that line.
void InstallExpectingOneLaunch(SetupRun& run, const Tools& tools, const std::string& line,
                               const std::string& exe, const char* what) {
    const MessageBoxView box = PressInstall(run, false);
    ExpectBox(box, kComplete, Icon::Information, what);
    ExpectLaunches(tools, {line}, {exe});
    FinishInstall(run, box);
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
        InstallExpectingOneLaunch(only, tools, keepCe ? e.ce : e.palm,
                                  keepCe ? tools.ceExe : tools.palmExe,
                                  keepCe ? "CE only" : "Palm only");
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
    ExpectBox(first, kNoActiveSync, Icon::Error, "first box");
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
    InstallExpectingOneLaunch(palmOnly, tools, e.palm, tools.palmExe, "Palm only");
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

// ---- Scenarios: bad input ------------------------------------------------------------------
//
// Whatever lies in the setup folder or the registry, setup ends with a clear
// result (the rows it could read, its message boxes, exit code 1 after
// Install), never a crash or a hang.

const char kPalmLaunchFailed[] =
    "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try "
    "again.\n\nDetails:\n\n";
constexpr DWORD kErrorFilenameTooLong = 206;

template <std::size_t N>
std::string Bytes(const char (&text)[N]) {  // a literal with NULs in it
    return std::string(text, N - 1);
}

// The system's text for an error code, asked for the way setup asks.
std::string SystemText(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
        nullptr);
    std::string s = n && text ? std::string(text, n) : std::string();
    if (text) LocalFree(text);
    return s;
}

// The error the system gives when asked to start this command line (the
// driver tries it itself); 0, after a failed check, when it starts.
DWORD LaunchError(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return GetLastError();
    ok(false, "the system refuses to start %s", Show(commandLine.substr(0, 200)).c_str());
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return 0;
}

// Both texts when short, else where they part.
std::string Compare(const std::string& seen, const std::string& expected) {
    if (seen.size() + expected.size() < 600) return Show(seen) + ", expected " + Show(expected);
    std::size_t at = 0;
    while (at < seen.size() && at < expected.size() && seen[at] == expected[at]) ++at;
    char head[128];
    std::snprintf(head, sizeof head, "%u characters, expected %u, the same up to %u: ",
                  static_cast<unsigned>(seen.size()), static_cast<unsigned>(expected.size()),
                  static_cast<unsigned>(at));
    return head + Show(seen.substr(at, 60)) + " vs " + Show(expected.substr(at, 60));
}

struct SeenBox {
    std::string text;
    Icon icon;
};
const SeenBox kCompleteBox{kComplete, Icon::Information};
const SeenBox kFailedBox{kFailed, Icon::Warning};
const SeenBox kNoActiveSyncBox{kNoActiveSync, Icon::Error};
const SeenBox kNoPalmBox{kNoPalm, Icon::Error};

// Presses Install, reads and closes every box setup shows until it ends, and
// expects these boxes and the exit code 1.
void ExpectInstall(SetupRun& run, const std::vector<SeenBox>& expected, const char* what,
                   DWORD firstBoxMs = 30000) {
    std::vector<SeenBox> seen;
    Click(run.install);
    for (DWORD ms = firstBoxMs; seen.size() < 5; ms = kWait) {
        if (!WaitUntil(
                [&] {
                    return FindTopLevel(run.Pid(), "#32770", nullptr, run.dialog) != nullptr ||
                           !run.Running();
                },
                ms))
            break;
        const MessageBoxView box = WaitForMessageBox(run.Pid(), run.dialog, 0);
        if (!box.hwnd) break;  // setup has ended
        ok(box.caption == kCaption, "%s: box caption %s", what, Show(box.caption).c_str());
        seen.push_back({box.text, box.icon});
        if (!ok(CloseMessageBox(box, kWait), "%s: box %u closed", what,
                static_cast<unsigned>(seen.size())))
            break;
    }
    const DWORD exitCode = run.WaitExit(kWait);
    ok(seen.size() == expected.size(), "%s: %u boxes, expected %u", what,
       static_cast<unsigned>(seen.size()), static_cast<unsigned>(expected.size()));
    for (std::size_t i = 0; i < seen.size() && i < expected.size(); ++i) {
        ok(seen[i].text == expected[i].text, "%s: box %u: %s", what, static_cast<unsigned>(i + 1),
           Compare(seen[i].text, expected[i].text).c_str());
        if (expected[i].icon == Icon::Unknown) continue;  // not readable, see the caller
        ok(seen[i].icon == expected[i].icon, "%s: box %u icon %s, expected %s", what,
           static_cast<unsigned>(i + 1), IconName(seen[i].icon), IconName(expected[i].icon));
    }
    ok(exitCode == IDOK, "%s: exit code %s after Install, expected 1", what,
       ExitText(exitCode).c_str());
}

// The rows in this order, all checked, and Install enabled exactly when there are any.
void ExpectRows(const SetupRun& run, const std::vector<std::string>& expected, const char* what) {
    const std::vector<Row> rows = run.Rows();
    const std::vector<std::string> texts = Texts(rows);
    ok(texts == expected, "%s: rows %s, expected %s", what, Join(texts, ", ").c_str(),
       Join(expected, ", ").c_str());
    for (std::size_t i = 0; i < rows.size(); ++i)
        ok(rows[i].checkState == kChecked, "%s: row %u checked", what, static_cast<unsigned>(i));
    ok(Enabled(run.install) == !expected.empty(), "%s: Install %s", what,
       Enabled(run.install) ? "enabled" : "disabled");
}

void EmptyLog(const Tools& tools) {
    ok(DeleteFileA(tools.log.c_str()) || !FileExists(tools.log), "launch log emptied");
}

// A folder path of exactly length characters: base, then segments of at most
// 100 characters.
std::string PathOfLength(const std::string& base, std::size_t length) {
    std::string path = base;
    for (char c = 'a'; path.size() + 1 < length; ++c) {
        const std::size_t room = length - path.size() - 1;
        const std::size_t n = room <= 100 ? room : std::min<std::size_t>(100, room - 2);
        path += "\\" + std::string(n, c);
    }
    ok(path.size() == length, "path of %u characters made", static_cast<unsigned>(length));
    return path;
}

void ScenarioBadDescriptions() {
    const std::string root = ScenarioRoot("bad-descriptions");
    // fgets hands a 10,000-byte line over in pieces of 255 bytes; a piece that
    // starts with the key counts as a line of its own.
    std::string longLine = "Description = ";
    for (std::size_t i = longLine.size(); i < 10000; ++i)
        longLine += static_cast<char>('a' + i % 26);
    longLine.replace(3 * 255, 12, "Description=");
    std::string stopLine = longLine.substr(0, 600);
    stopLine.replace(2 * 255, 25, "Description stops it here");
    // Every byte value but the end-of-file mark, so text mode reads it all.
    std::string binary(1 << 20, '\0');
    unsigned seed = 12345;
    for (char& c : binary) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
        if (c == '\x1A') c = '\x1B';
    }

    const struct {
        const char* what;
        std::string head;  // Case.ini: head, gap zero bytes, tail
        ULONGLONG gap;
        std::string tail;
        bool locked;                    // held open without sharing while setup runs
        std::vector<std::string> rows;  // what Case.ini gives
    } cases[] = {
        {"50 MB file",
         "Description = Big Package\r\n",
         50ull << 20,
         "\nDescription = Big Package, last line\r\n",
         false,
         {"Big Package", "Big Package, last line"}},
        {"binary file", binary, 0, "", false, {}},
        {"NUL and end-of-file mark",
         Bytes("Description = Ab\0cd\r\nDescription = Before the mark\r\n\x1A\r\n"
               "Description = After the mark\r\n"),
         0,
         "",
         false,
         {"Ab", "Before the mark"}},
        {"10,000-byte line",
         longLine + "\r\nDescription = After the long line\r\n",
         0,
         "",
         false,
         {longLine.substr(14, 241), longLine.substr(3 * 255 + 12, 243), "After the long line"}},
        {"key without = in a piece",
         stopLine + "\r\nDescription = Never read\r\n",
         0,
         "",
         false,
         {stopLine.substr(14, 241)}},
        {"locked file", "Description = Locked Package\r\n", 0, "", true, {}},
    };
    int index = 0;
    for (const auto& c : cases) {
        trace("case: %s", c.what);
        // A good description file and an application beside the bad one.
        const SetupFolder folder =
            MakeSetupFolder(root + "\\Case " + std::to_string(++index),
                            {{"Good.ini", "Description = Good Package\r\n"}, {"Tool.prc", "app"}});
        const std::string file = folder.dir + "Case.ini";
        ok(WriteFileWithGap(file, c.head, c.gap, c.tail), "%s: Case.ini written", c.what);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.locked) {
            lock = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            HANDLE second = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            ok(lock != INVALID_HANDLE_VALUE && second == INVALID_HANDLE_VALUE &&
                   GetLastError() == ERROR_SHARING_VIOLATION,
               "Case.ini held without sharing");
            if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        }
        // Run twice for the locked file: held, then let go.
        for (int pass = 0; pass < (c.locked ? 2 : 1); ++pass) {
            std::vector<std::string> caseRows = c.rows;
            if (pass == 1) {
                CloseHandle(lock);
                caseRows = {"Locked Package"};
            }
            SetupRun run;
            const DWORD start = GetTickCount();
            if (!Launch(run, folder.exe)) break;
            trace("%s: dialog after %lu ms", c.what, GetTickCount() - start);
            // The two description files come in the folder search's order.
            std::vector<std::string> goodFirst{"Good Package"}, caseFirst = caseRows;
            goodFirst.insert(goodFirst.end(), caseRows.begin(), caseRows.end());
            caseFirst.push_back("Good Package");
            goodFirst.push_back("Tool application");
            caseFirst.push_back("Tool application");
            const std::vector<std::string> texts = Texts(run.Rows());
            ExpectRows(run, texts == caseFirst ? caseFirst : goodFirst, c.what);
            CancelAndExpect2(run);
        }
    }
}

void ScenarioOddFolders() {
    const std::string root = ScenarioRoot("odd-folders");
    const Tools tools = InstallTools(root, true, true);

    // Names with bytes from 0x80 up in the ANSI code page: rows as named, paths
    // handed on byte for byte.
    if (ok(GetACP() == 1252, "ANSI code page %u, expected 1252", GetACP())) {
        const std::map<std::string, std::string> files = {
            {"Gr\xFC\xDF"
             "e \xC4rger",
             "\xDC"
             "bersicht.ini"},
            {"Kart\xE9 application", "Kart\xE9.prc"},
            {"Stra\xDF"
             "e \x80\xFF database",
             "QM_Stra\xDF"
             "e \x80\xFF.pdb"},
        };
        const SetupFolder folder =
            MakeSetupFolder(root + "\\Setup \xC9t\xE9", {{"\xDC"
                                                          "bersicht.ini",
                                                          "Description = Gr\xFC\xDF"
                                                          "e \xC4rger\r\n"},
                                                         {"Kart\xE9.prc", "app"},
                                                         {"QM_Stra\xDF"
                                                          "e \x80\xFF.pdb",
                                                          "db"}});
        SetupRun run;
        if (Launch(run, folder.exe)) {
            ExpectRows(run,
                       {"Gr\xFC\xDF"
                        "e \xC4rger",
                        "Kart\xE9 application",
                        "Stra\xDF"
                        "e \x80\xFF database"},
                       "ANSI names");
            const ExpectedLaunches e = Expect(folder, tools, run.Rows(), files);
            ExpectInstall(run, {kCompleteBox}, "ANSI names");
            ExpectLaunches(tools, {e.ce, e.palm}, {tools.ceExe, tools.palmExe});
        }
    }

    // The folder from the module path: a path of 259 characters fits the
    // 260-byte buffer with its terminator; from 260 on nothing is listed.
    for (const std::size_t length : {259u, 260u, 330u}) {
        char what[64];
        std::snprintf(what, sizeof what, "setup.exe at a path of %u characters",
                      static_cast<unsigned>(length));
        trace("case: %s", what);
        EmptyLog(tools);
        SetupFolder folder;
        folder.exe =
            PathOfLength(root + "\\Long" + std::to_string(length), length - 10) + "\\setup.exe";
        folder.dir = DirectoryOf(folder.exe);
        ok(CopyInto(g_options.setupExe, folder.exe) &&
               WriteTextFile(folder.dir + "Maps.prc", "app"),
           "%s: folder made", what);
        const bool fits = length < MAX_PATH;
        SetupRun run;
        // CreateProcess itself stops at MAX_PATH.
        const bool started = fits ? run.Start(folder.exe) : run.StartLongPath(folder.exe);
        if (!ok(started, "%s: started", what) ||
            !ok(run.WaitForDialog(kWait), "%s: dialog appeared", what))
            continue;
        ExpectRows(run,
                   fits ? std::vector<std::string>{"Maps application"} : std::vector<std::string>{},
                   what);
        if (!fits) {
            CancelAndExpect2(run);
            continue;
        }
        folder.shortDir = ShortPath(folder.dir);
        const ExpectedLaunches e =
            Expect(folder, tools, run.Rows(), {{"Maps application", "Maps.prc"}});
        ExpectInstall(run, {kCompleteBox}, what);
        ExpectLaunches(tools, {e.palm}, {tools.palmExe});
    }

    // A read-only setup folder: nothing changes in it or in %TEMP%, after a
    // Cancel or after an Install.
    const SetupFolder folder =
        MakeSetupFolder(root + "\\Read Only",
                        {{"Alpha.ini", "Description = Alpha Suite\r\n"}, {"Atlas.prc", "app"}});
    for (const char* name : {"setup.exe", "Alpha.ini", "Atlas.prc", ""})
        ok(SetFileAttributesA((folder.dir + name).c_str(), FILE_ATTRIBUTE_READONLY),
           "%s made read-only", name[0] ? name : "the folder");
    char temp[MAX_PATH] = {};
    ok(GetTempPathA(MAX_PATH, temp) > 0, "%%TEMP%% is %s", temp);
    // Names, sizes, attributes and write times of everything below dir.
    std::function<void(const std::string&, std::vector<std::string>&)> list =
        [&](const std::string& dir, std::vector<std::string>& out) {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) return;
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                char line[96];
                std::snprintf(line, sizeof line, " %lu %lx %lx%08lx", found.nFileSizeLow,
                              found.dwFileAttributes, found.ftLastWriteTime.dwHighDateTime,
                              found.ftLastWriteTime.dwLowDateTime);
                out.push_back(dir + name + line);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list(dir + name + "\\", out);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        };
    auto listing = [&] {
        std::vector<std::string> out;
        list(folder.dir, out);
        list(temp, out);
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<std::string> before = listing();
    trace("read-only folder: %u entries there and in %%TEMP%%, folder attributes 0x%lx",
          static_cast<unsigned>(before.size()), GetFileAttributesA(folder.dir.c_str()));
    for (const bool install : {false, true}) {
        EmptyLog(tools);
        SetupRun run;
        if (!Launch(run, folder.exe)) break;
        ExpectRows(run, {"Alpha Suite", "Atlas application"}, "read-only folder");
        if (install) {
            const ExpectedLaunches e = Expect(folder, tools, run.Rows(), kInstallFiles);
            ExpectInstall(run, {kCompleteBox}, "read-only folder");
            ExpectLaunches(tools, {e.ce, e.palm}, {tools.ceExe, tools.palmExe});
        } else {
            CancelAndExpect2(run);
        }
        const std::vector<std::string> after = listing();
        ok(after == before, "after %s: setup folder and %%TEMP%% unchanged: %s",
           install ? "Install" : "Cancel", Join(after, ", ").c_str());
    }
}

// ---- Scenarios: folder names and the ANSI code page -----------------------------------------
//
// A folder name the ANSI code page cannot hold reaches the narrow calls as
// question marks. setup.exe then works through the folder's 8.3 form, which
// the code page holds; a folder whose name the code page holds (with an ü and
// an é) is used the way it always was. The folders are made with the wide
// calls, as no narrow path names them.

// The text in the ANSI code page; false when a character has no exact form
// there (nothing dropped, nothing replaced by a look-alike).
bool ExactAnsi(const std::wstring& text, std::string& ansi) {
    ansi.clear();
    if (text.empty()) return true;
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr,
                                      0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    ansi.resize(static_cast<std::size_t>(n));
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &ansi[0], n,
                               nullptr, &usedDefault) == n &&
           !usedDefault;
}

std::wstring WideShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

bool WriteWideFile(const std::wstring& path, const std::string& bytes) {
    struct File {
        HANDLE handle;
        ~File() {
            if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        }
    } const file{CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD written = 0;
    return file.handle != INVALID_HANDLE_VALUE &&
           WriteFile(file.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

// The path of a running program's file as its own narrow calls see it.
std::string NarrowImagePath(HANDLE process) {
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameA(process, 0, path, &size) ? std::string(path, size)
                                                                : std::string();
}

void ScenarioFolderName(const char* scenario, const std::wstring& name, bool inCodePage) {
    if (!ok(GetACP() == 1252,
            "ANSI code page %u, expected 1252: Wine takes it from the Unix locale, so run the "
            "tests under a locale such as C.UTF-8 or en_US.UTF-8",
            GetACP()))
        return;
    const std::string root = ScenarioRoot(scenario);
    const std::wstring dir = WidePath(root) + L"\\" + name + L"\\";
    const std::wstring exe = dir + L"setup.exe";
    std::string narrowDir;
    if (!ok(ExactAnsi(dir, narrowDir) == inCodePage, "the folder's name is %s the code page",
            inCodePage ? "held by" : "outside"))
        return;
    ok(CreateDirectoryW(dir.c_str(), nullptr) != 0, "setup folder created");
    ok(CopyFileW(WidePath(g_options.setupExe).c_str(), exe.c_str(), FALSE) != 0,
       "setup.exe copied into it");
    ok(WriteWideFile(dir + L"Alpha.ini", "Description = Alpha Suite\r\n") &&
           WriteWideFile(dir + L"Maps.prc", "app") && WriteWideFile(dir + L"QM_Streets.pdb", "db"),
       "components written");
    const std::map<std::string, std::string> files = {{"Alpha Suite", "Alpha.ini"},
                                                      {"Maps application", "Maps.prc"},
                                                      {"Streets database", "QM_Streets.pdb"}};

    // Where setup.exe has to look: the folder's short form, for a name the
    // code page holds the one the narrow call gives.
    SetupFolder folder;
    if (inCodePage)
        folder.shortDir = ShortPath(narrowDir);
    else
        ok(ExactAnsi(WideShortPath(dir), folder.shortDir),
           "the folder's short form is held by the code page (short names are on)");
    ok(!folder.shortDir.empty() && folder.shortDir.back() == '\\', "short form %s",
       Show(folder.shortDir).c_str());

    const Tools tools = InstallTools(root, true, true);
    SetupRun run;
    const bool started = run.StartWide(exe);
    if (!ok(started, "setup.exe started (error %lu)", started ? 0ul : GetLastError()) ||
        !DialogReady(run))
        return;
    // The condition under test: whether the program's narrow path names it.
    const std::string image = NarrowImagePath(run.Process());
    trace("narrow path of setup.exe: %s", Show(image).c_str());
    if (inCodePage)
        ok(image == narrowDir + "setup.exe", "narrow path %s is the folder's own",
           Show(image).c_str());
    else
        ok(!image.empty() && GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES,
           "narrow path %s names no file", Show(image).c_str());

    trace("rows %s", Join(Texts(run.Rows()), ", ").c_str());
    ExpectRows(run, {"Alpha Suite", "Maps application", "Streets database"}, scenario);
    HWND about = OpenAbout(run);  // checks the version line
    if (about) {
        trace("About shows %s", Show(TextOf(GetDlgItem(about, kVersionText))).c_str());
        Click(GetDlgItem(about, IDOK));
        ok(WaitGone(about, kWait), "About closed");
    }
    if (RowCount(run.list) == 0) {  // nothing to hand over
        CancelAndExpect2(run);
        return;
    }
    const ExpectedLaunches e = Expect(folder, tools, run.Rows(), files);
    ExpectInstall(run, {kCompleteBox}, scenario);
    for (const Launched& l : ReadLaunches(tools.log))
        trace("launched %s", Show(l.commandLine).c_str());
    ExpectLaunches(tools, {e.ce, e.palm}, {tools.ceExe, tools.palmExe});
}

void ScenarioBadRegistrations() {
    const std::string root = ScenarioRoot("bad-registrations");
    const SetupFolder both =
        MakeSetupFolder(root + "\\Setup Files",
                        {{"Alpha.ini", "Description = Alpha Suite\r\n"}, {"Atlas.prc", "app"}});
    const SetupFolder palmOnly =
        MakeSetupFolder(root + "\\Palm Files", {{"Atlas.prc", "app"}, {"QM_Atlas.pdb", "db"}});
    const Tools tools = InstallTools(root, true, true);
    const std::map<std::string, std::string> files = {{"Alpha Suite", "Alpha.ini"},
                                                      {"Atlas application", "Atlas.prc"},
                                                      {"Atlas database", "QM_Atlas.pdb"}};

    // App Paths\CEAppMgr.exe. A tool at a path of 259 characters: with its
    // terminator the longest value that fits the 260-byte buffer.
    const std::string longCe = PathOfLength(root + "\\CE", 259 - 13) + "\\CEAppMgr.exe";
    ok(CopyInto(tools.ceExe, longCe), "CE stand-in copied to a path of %u characters",
       static_cast<unsigned>(longCe.size()));
    const struct {
        const char* what;
        DWORD type;
        std::string data;
        std::string launched;  // the tool that runs; empty: none may
    } ceCases[] = {
        {"empty string", REG_SZ, std::string(1, '\0'), ""},
        {"REG_DWORD", REG_DWORD, Bytes("\x01\0\0\0"), ""},
        // The type is not examined; the data is the path, with or without a terminator.
        {"REG_BINARY holding a path", REG_BINARY, tools.ceExe, tools.ceExe},
        {"301 bytes", REG_SZ, "C:\\" + std::string(296, 'x') + ".exe" + '\0', ""},
        {"259 characters and a terminator", REG_SZ, longCe + '\0', longCe},
        // Its first 259 bytes name the tool: refused all the same.
        {"260 bytes without a terminator", REG_SZ, longCe + "x", ""},
        {"missing file", REG_SZ, root + "\\No Such Folder\\CEAppMgr.exe" + '\0', ""},
    };
    for (const auto& c : ceCases) {
        trace("case: App Paths value, %s", c.what);
        EmptyLog(tools);
        ok(SetCeAppManagerValue(c.type, c.data), "%s: App Paths value set", c.what);
        SetupRun run;
        if (!Launch(run, both.exe)) continue;
        const ExpectedLaunches e =
            Expect(both, Tools{c.launched, tools.palmExe, tools.log}, run.Rows(), files);
        if (c.launched.empty()) {
            ExpectInstall(run, {kNoActiveSyncBox, kFailedBox}, c.what);
            ExpectLaunches(tools, {}, {});
        } else {
            ExpectInstall(run, {kCompleteBox}, c.what);
            ExpectLaunches(tools, {e.ce, e.palm}, {c.launched, tools.palmExe});
        }
    }

    // The ".prc" open command, for a folder of Palm components only.
    const std::string spacedExe = root + "\\Program Files\\Tool\\PalmInstall.exe";
    ok(CopyInto(tools.palmExe, spacedExe), "Palm stand-in copied to %s", spacedExe.c_str());
    const std::string quoted = "\"" + tools.palmExe + "\" \"%1\"";
    auto padded = [&](std::size_t n) {
        return quoted + " /" + std::string(n - quoted.size() - 2, 'p');
    };
    enum Outcome { kLaunched, kLaunchFails, kMissing };
    const struct {
        const char* what;
        std::string command;
        Outcome outcome;
        std::string program;  // what setup puts before the paths
        std::string launched;
    } palmCases[] = {
        {"empty command", "", kMissing, "", ""},
        // Unquoted: all before %1 is the program, spaces and all.
        {"unquoted with spaces", spacedExe + " %1", kLaunched, "\"" + spacedExe + "\"", spacedExe},
        // No closing quote: the command is kept whole.
        {"no closing quote", "\"" + spacedExe + " %1", kLaunchFails, "\"" + spacedExe + " %1", ""},
        {"1,023 characters", padded(1023), kLaunched, "\"" + tools.palmExe + "\"", tools.palmExe},
        {"1,024 characters", padded(1024), kMissing, "", ""},
        {"4,000 characters", padded(4000), kMissing, "", ""},
    };
    for (const auto& c : palmCases) {
        trace("case: .prc open command, %s", c.what);
        EmptyLog(tools);
        ok(SetPrcAssociation(kProgId, c.command), "%s: association set", c.what);
        SetupRun run;
        if (!Launch(run, palmOnly.exe)) continue;
        // The quoted paths, as they follow the program.
        const ExpectedLaunches e =
            Expect(palmOnly, Tools{tools.ceExe, "P", tools.log}, run.Rows(), files);
        const std::string line = c.program + " " + e.palm.substr(4);
        if (c.outcome == kLaunched) {
            ExpectInstall(run, {kCompleteBox}, c.what);
            ExpectLaunches(tools, {line}, {c.launched});
        } else {
            const std::string details =
                c.outcome == kMissing ? ""
                                      : kPalmLaunchFailed + SystemText(LaunchError(line)) + line;
            ExpectInstall(
                run,
                {c.outcome == kMissing ? kNoPalmBox : SeenBox{details, Icon::Error}, kFailedBox},
                c.what);
            ExpectLaunches(tools, {}, {});
        }
    }
}

// Folders of many component files, written from the Linux side by
// tests/hostile/many-files.sh (a file made under Wine costs about 2 ms):
//   Ten Thousand  Package00000.ini-Package03333.ini ("Description = Package 00000"),
//                 App00000.prc-App03332.prc, QM_Data00000.pdb-QM_Data03332.pdb
//   CE Only       3,000 of "CE component 0000 with a long file name, for a long command line.ini"
//                 ("Description = CE component 0000")
//   Palm Only     1,500 of "Palm application 0000 with a long file name, for a long command
//   line.prc"
//                 and 1,500 of "QM_Palm database 0000 with a long file name, for a long command
//                 line.pdb"
const char kManyFiles[] = "C:\\e2e-files\\many-components";
const char kLongTail[] = " with a long file name, for a long command line";

std::string Numbered(const char* format, int i) {
    char text[128];
    std::snprintf(text, sizeof text, format, i);
    return text;
}

// Component files whose command line, with the given tools, is exactly length
// characters: names of about 200 characters (the last ones a little shorter).
std::vector<std::string> NamesForLine(const SetupFolder& folder, const Tools& tools, bool ce,
                                      std::size_t length) {
    auto name = [&](std::size_t i, std::size_t size) {
        return Numbered("%03d ", static_cast<int>(i)) + std::string(size - 8, ce ? 'c' : 'p') +
               (ce ? ".ini" : ".prc");
    };
    auto lineLength = [&](const std::vector<std::string>& names) {
        std::vector<Row> rows;
        std::map<std::string, std::string> files;
        for (const std::string& n : names) {
            const std::string text = n.substr(0, n.size() - 4) + (ce ? "" : " application");
            rows.push_back({text, kChecked});
            files[text] = n;
        }
        const ExpectedLaunches e = Expect(folder, tools, rows, files);
        return (ce ? e.ce : e.palm).size();
    };
    std::vector<std::string> names;
    while (names.empty() || lineLength(names) < length) names.push_back(name(names.size(), 200));
    // Each character of a name is one of the line.
    for (std::size_t excess = lineLength(names) - length, i = 0; excess > 0; --excess, ++i) {
        std::string& n = names[i % names.size()];
        n = name(i % names.size(), n.size() - 1);
    }
    ok(lineLength(names) == length, "%u names make a line of %u characters",
       static_cast<unsigned>(names.size()), static_cast<unsigned>(length));
    return names;
}

void ScenarioManyComponents() {
    const std::string root = ScenarioRoot("many-components");
    const Tools tools = InstallTools(root, true, true);
    auto prepared = [&](const char* name, std::size_t files) {
        SetupFolder f;
        f.dir = std::string(kManyFiles) + "\\" + name + "\\";
        f.exe = f.dir + "setup.exe";
        std::size_t found = 0;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((f.dir + "*").c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            do
                found += !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         lstrcmpiA(data.cFileName, "setup.exe") != 0;
            while (FindNextFileA(search, &data));
            FindClose(search);
        }
        ok(found == files, "%s holds %u files, expected %u (made by tests/hostile/many-files.sh)",
           f.dir.c_str(), static_cast<unsigned>(found), static_cast<unsigned>(files));
        ok(CopyInto(g_options.setupExe, f.exe), "setup.exe copied to %s", f.exe.c_str());
        f.shortDir = ShortPath(f.dir);
        return f;
    };

    // 10,000 component files: every row, in bounded time.
    {
        const SetupFolder folder = prepared("Ten Thousand", 10000);
        std::vector<std::string> ini, apps, dbs;
        for (int i = 0; i < 3334; ++i) ini.push_back(Numbered("Package %05d", i));
        for (int i = 0; i < 3333; ++i) apps.push_back(Numbered("App%05d application", i));
        for (int i = 0; i < 3333; ++i) dbs.push_back(Numbered("Data%05d database", i));
        SetupRun run;
        const DWORD start = GetTickCount();
        if (ok(run.Start(folder.exe), "started") &&
            ok(run.WaitForDialog(60000), "dialog appeared")) {
            const DWORD ms = GetTickCount() - start;
            trace("10,000 components: dialog after %lu ms", ms);
            ok(ms < 30000, "10,000 components listed in %lu ms, expected under 30 s", ms);
            const std::vector<Row> rows = run.Rows();
            std::vector<std::string> texts = Texts(rows);
            ok(texts.size() == 10000, "%u rows, expected 10,000",
               static_cast<unsigned>(texts.size()));
            // Each kind in the search's order; description rows first, then applications, then
            // databases.
            bool inOrder = texts.size() == 10000;
            std::size_t at = 0;
            for (const std::vector<std::string>* kind : {&ini, &apps, &dbs}) {
                if (!inOrder) break;
                std::vector<std::string> part(
                    texts.begin() + static_cast<std::ptrdiff_t>(at),
                    texts.begin() + static_cast<std::ptrdiff_t>(at + kind->size()));
                std::sort(part.begin(), part.end());
                inOrder = part == *kind;
                at += kind->size();
            }
            ok(inOrder, "rows of 3,334 description files, 3,333 applications, 3,333 databases");
            ok(std::all_of(rows.begin(), rows.end(),
                           [](const Row& r) { return r.checkState == kChecked; }),
               "all rows checked");
            ok(Enabled(run.install), "Install enabled");
            CancelAndExpect2(run);
        }
    }

    // 3,000 checked components: command lines far beyond 32,767 characters
    // are never launched.
    for (const bool ce : {true, false}) {
        const char* what = ce ? "3,000 CE components" : "3,000 Palm components";
        EmptyLog(tools);
        const SetupFolder folder = prepared(ce ? "CE Only" : "Palm Only", 3000);
        std::map<std::string, std::string> files;
        for (int i = 0; i < 3000; ++i) {
            if (ce)
                files[Numbered("CE component %04d", i)] =
                    Numbered("CE component %04d", i) + kLongTail + ".ini";
            else if (i < 1500)
                files[Numbered("Palm application %04d", i) + kLongTail + " application"] =
                    Numbered("Palm application %04d", i) + kLongTail + ".prc";
            else
                files[Numbered("Palm database %04d", i) + kLongTail + " database"] =
                    Numbered("QM_Palm database %04d", i) + kLongTail + ".pdb";
        }
        SetupRun run;
        if (!Launch(run, folder.exe)) continue;
        ok(RowCount(run.list) == 3000, "%s: %d rows", what, RowCount(run.list));
        // The line's order is the rows' order; its length is not, so the
        // texts are read only where the line is shown.
        std::vector<Row> rows;
        if (ce) {
            for (const auto& f : files) rows.push_back({f.first, kChecked});
        } else {
            rows = run.Rows();
        }
        const ExpectedLaunches e = Expect(folder, tools, rows, files);
        const std::string& line = ce ? e.ce : e.palm;
        trace("%s: a command line of %u characters", what, static_cast<unsigned>(line.size()));
        ok(line.size() > 32767, "%s: the line is longer than 32,767", what);
        if (ce)
            ExpectInstall(run, {kNoActiveSyncBox, kFailedBox}, what, 60000);
        else
            ExpectInstall(
                run,
                // The box of a 300,000-character text is many screens large and
                // its icon cannot be read back from the screen; the text can.
                {{kPalmLaunchFailed + SystemText(kErrorFilenameTooLong) + line, Icon::Unknown},
                 kFailedBox},
                what, 60000);
        ExpectLaunches(tools, {}, {});
    }

    // Around the limit: the system takes 32,766 characters (32,767 with the
    // terminator); setup refuses longer lines itself.
    for (const bool ce : {true, false}) {
        const SetupFolder folder = MakeSetupFolder(root + (ce ? "\\Limit CE" : "\\Limit Palm"), {});
        const std::string toolDir = root + "\\Limit Tools\\";
        const std::string base = ce ? "CEAppMgr" : "PalmInstall";
        const Tools shortest{toolDir + base + ".exe", toolDir + base + ".exe", tools.log};
        const std::vector<std::string> names = NamesForLine(folder, shortest, ce, 32766);
        std::map<std::string, std::string> files;
        for (const std::string& n : names) {
            const std::string stem = n.substr(0, n.size() - 4);
            ok(WriteTextFile(folder.dir + n, ce ? "Description = " + stem + "\r\n" : "app"),
               "%s written", n.c_str());
            files[ce ? stem : stem + " application"] = n;
        }
        for (const std::size_t extra : {0u, 1u, 2u}) {
            char what[64];
            std::snprintf(what, sizeof what, "%s line of %u characters", ce ? "CE" : "Palm",
                          static_cast<unsigned>(32766 + extra));
            trace("case: %s", what);
            EmptyLog(tools);
            // One more character in the tool's name, one more in the line.
            const std::string exe = toolDir + base + std::string("12").substr(0, extra) + ".exe";
            ok(CopyInto(g_options.tools + (ce ? "\\CEAppMgr.exe" : "\\PalmInstall.exe"), exe),
               "stand-in copied to %s", exe.c_str());
            if (ce)
                ok(SetCeAppManagerPath(exe), "App Paths\\CEAppMgr.exe set");
            else
                ok(SetPrcAssociation(kProgId, "\"" + exe + "\" \"%1\""), ".prc association set");
            SetupRun run;
            if (!Launch(run, folder.exe)) continue;
            const ExpectedLaunches e =
                Expect(folder, Tools{exe, exe, tools.log}, run.Rows(), files);
            const std::string& line = ce ? e.ce : e.palm;
            ok(line.size() == 32766 + extra, "%s: the line has %u characters", what,
               static_cast<unsigned>(line.size()));
            if (extra == 0) {
                ExpectInstall(run, {kCompleteBox}, what);
                ExpectLaunches(tools, {line}, {exe});
                continue;
            }
            const DWORD error = kErrorFilenameTooLong;
            if (ce)
                ExpectInstall(run, {kNoActiveSyncBox, kFailedBox}, what);
            else
                ExpectInstall(
                    run, {{kPalmLaunchFailed + SystemText(error) + line, Icon::Error}, kFailedBox},
                    what);
            ExpectLaunches(tools, {}, {});
        }
    }
    SetCeAppManagerPath(tools.ceExe);
}

// ---- Scenario: libraries planted beside setup.exe -------------------------------------------
//
// A downloaded setup.exe sits in a folder anyone may have put libraries in,
// and is often started with that folder as the current directory. Copies of
// libraries setup or the system libraries load by name (tests/hostile/hostile.c,
// each leaves a marker file when loaded) lie in both places; none may load.

const char* const kPlanted[] = {"uxtheme", "dwmapi", "cryptbase", "comctl32", "version"};

// The markers left so far: "<library> loaded by <program>".
std::vector<std::string> Markers(const std::string& folder) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*.txt").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string name = data.cFileName;
        found.push_back(name.substr(0, name.find('-')) + " loaded by " +
                        ReadTextFile(folder + "\\" + name));
    } while (FindNextFileA(search, &data));
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

bool Planted(const std::vector<std::string>& markers, const char* library) {
    const std::string prefix = std::string(library) + " loaded by ";
    return std::any_of(markers.begin(), markers.end(), [&](const std::string& m) {
        return m.compare(0, prefix.size(), prefix) == 0;
    });
}

// Runs the control program and returns the markers it left.
std::vector<std::string> RunControl(const std::string& exe, const std::string& cwd,
                                    const std::string& markers) {
    RemoveTree(markers);
    std::string command = "\"" + exe + "\"";
    for (const char* name : kPlanted) command += std::string(" ") + name + ".dll";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!ok(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(),
                           &startup, &info),
            "control program started"))
        return {};
    if (!ok(WaitForSingleObject(info.hProcess, kWait) == WAIT_OBJECT_0, "control program ended"))
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return Markers(markers);
}

// nativeFirst: the run was started with Wine preferring native copies of
// uxtheme, dwmapi, cryptbase and comctl32 (tests/hostile/run-native.sh); Wine
// reads that setting from the Unix environment only, so the driver cannot
// change it for the processes it starts.
void ScenarioHostileLibraries(bool nativeFirst) {
    if (!ok(!g_options.hostile.empty(), "--hostile names the folder of planted libraries")) return;
    char overrides[512] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    const bool preferred = std::strstr(overrides, "comctl32=n,b") != nullptr;
    if (!ok(preferred == nativeFirst, "WINEDLLOVERRIDES=%s %s native copies first", overrides,
            nativeFirst ? "asks for" : "does not ask for"))
        return;
    const std::string root =
        ScenarioRoot(nativeFirst ? "hostile-libraries-native" : "hostile-libraries");
    const std::string downloads = root + "\\Downloads";
    const SetupFolder folder =
        MakeSetupFolder(downloads + "\\Quillmere",
                        {{"Alpha.ini", "Description = Alpha Suite\r\n"}, {"Atlas.prc", "app"}});
    for (const char* name : kPlanted) {
        const std::string dll = g_options.hostile + "\\" + name + ".dll";
        ok(CopyInto(dll, folder.dir + name + ".dll") &&
               CopyInto(dll, downloads + "\\" + name + ".dll"),
           "%s.dll planted beside setup.exe and in the current directory", name);
    }
    // The control program beside the planted copies, and once in a clean
    // folder with the planted copies only in its current directory.
    const std::string controlBeside = folder.dir + "control.exe";
    const std::string controlElsewhere = root + "\\Clean\\control.exe";
    ok(CopyInto(g_options.hostile + "\\control.exe", controlBeside) &&
           CopyInto(g_options.hostile + "\\control.exe", controlElsewhere),
       "control program copied");
    const std::string markers = root + "\\markers";
    SetEnv("HOSTILE_MARKERS", markers.c_str());
    const Tools tools = InstallTools(root, true, true);

    // The whole road, started from the download folder: About, then Install
    // through both tools.
    {
        SetupRun run;
        if (Launch(run, folder.exe, "", downloads.c_str())) {
            ExpectRows(run, {"Alpha Suite", "Atlas application"}, "planted libraries");
            HWND about = OpenAbout(run);
            if (about) {
                Click(GetDlgItem(about, IDOK));
                ok(WaitGone(about, kWait), "About closed");
            }
            const ExpectedLaunches e = Expect(folder, tools, run.Rows(), kInstallFiles);
            ExpectInstall(run, {kCompleteBox}, "planted libraries");
            ExpectLaunches(tools, {e.ce, e.palm}, {tools.ceExe, tools.palmExe});
        }
    }
    // Wine's own user32 imports version.dll before any code of the program
    // runs, so with an override a planted version.dll would load whatever the
    // program does: it is left out of run-native.sh's list and tried under
    // Wine's default load order only. There Wine hands out the copy user32
    // already loaded even to the control program, so under Wine this part
    // cannot fail; on Windows it is the classic planted library.
    const std::vector<std::string> left = Markers(markers);
    ok(left.empty(), "no planted library loaded by setup.exe or the tools: %s",
       Join(left, ", ").c_str());

    // The planted copies are live: a program without the protection loads
    // them. Under the default order Wine still prefers a copy without a
    // version record over its own for names it has not loaded yet (dwmapi),
    // and cryptbase has no built-in copy at all, so it comes from the current
    // directory as well.
    std::vector<const char*> beside{"dwmapi", "cryptbase"};
    if (nativeFirst) beside = {"uxtheme", "dwmapi", "cryptbase", "comctl32"};
    const std::vector<std::string> seenBeside = RunControl(controlBeside, downloads, markers);
    trace("control beside them: %s", Join(seenBeside, ", ").c_str());
    for (const char* name : beside)
        ok(Planted(seenBeside, name), "the control loads the planted %s.dll beside it", name);
    const std::vector<std::string> seenElsewhere = RunControl(controlElsewhere, downloads, markers);
    trace("control elsewhere: %s", Join(seenElsewhere, ", ").c_str());
    ok(Planted(seenElsewhere, "cryptbase"),
       "the control loads the planted cryptbase.dll from its current directory");
    SetEnv("HOSTILE_MARKERS", nullptr);
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
    {"bad-descriptions", ScenarioBadDescriptions},
    {"odd-folders", ScenarioOddFolders},
    {"bad-registrations", ScenarioBadRegistrations},
    // "Установка Карты" and "Karten für Café"
    {"folder-outside-code-page",
     [] {
         ScenarioFolderName("folder-outside-code-page",
                            L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430 "
                            L"\u041a\u0430\u0440\u0442\u044b",
                            false);
     }},
    {"folder-in-code-page",
     [] { ScenarioFolderName("folder-in-code-page", L"Karten f\u00fcr Caf\u00e9", true); }},
    {"many-components", ScenarioManyComponents},
    {"hostile-libraries", [] { ScenarioHostileLibraries(false); }},
    {"hostile-libraries-native", [] { ScenarioHostileLibraries(true); }},
};

std::string OwnDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return DirectoryOf(path);
}

int Usage() {
    std::printf(
        "usage: driver <scenario> --setup <setup.exe> [--tools <dir>] [--work <dir>]\n"
        "              [--hostile <dir>]\n"
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
    if (!ReadPathOptions(argc, argv, 2,
                         {{"setup", &g_options.setupExe},
                          {"tools", &g_options.tools},
                          {"work", &g_options.work},
                          {"hostile", &g_options.hostile}}) ||
        g_options.setupExe.empty())
        return Usage();
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
