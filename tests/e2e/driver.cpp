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
// nothing failed. The scenarios are those of tests/e2e/scenarios.txt, from
// which CMake registers a test e2e.<name> for each; the build checks that
// kScenarios below names the same ones.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "scenario_names.inc"  // kListedScenarios, written from tests/e2e/scenarios.txt

namespace {

const char kTitle[] = "Quillmere Installer";
const char kProgId[] = "QuillmereTest.PalmInstall";
constexpr DWORD kErrorFilenameTooLong = 206;
constexpr std::size_t kLongestCommandLine = 32766;  // what the system starts

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

void WriteComponents(const SetupFolder& folder, const std::vector<Component>& files) {
    for (const Component& file : files)
        ok(WriteTextFile(folder.dir + file.name, file.bytes), "%s written", file.name.c_str());
}

SetupFolder MakeSetupFolder(const std::string& dir, const std::vector<Component>& files) {
    SetupFolder f;
    f.dir = dir + "\\";
    f.exe = f.dir + "setup.exe";
    ok(MakeDirectories(dir), "%s created", dir.c_str());
    ok(CopyInto(g_options.setupExe, f.exe), "setup.exe copied to %s", f.exe.c_str());
    WriteComponents(f, files);
    f.shortDir = ShortPath(f.dir);
    ok(!f.shortDir.empty() && f.shortDir.back() == '\\', "short form of %s: %s", f.dir.c_str(),
       f.shortDir.c_str());
    return f;
}

void SetEnv(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

template <std::size_t N>
std::string Bytes(const char (&text)[N]) {  // a literal with NULs in it
    return std::string(text, N - 1);
}

std::vector<Component> operator+(std::vector<Component> files, const Component& more) {
    files.push_back(more);
    return files;
}

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

// The selection dialog has no owner, so it stands in the middle of the work
// area: what is checked is what shows, the dialog inside the area with equal
// gaps left and right, and above and below, but for the one pixel that
// halving an odd size leaves.
void ExpectCentred(HWND dialog) {
    RECT area{}, r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog, &r);
    const long left = r.left - area.left, right = area.right - r.right;
    const long top = r.top - area.top, bottom = area.bottom - r.bottom;
    ok(left >= 0 && right >= 0 && top >= 0 && bottom >= 0 && std::abs(left - right) <= 1 &&
           std::abs(top - bottom) <= 1,
       "dialog (%ld,%ld)-(%ld,%ld) in work area (%ld,%ld)-(%ld,%ld): gaps %ld left, %ld right, "
       "%ld above, %ld below",
       r.left, r.top, r.right, r.bottom, area.left, area.top, area.right, area.bottom, left, right,
       top, bottom);
}

// What a user sees of the dialog, for comparing two runs.
std::string Snapshot(const SetupRun& run) {
    char title[256] = {};
    GetWindowTextA(run.dialog, title, sizeof title);
    std::string s = std::string("title=") + title;
    for (HWND button : {run.install, run.cancel, run.about})
        s += " | " + TextOf(button) + (Enabled(button) ? "(on)" : "(off)");
    for (const Row& row : run.Rows())
        s += " | row " + row.text + "#" + std::to_string(row.checkState);
    return s;
}

int RowIndex(const std::vector<Row>& rows, const std::string& text) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].text == text) return static_cast<int>(i);
    return -1;
}

// ---- The install tools -------------------------------------------------------------

// How an install tool is registered: as its stand-in (Present), not at all,
// naming a program that is not there (Failing), or (the CE Application
// Manager) with an App Paths value of any type and bytes.
enum class Registered { Present, Missing, Failing, Value };

struct Registry {
    Registry(Registered ceTool = Registered::Present, Registered palmTool = Registered::Present)
        : ce(ceTool), palm(palmTool) {}
    Registered ce = Registered::Present;
    Registered palm = Registered::Present;
    std::string
        palmExe;  // the Palm stand-in below the scenario's root; "": Palm Desktop\Install Tool.exe
    // The ".prc" open command, "{tool}" standing for the Palm stand-in's path;
    // none: "{tool}" "%1" with the quotes.
    std::optional<std::string> palmCommand;
    DWORD ceType = REG_SZ;  // Registered::Value: App Paths' default value
    std::string ceBytes;
};

Registry CeValue(DWORD type, const std::string& bytes) {
    Registry r;
    r.ce = Registered::Value;
    r.ceType = type;
    r.ceBytes = bytes;
    return r;
}

Registry PalmCommand(const std::string& command, const std::string& palmExe = "") {
    Registry r;
    r.palmCommand = command;
    r.palmExe = palmExe;
    return r;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Where a failing registration points: a folder that does not exist.
std::string AbsentTools(const std::string& root) { return root + "\\No Such Folder\\"; }

// Where a scenario's stand-ins lie (the Palm one, when given, below root).
Tools ToolsAt(const std::string& root, const std::string& palmExe = "") {
    Tools t;
    t.ceExe = root + "\\Program Files\\Mobile Sync\\CEAppMgr.exe";
    t.palmExe = root + "\\" + (palmExe.empty() ? "Palm Desktop\\Install Tool.exe" : palmExe);
    t.log = root + "\\launches.log";
    return t;
}

// A scenario's tools: both stand-ins copied into folders whose names have
// spaces, registered the way ActiveSync and Palm Desktop register theirs (or
// as the registry says), logging into an empty log.
Tools InstallTools(const std::string& root, const Registry& registry = Registry()) {
    const Tools t = ToolsAt(root, registry.palmExe);
    PlaceStandins(g_options.tools, t);
    EmptyLog(t);
    const std::string absent = AbsentTools(root);
    switch (registry.ce) {
    case Registered::Present:
        ok(SetCeAppManagerPath(t.ceExe), "App Paths\\CEAppMgr.exe set");
        break;
    case Registered::Missing:
        ok(RemoveCeAppManagerPath(), "App Paths\\CEAppMgr.exe removed");
        break;
    case Registered::Failing:
        ok(SetCeAppManagerPath(absent + "CEAppMgr.exe"), "App Paths\\CEAppMgr.exe names no file");
        break;
    case Registered::Value:
        ok(SetCeAppManagerValue(registry.ceType, registry.ceBytes), "App Paths value set");
        break;
    }
    ok(RemovePrcAssociation(kProgId), "no .prc association left");
    if (registry.palm != Registered::Missing) {
        const std::string tool =
            registry.palm == Registered::Failing ? absent + "PalmInstall.exe" : t.palmExe;
        const std::string command =
            Replaced(registry.palmCommand.value_or("\"{tool}\" \"%1\""), "{tool}", tool);
        ok(SetPrcAssociation(kProgId, command), ".prc association set to %s", command.c_str());
    }
    return t;
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

// The box of a Palm command line that does not start: the system's reason,
// or, for a line longer than the system takes, the one setup gives itself.
SeenBox PalmLaunchFailedBox(const std::string& line, Icon icon = Icon::Error) {
    const DWORD error =
        line.size() > kLongestCommandLine ? kErrorFilenameTooLong : LaunchError(line);
    return SeenBox{kPalmLaunchFailed + SystemText(error) + line, icon};
}

// ---- Install cases -------------------------------------------------------------------

enum class Tool { Ce, Palm };

// What setup.exe should start for one tool: the files (by their names in the
// setup folder) in the order of their rows.
struct Handed {
    Handed(Tool t, std::vector<std::string> f, bool s = true, std::string p = "",
           std::string e = "")
        : tool(t), files(std::move(f)), starts(s), program(std::move(p)), exe(std::move(e)) {}
    Tool tool;
    std::vector<std::string> files;
    bool starts;          // false: the system refuses the line (and the box quotes it)
    std::string program;  // what comes before the paths; "": the tool's path in quotes
    std::string exe;      // the program that runs; "": the tool's stand-in
};

enum class Box { Complete, Failed, NoActiveSync, NoPalm, PalmLaunchFailed };

enum : unsigned {
    kClick = 0,
    kEnter = 1,      // Enter rather than a click on Install
    kHoldFirst = 2,  // the first tool started waits until the driver lets it go
};

// One Install: the folder, the rows unchecked before it, the registry, the
// stand-ins, and what follows.
struct InstallCase {
    InstallCase(const char* s, const char* w, std::vector<Component> f, std::vector<std::string> u,
                Registry r, std::vector<Box> b, std::vector<Handed> l, int exitCode = 0,
                unsigned h = kClick)
        : scenario(s),
          what(w),
          folder(std::move(f)),
          uncheck(std::move(u)),
          registry(std::move(r)),
          boxes(std::move(b)),
          launches(std::move(l)),
          standinExit(exitCode),
          how(h) {}
    const char* scenario;
    const char* what;
    std::vector<Component> folder;
    std::vector<std::string> uncheck;  // row texts
    Registry registry;
    std::vector<Box> boxes;        // in order; the exit code is 1 after any
    std::vector<Handed> launches;  // what setup tries to start, in order
    int standinExit;               // the stand-ins' exit code
    unsigned how;
};

const std::vector<Component> kPair = {Ini("Alpha.ini", {"Alpha Suite"}), Palm("Atlas.prc")};

// Alpha.ini went to the CE tool and the Palm files to the Palm tool, and
// setup said it was complete.
Outcome BothInstalled(const Tools& tools, const std::string& shortDir,
                      const std::vector<std::string>& palmFiles = {"Atlas.prc"}) {
    return {{kCompleteBox},
            {{tools.ceExe, CeCommandLine(Quoted(tools.ceExe), shortDir, {"Alpha.ini"})},
             {tools.palmExe, PalmCommandLine(Quoted(tools.palmExe), shortDir, palmFiles)}}};
}
const std::vector<Component> kTrio = kPair + Palm("QM_Atlas.pdb");
// Two rows from one description file, one from another, two applications
// (one with a space in its name) and a database.
const std::vector<Component> kSuite = {Ini("Alpha.ini", {"Alpha Suite", "Alpha Extras"}),
                                       Ini("Beta Tools.ini", {"Beta Tools"}), Palm("Atlas.prc"),
                                       Palm("Road Map.prc"), Palm("QM_Atlas.pdb")};
const std::vector<Component> kSuiteAndExtra = kSuite + Palm("QM_Extra.pdb");
// The Palm tool registered without quotes around it.
const Registry kUnquotedPalm = PalmCommand("{tool} \"%1\"", "palm\\PALMINST.EXE");

// Each case: its scenario and what it shows; the folder; the rows unchecked
// before Install; the registry (CE tool, Palm tool); the boxes that follow, in
// order; what setup starts, in order; then the stand-ins' exit code and how
// Install is pressed.
// clang-format off
const InstallCase kInstallCases[] = {
    // Under code page 65001 names and rows outside code page 1252 are ANSI
    // text like any other, in UTF-8.
    {"install-utf8", "Cyrillic and Japanese names and rows in UTF-8",
     {Ini("Карты.ini", {"Карты для Windows CE"}), Ini("地図ソフト.ini", {"地図ソフト 2.0"}),
      Palm("Справочник.prc"), Palm("QM_住所.pdb")}, {}, {}, {Box::Complete},
     {{Tool::Ce, {"Карты.ini", "地図ソフト.ini"}},
      {Tool::Palm, {"Справочник.prc", "QM_住所.pdb"}}}},
    {"install", "every row checked; the tools' exit codes mean nothing to setup",
     kSuite, {}, {}, {Box::Complete},
     {{Tool::Ce, {"Alpha.ini", "Alpha.ini", "Beta Tools.ini"}},
      {Tool::Palm, {"Atlas.prc", "Road Map.prc", "QM_Atlas.pdb"}}},
     7},

    {"install-unchecked", "two rows unchecked, Enter for Install, the Palm tool unquoted",
     kSuiteAndExtra, {"Alpha Extras", "Atlas application"}, kUnquotedPalm, {Box::Complete},
     {{Tool::Ce, {"Alpha.ini", "Beta Tools.ini"}},
      {Tool::Palm, {"Road Map.prc", "QM_Atlas.pdb", "QM_Extra.pdb"}}},
     0, kEnter},
    {"install-unchecked", "CE rows alone checked: no Palm launch",
     kSuiteAndExtra,
     {"Atlas application", "Road Map application", "Atlas database", "Extra database"},
     kUnquotedPalm, {Box::Complete},
     {{Tool::Ce, {"Alpha.ini", "Alpha.ini", "Beta Tools.ini"}}}},
    {"install-unchecked", "Palm rows alone checked: no CE launch",
     kSuiteAndExtra, {"Alpha Suite", "Alpha Extras", "Beta Tools"}, kUnquotedPalm, {Box::Complete},
     {{Tool::Palm, {"Atlas.prc", "Road Map.prc", "QM_Atlas.pdb", "QM_Extra.pdb"}}}},

    {"install-no-activesync", "no CE Application Manager: the Palm components wait too",
     kPair, {}, {Registered::Missing}, {Box::NoActiveSync, Box::Failed}, {}},
    {"install-no-activesync", "no CE Application Manager and no CE row checked",
     kPair, {"Alpha Suite"}, {Registered::Missing}, {Box::Complete},
     {{Tool::Palm, {"Atlas.prc"}}}},
    {"install-no-activesync", "the registered CE Application Manager is not there",
     kPair, {}, {Registered::Failing}, {Box::NoActiveSync, Box::Failed}, {}},
    {"install-no-activesync", "neither tool registered: the Palm tool is not looked for",
     kPair, {}, {Registered::Missing, Registered::Missing}, {Box::NoActiveSync, Box::Failed}, {}},

    {"install-no-palm", "no Palm install tool, after the CE tool ran",
     kTrio, {}, {Registered::Present, Registered::Missing}, {Box::NoPalm, Box::Failed},
     {{Tool::Ce, {"Alpha.ini"}}}},
    {"install-no-palm", "no Palm install tool and no Palm row checked",
     kTrio, {"Atlas application", "Atlas database"}, {Registered::Present, Registered::Missing},
     {Box::Complete}, {{Tool::Ce, {"Alpha.ini"}}}},
    {"install-no-palm", "the registered Palm install tool is not there",
     kTrio, {}, {Registered::Present, Registered::Failing}, {Box::PalmLaunchFailed, Box::Failed},
     {{Tool::Ce, {"Alpha.ini"}}, {Tool::Palm, {"Atlas.prc", "QM_Atlas.pdb"}, false}}},

    {"install-wait", "the CE tool held: nothing follows until it ends",
     kPair, {}, {}, {Box::Complete},
     {{Tool::Ce, {"Alpha.ini"}}, {Tool::Palm, {"Atlas.prc"}}}, 0, kHoldFirst},
    {"install-wait", "the Palm tool held: nothing follows until it ends",
     kPair, {"Alpha Suite"}, {}, {Box::Complete}, {{Tool::Palm, {"Atlas.prc"}}}, 0, kHoldFirst},
};
// clang-format on

// Creates a file when it goes out of scope, so a stand-in that waits for it
// never outlives the case by more than its own limit.
struct Release {
    std::string path;
    ~Release() {
        if (!path.empty()) WriteTextFile(path, "go");
    }
};

// While the first tool runs: no box, no second tool, setup still there.
void HoldFirstTool(const SetupRun& run, const Tools& tools, const Release& release,
                   const char* held) {
    ok(WaitUntil([&] { return !ReadLaunches(tools.log).empty(); }, kWait), "%s started", held);
    const bool quiet = !WaitUntil(
        [&] {
            return FindTopLevel(run.Pid(), "#32770", nullptr, run.dialog) != nullptr ||
                   ReadLaunches(tools.log).size() > 1 || !run.Running();
        },
        1500);
    ok(quiet, "nothing happens while the %s runs", held);
    ok(ReadLaunches(tools.log).size() == 1, "one launch while the %s runs", held);
    ok(WriteTextFile(release.path, "go"), "%s released", held);
}

// The launches and boxes the case expects, for the rows as they now are.
Outcome Expected(const InstallCase& c, const std::string& root, const SetupFolder& folder,
                 const Tools& tools, const std::vector<Row>& rows) {
    Outcome o;
    std::string refusedPalmLine;
    const std::string palmTool = c.registry.palm == Registered::Failing
                                     ? AbsentTools(root) + "PalmInstall.exe"
                                     : tools.palmExe;
    for (const Handed& h : c.launches) {
        const bool ce = h.tool == Tool::Ce;
        const std::string exe = !h.exe.empty() ? h.exe : ce ? tools.ceExe : palmTool;
        const std::string program = h.program.empty() ? Quoted(exe) : h.program;
        const std::vector<std::string> files = InRowOrder(h.files, rows, c.folder);
        const std::string line = ce ? CeCommandLine(program, folder.shortDir, files)
                                    : PalmCommandLine(program, folder.shortDir, files);
        if (h.starts)
            o.launches.push_back({exe, line});
        else if (!ce)
            refusedPalmLine = line;
    }
    for (const Box b : c.boxes) {
        switch (b) {
        case Box::Complete: o.boxes.push_back(kCompleteBox); break;
        case Box::Failed: o.boxes.push_back(kFailedBox); break;
        case Box::NoActiveSync: o.boxes.push_back(kNoActiveSyncBox); break;
        case Box::NoPalm: o.boxes.push_back(kNoPalmBox); break;
        case Box::PalmLaunchFailed: o.boxes.push_back(PalmLaunchFailedBox(refusedPalmLine)); break;
        }
    }
    return o;
}

// The one road of every install case: the folder and the tools, setup.exe
// and its rows, the rows unchecked, Install, and what follows.
void RunInstallCase(const std::string& root, const std::string& dir, const InstallCase& c) {
    trace("case: %s", c.what);
    const SetupFolder folder = MakeSetupFolder(dir, c.folder);
    const Tools tools = InstallTools(root, c.registry);
    SetStandinExit(c.standinExit);
    const Release release{
        c.how & kHoldFirst ? folder.dir.substr(0, folder.dir.size() - 1) + ".release" : ""};
    SetStandinRelease(release.path);

    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    ExpectRows(run, c.folder, c.what);
    for (const std::string& text : c.uncheck) {
        const int row = RowIndex(run.Rows(), text);
        ok(row >= 0 && run.SetChecked(row, false), "%s: row %s unchecked", c.what,
           Show(text).c_str());
    }
    const std::vector<Row> rows = run.Rows();
    if (!c.uncheck.empty()) {
        bool asMeant = true, anyChecked = false;
        for (const Row& row : rows) {
            const bool meant =
                std::find(c.uncheck.begin(), c.uncheck.end(), row.text) == c.uncheck.end();
            asMeant = asMeant && (row.checkState == kChecked) == meant;
            anyChecked = anyChecked || row.checkState == kChecked;
        }
        ok(asMeant, "%s: the rows show the unchecked ones unchecked, the others checked", c.what);
        ok(Enabled(run.install) == anyChecked, "%s: Install %s", c.what,
           Enabled(run.install) ? "enabled" : "disabled");
    }
    const Outcome expected = Expected(c, root, folder, tools, rows);

    PressInstall(run, (c.how & kEnter) != 0);
    if (c.how & kHoldFirst)
        HoldFirstTool(
            run, tools, release,
            !c.launches.empty() && c.launches[0].tool == Tool::Palm ? "Palm tool" : "CE tool");
    ExpectOutcome(run, tools.log, expected, c.what);
}

// The cases of the scenario, each in a setup folder of its own below root.
void RunInstallCases(const std::string& root, const char* scenario, const InstallCase* first,
                     const InstallCase* last) {
    int n = 0;
    for (const InstallCase* c = first; c != last; ++c)
        if (!std::strcmp(c->scenario, scenario))
            RunInstallCase(root, root + "\\Setup Files " + std::to_string(++n), *c);
    ok(n > 0, "%d install cases of %s", n, scenario);
}

void ScenarioInstallCases(const char* scenario) {
    RunInstallCases(ScenarioRoot(scenario), scenario, std::begin(kInstallCases),
                    std::end(kInstallCases));
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

// Esc and the close box end setup as Cancel does.
void ScenarioLeave(const char* scenario, const char* how, void (*leave)(HWND dialog)) {
    const std::string root = ScenarioRoot(scenario);
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {});
    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    leave(run.dialog);
    ExpectExit(run, IDCANCEL, how);
}

void ScenarioArguments() {
    const std::string root = ScenarioRoot("arguments");
    // Components beside setup.exe and elsewhere: arguments naming the other
    // folder must not make setup look there.
    const SetupFolder folder =
        MakeSetupFolder(root + "\\Setup Files",
                        {{"Maps.prc", "x", {}}, {"a.ini", "Description = Street Maps\n", {}}});
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
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {Palm("Maps.prc")});
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
    const std::vector<Component> files = {
        Raw("a.ini",
            "[CEAppMgr]\r\nVersion = 1.0\r\nDescription = Street Maps\r\nComponent = maps\r\n"
            "  description\t=\tCity Guide\r\n",
            {"Street Maps", "City Guide"}),
        // A folder settings file: no Description line, no row.
        Raw("folder.ini", "[.ShellClassInfo]\r\nIconResource=setup.exe,0\r\n", {}),
        Raw("Maps.prc", "app", {"Maps application"}),
        Raw("MAPS2.PRC", "app", {"MAPS2 application"}),
        Raw("QM_Streets.pdb", "db", {"Streets database"}),
        // Decoys: their 8.3 aliases match the patterns, their names do not.
        Ignored("notes.prcx"),
        Ignored("old.inib", "Description = Old\r\n"),
        Ignored("QM_Old.pdbx"),
        Ignored("Streets.pdb", "db"),
    };
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", files);
    ok(CreateDirectoryA((folder.dir + "x.prc").c_str(), nullptr), "directory x.prc made");
    // Components in the current directory are not setup's own.
    const std::string elsewhere = root + "\\Elsewhere";
    ok(MakeDirectories(elsewhere) && WriteTextFile(elsewhere + "\\Decoy.prc", "x") &&
           WriteTextFile(elsewhere + "\\d.ini", "Description = Decoy\n"),
       "decoy folder made");

    SetupRun run;
    if (!Launch(run, folder.exe, "", elsewhere.c_str())) return;
    const std::vector<Row> rows = run.Rows();
    trace("rows %s", Join(Texts(rows), ", ").c_str());
    ExpectRows(run, files, "discovery");
    ExpectCentred(run.dialog);

    // What the check boxes show follows their state, both ways.
    ExpectToggleRedraws(run, 0, "discovery");
    // Install follows the check boxes: enabled while any row is checked.
    const int n = static_cast<int>(rows.size());
    for (int i = 0; i < n; ++i) {
        ok(run.SetChecked(i, false), "row %d unchecked", i);
        ok(run.Rows()[static_cast<std::size_t>(i)].checkState == kUnchecked,
           "row %d shows unchecked", i);
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
        ok(WaitUntil(
               [&] {
                   return SendMessageA(run.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       LVNI_SELECTED) == i;
               },
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
    ExpectRows(second, {}, "empty folder");
    ExpectCentred(second.dialog);
    CancelAndExpect2(second);
}

// ---- Scenarios: About ----------------------------------------------------------------------

void ScenarioAbout() {
    const std::string root = ScenarioRoot("about");
    const SetupFolder folder = MakeSetupFolder(root + "\\Setup Files", {Palm("Maps.prc")});
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

// Opens About and closes it with OK.
void AboutAndBack(SetupRun& run) {
    HWND about = OpenAbout(run);  // checks the version line
    if (!about) return;
    trace("About shows %s", Show(TextOf(GetDlgItem(about, kVersionText))).c_str());
    Click(GetDlgItem(about, IDOK));
    ok(WaitGone(about, kWait), "About closed");
}

// ---- Scenarios: bad input ------------------------------------------------------------------
//
// Whatever lies in the setup folder or the registry, setup ends with a clear
// result (the rows it could read, its message boxes, exit code 1 after
// Install), never a crash or a hang.

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
    // A good description file and an application beside the bad one.
    const std::vector<Component> beside = {Ini("Good.ini", {"Good Package"}), Palm("Tool.prc")};
    int index = 0;
    for (const auto& c : cases) {
        trace("case: %s", c.what);
        const SetupFolder folder =
            MakeSetupFolder(root + "\\Case " + std::to_string(++index), beside);
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
            ExpectRows(run, beside + Raw("Case.ini", "", caseRows), c.what);
            CancelAndExpect2(run);
        }
    }
}

// setup.exe's own folder at a path of this length, holding Maps.prc; from
// 260 characters on the module path does not fit setup's buffer and nothing
// is listed.
void LongPathCase(const std::string& root, const Tools& tools, std::size_t length) {
    char what[64];
    std::snprintf(what, sizeof what, "setup.exe at a path of %u characters",
                  static_cast<unsigned>(length));
    trace("case: %s", what);
    EmptyLog(tools);
    SetupFolder folder;
    folder.exe =
        PathOfLength(root + "\\Long" + std::to_string(length), length - 10) + "\\setup.exe";
    folder.dir = DirectoryOf(folder.exe);
    ok(CopyInto(g_options.setupExe, folder.exe) && WriteTextFile(folder.dir + "Maps.prc", "app"),
       "%s: folder made", what);
    const bool fits = length < MAX_PATH;
    SetupRun run;
    // CreateProcess itself stops at MAX_PATH.
    const bool started = fits ? run.Start(folder.exe) : run.StartLongPath(folder.exe);
    if (!ok(started, "%s: started", what) ||
        !ok(run.WaitForDialog(kWait), "%s: dialog appeared", what))
        return;
    ExpectRows(run, fits ? std::vector<Component>{Palm("Maps.prc")} : std::vector<Component>{},
               what);
    if (!fits) {
        CancelAndExpect2(run);
        return;
    }
    folder.shortDir = ShortPath(folder.dir);
    PressInstall(run);
    ExpectOutcome(
        run, tools.log,
        {{kCompleteBox},
         {{tools.palmExe, PalmCommandLine(Quoted(tools.palmExe), folder.shortDir, {"Maps.prc"})}}},
        what);
}

// Names, sizes, attributes and write times of everything below dir.
void ListTree(const std::string& dir, std::vector<std::string>& out) {
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
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListTree(dir + name + "\\", out);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A read-only setup folder: nothing changes in it or in %TEMP%, after a
// Cancel or after an Install.
void ReadOnlyFolderCase(const std::string& root, const Tools& tools) {
    const SetupFolder folder = MakeSetupFolder(root + "\\Read Only", kPair);
    for (const char* name : {"setup.exe", "Alpha.ini", "Atlas.prc", ""})
        ok(SetFileAttributesA((folder.dir + name).c_str(), FILE_ATTRIBUTE_READONLY),
           "%s made read-only", name[0] ? name : "the folder");
    char temp[MAX_PATH] = {};
    ok(GetTempPathA(MAX_PATH, temp) > 0, "%%TEMP%% is %s", temp);
    auto listing = [&] {
        std::vector<std::string> out;
        ListTree(folder.dir, out);
        ListTree(temp, out);
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
        ExpectRows(run, kPair, "read-only folder");
        if (install) {
            PressInstall(run);
            ExpectOutcome(run, tools.log, BothInstalled(tools, folder.shortDir), "read-only folder");
        } else {
            CancelAndExpect2(run);
        }
        const std::vector<std::string> after = listing();
        ok(after == before, "after %s: setup folder and %%TEMP%% unchanged: %s",
           install ? "Install" : "Cancel", Join(after, ", ").c_str());
    }
}

// Names with bytes from 0x80 up in the ANSI code page: rows as named, paths
// handed on byte for byte.
// clang-format off
const InstallCase kAnsiNames[] = {
    {"odd-folders", "ANSI names",
     {Ini("\xDC" "bersicht.ini", {"Gr\xFC\xDF" "e \xC4rger"}), Palm("Kart\xE9.prc"),
      Palm("QM_Stra\xDF" "e \x80\xFF.pdb")},
     {}, {}, {Box::Complete},
     {{Tool::Ce, {"\xDC" "bersicht.ini"}},
      {Tool::Palm, {"Kart\xE9.prc", "QM_Stra\xDF" "e \x80\xFF.pdb"}}}},
};
// clang-format on

void ScenarioOddFolders() {
    const std::string root = ScenarioRoot("odd-folders");
    if (ok(GetACP() == 1252, "ANSI code page %u, expected 1252", GetACP()))
        RunInstallCase(root, root + "\\Setup \xC9t\xE9", kAnsiNames[0]);
    const Tools tools = InstallTools(root);
    // The folder from the module path: a path of 259 characters fits the
    // 260-byte buffer with its terminator; from 260 on nothing is listed.
    for (const std::size_t length : {259u, 260u, 330u}) LongPathCase(root, tools, length);
    ReadOnlyFolderCase(root, tools);
}

// The registrations setup.exe must refuse or take: App Paths values for a
// folder with a CE and a Palm component, ".prc" open commands for a folder
// of Palm components only.
void ScenarioBadRegistrations() {
    const char* const scenario = "bad-registrations";
    const std::string root = ScenarioRoot(scenario);
    const Tools places = ToolsAt(root);
    const std::string& ceExe = places.ceExe;
    const std::string& palmExe = places.palmExe;
    // A tool at a path of 259 characters: with its terminator the longest
    // value that fits the 260-byte buffer.
    const std::string longCe = PathOfLength(root + "\\CE", 259 - 13) + "\\CEAppMgr.exe";
    ok(CopyInto(g_options.tools + "\\CEAppMgr.exe", longCe),
       "CE stand-in copied to a path of %u characters", static_cast<unsigned>(longCe.size()));
    const std::string spacedExe = root + "\\Program Files\\Tool\\PalmInstall.exe";
    ok(CopyInto(g_options.tools + "\\PalmInstall.exe", spacedExe), "Palm stand-in copied to %s",
       spacedExe.c_str());
    const std::string quoted = "\"" + palmExe + "\" \"%1\"";
    auto padded = [&](std::size_t n) {
        return quoted + " /" + std::string(n - quoted.size() - 2, 'p');
    };
    const std::vector<Component> palmOnly = {Palm("Atlas.prc"), Palm("QM_Atlas.pdb")};
    const std::vector<Box> refused = {Box::NoActiveSync, Box::Failed};
    const std::vector<Box> noPalm = {Box::NoPalm, Box::Failed};
    const std::vector<Handed> both = {{Tool::Ce, {"Alpha.ini"}}, {Tool::Palm, {"Atlas.prc"}}};
    auto palm = [&](bool starts, const std::string& program, const std::string& exe) {
        return std::vector<Handed>{
            {Tool::Palm, {"Atlas.prc", "QM_Atlas.pdb"}, starts, program, exe}};
    };
    // clang-format off
    const InstallCase cases[] = {
        {scenario, "App Paths value: empty string", kPair, {},
         CeValue(REG_SZ, std::string(1, '\0')), refused, {}},
        {scenario, "App Paths value: REG_DWORD", kPair, {}, CeValue(REG_DWORD, Bytes("\x01\0\0\0")),
         refused, {}},
        // The type is not examined; the data is the path, with or without a terminator.
        {scenario, "App Paths value: REG_BINARY holding a path", kPair, {},
         CeValue(REG_BINARY, ceExe), {Box::Complete}, both},
        {scenario, "App Paths value: 301 bytes", kPair, {},
         CeValue(REG_SZ, "C:\\" + std::string(296, 'x') + ".exe" + '\0'), refused, {}},
        {scenario, "App Paths value: 259 characters and a terminator", kPair, {},
         CeValue(REG_SZ, longCe + '\0'), {Box::Complete},
         {{Tool::Ce, {"Alpha.ini"}, true, "", longCe}, {Tool::Palm, {"Atlas.prc"}}}},
        // Its first 259 bytes name the tool: refused all the same.
        {scenario, "App Paths value: 260 bytes without a terminator", kPair, {},
         CeValue(REG_SZ, longCe + "x"), refused, {}},
        {scenario, "App Paths value: missing file", kPair, {},
         CeValue(REG_SZ, root + "\\No Such Folder\\CEAppMgr.exe" + '\0'), refused, {}},

        {scenario, ".prc open command: empty command", palmOnly, {}, PalmCommand(""), noPalm, {}},
        // Unquoted: all before %1 is the program, spaces and all.
        {scenario, ".prc open command: unquoted with spaces", palmOnly, {},
         PalmCommand(spacedExe + " %1"), {Box::Complete}, palm(true, Quoted(spacedExe), spacedExe)},
        // No closing quote: the command is kept whole.
        {scenario, ".prc open command: no closing quote", palmOnly, {},
         PalmCommand("\"" + spacedExe + " %1"), {Box::PalmLaunchFailed, Box::Failed},
         palm(false, "\"" + spacedExe + " %1", "")},
        {scenario, ".prc open command: 1,023 characters", palmOnly, {}, PalmCommand(padded(1023)),
         {Box::Complete}, palm(true, Quoted(palmExe), palmExe)},
        {scenario, ".prc open command: 1,024 characters", palmOnly, {}, PalmCommand(padded(1024)),
         noPalm, {}},
        {scenario, ".prc open command: 4,000 characters", palmOnly, {}, PalmCommand(padded(4000)),
         noPalm, {}},
    };
    // clang-format on
    RunInstallCases(root, scenario, std::begin(cases), std::end(cases));
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
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                      nullptr, &usedDefault);
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
    const std::vector<Component> files = {Ini("Alpha.ini", {"Alpha Suite"}), Palm("Maps.prc"),
                                          Palm("QM_Streets.pdb")};
    bool written = true;
    for (const Component& f : files)
        written =
            WriteWideFile(dir + std::wstring(f.name.begin(), f.name.end()), f.bytes) && written;
    ok(written, "components written");

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

    const Tools tools = InstallTools(root);
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
    ExpectRows(run, files, scenario);
    AboutAndBack(run);
    const std::vector<Row> rows = run.Rows();
    if (rows.empty()) {  // nothing to hand over
        CancelAndExpect2(run);
        return;
    }
    PressInstall(run);
    ExpectOutcome(run, tools.log,
                  BothInstalled(tools, folder.shortDir,
                                InRowOrder({"Maps.prc", "QM_Streets.pdb"}, rows, files)),
                  scenario);
    for (const Launched& l : ReadLaunches(tools.log))
        trace("launched %s", Show(l.commandLine).c_str());
}

// Folders of many component files, written from the Linux side by
// tests/hostile/many-files.sh (a file made under Wine costs about 2 ms):
//   Ten Thousand  Package00000.ini-Package03333.ini ("Description = Package 00000"),
//                 App00000.prc-App03332.prc, QM_Data00000.pdb-QM_Data03332.pdb
//   CE Only       3,000 of "CE component 0000 with a long file name, for a long command line.ini"
//                 ("Description = CE component 0000")
//   Palm Only     1,500 of "Palm application 0000 with a long file name, for a long command
//                 line.prc" and 1,500 of "QM_Palm database 1500 with a long file name, for a
//                 long command line.pdb" (numbered on)
const char kManyFiles[] = "C:\\e2e-files\\many-components";
const char kLongTail[] = " with a long file name, for a long command line";

std::string Numbered(const char* format, int i) {
    char text[128];
    std::snprintf(text, sizeof text, format, i);
    return text;
}

// The command line Install builds for these files with every row checked.
std::string LineFor(const std::string& tool, const SetupFolder& folder,
                    const std::vector<std::string>& files, bool ce) {
    return ce ? CeCommandLine(Quoted(tool), folder.shortDir, files)
              : PalmCommandLine(Quoted(tool), folder.shortDir, files);
}

// Component files whose command line, with the given tool, is exactly length
// characters: names of about 200 characters (the last ones a little shorter).
// The order of the files does not change the length.
std::vector<std::string> NamesForLine(const SetupFolder& folder, const std::string& tool, bool ce,
                                      std::size_t length) {
    auto name = [&](std::size_t i, std::size_t size) {
        return Numbered("%03d ", static_cast<int>(i)) + std::string(size - 8, ce ? 'c' : 'p') +
               (ce ? ".ini" : ".prc");
    };
    auto lineLength = [&](const std::vector<std::string>& names) {
        return LineFor(tool, folder, names, ce).size();
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

// A folder many-files.sh wrote, with a copy of setup.exe.
SetupFolder PreparedFolder(const char* name, std::size_t files) {
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
}

// 10,000 component files: every row, in bounded time.
void TenThousandCase() {
    const SetupFolder folder = PreparedFolder("Ten Thousand", 10000);
    std::vector<Component> files;
    for (int i = 0; i < 3334; ++i)
        files.push_back(Ini(Numbered("Package%05d.ini", i), {Numbered("Package %05d", i)}));
    for (int i = 0; i < 3333; ++i) files.push_back(Palm(Numbered("App%05d.prc", i)));
    for (int i = 0; i < 3333; ++i) files.push_back(Palm(Numbered("QM_Data%05d.pdb", i)));
    SetupRun run;
    const DWORD start = GetTickCount();
    if (!ok(run.Start(folder.exe), "started") || !ok(run.WaitForDialog(60000), "dialog appeared"))
        return;
    const DWORD ms = GetTickCount() - start;
    trace("10,000 components: dialog after %lu ms", ms);
    ok(ms < 30000, "10,000 components listed in %lu ms, expected under 30 s", ms);
    ExpectRows(run, files, "10,000 components");
    CancelAndExpect2(run);
}

// 3,000 checked components: command lines far beyond 32,767 characters are
// never launched.
void ThreeThousandCase(const Tools& tools, bool ce) {
    const char* what = ce ? "3,000 CE components" : "3,000 Palm components";
    EmptyLog(tools);
    const SetupFolder folder = PreparedFolder(ce ? "CE Only" : "Palm Only", 3000);
    std::vector<Component> files;
    for (int i = 0; i < 3000; ++i) {
        if (ce)
            files.push_back(Ini(Numbered("CE component %04d", i) + kLongTail + ".ini",
                                {Numbered("CE component %04d", i)}));
        else if (i < 1500)
            files.push_back(Palm(Numbered("Palm application %04d", i) + kLongTail + ".prc"));
        else
            files.push_back(Palm(Numbered("QM_Palm database %04d", i) + kLongTail + ".pdb"));
    }
    std::vector<std::string> names;
    for (const Component& f : files) names.push_back(f.name);
    SetupRun run;
    if (!Launch(run, folder.exe)) return;
    ok(RowCount(run.list) == 3000, "%s: %d rows", what, RowCount(run.list));
    ExpectRows(run, files, what);
    names = InRowOrder(names, run.Rows(), files);
    const std::string line = LineFor(ce ? tools.ceExe : tools.palmExe, folder, names, ce);
    trace("%s: a command line of %u characters", what, static_cast<unsigned>(line.size()));
    ok(line.size() > 32767, "%s: the line is longer than 32,767", what);
    PressInstall(run);
    // The box of a 300,000-character text is many screens large and its icon
    // cannot be read back from the screen; the text can.
    ExpectOutcome(
        run, tools.log,
        {{ce ? kNoActiveSyncBox : PalmLaunchFailedBox(line, Icon::Unknown), kFailedBox}, {}}, what,
        60000);
}

// Around the limit: the system takes 32,766 characters (32,767 with the
// terminator); setup refuses longer lines itself.
void LimitCases(const std::string& root, const Tools& tools, bool ce) {
    const SetupFolder folder = MakeSetupFolder(root + (ce ? "\\Limit CE" : "\\Limit Palm"), {});
    const std::string toolDir = root + "\\Limit Tools\\";
    const std::string base = ce ? "CEAppMgr" : "PalmInstall";
    const std::vector<std::string> names =
        NamesForLine(folder, toolDir + base + ".exe", ce, kLongestCommandLine);
    std::vector<Component> files;
    for (const std::string& n : names)
        files.push_back(ce ? Ini(n, {n.substr(0, n.size() - 4)}) : Palm(n));
    WriteComponents(folder, files);
    for (const std::size_t extra : {0u, 1u, 2u}) {
        char what[64];
        std::snprintf(what, sizeof what, "%s line of %u characters", ce ? "CE" : "Palm",
                      static_cast<unsigned>(kLongestCommandLine + extra));
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
        ExpectRows(run, files, what);
        const std::string line = LineFor(exe, folder, InRowOrder(names, run.Rows(), files), ce);
        ok(line.size() == kLongestCommandLine + extra, "%s: the line has %u characters", what,
           static_cast<unsigned>(line.size()));
        PressInstall(run);
        if (extra == 0)
            ExpectOutcome(run, tools.log, {{kCompleteBox}, {{exe, line}}}, what);
        else
            ExpectOutcome(run, tools.log,
                          {{ce ? kNoActiveSyncBox : PalmLaunchFailedBox(line), kFailedBox}, {}},
                          what);
    }
}

void ScenarioManyComponents() {
    const std::string root = ScenarioRoot("many-components");
    const Tools tools = InstallTools(root);
    TenThousandCase();
    for (const bool ce : {true, false}) ThreeThousandCase(tools, ce);
    for (const bool ce : {true, false}) LimitCases(root, tools, ce);
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
    const SetupFolder folder = MakeSetupFolder(downloads + "\\Quillmere", kPair);
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
    const Tools tools = InstallTools(root);

    // The whole road, started from the download folder: About, then Install
    // through both tools.
    {
        SetupRun run;
        if (Launch(run, folder.exe, "", downloads.c_str())) {
            ExpectRows(run, kPair, "planted libraries");
            AboutAndBack(run);
            PressInstall(run);
            ExpectOutcome(run, tools.log, BothInstalled(tools, folder.shortDir),
                          "planted libraries");
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

struct Scenario {
    const char* name;
    void (*run)();
};

// The scenarios of tests/e2e/scenarios.txt, in its order.
constexpr Scenario kScenarios[] = {
    {"startup", ScenarioStartup},
    {"escape", [] { ScenarioLeave("escape", "Esc", [](HWND d) { PressKey(d, VK_ESCAPE); }); }},
    {"closebox",
     [] {
         ScenarioLeave("closebox", "close box",
                       [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); });
     }},
    {"arguments", ScenarioArguments},
    {"missing-dialog", ScenarioMissingDialog},
    {"discovery", ScenarioDiscovery},
    {"install", [] { ScenarioInstallCases("install"); }},
    {"install-unchecked", [] { ScenarioInstallCases("install-unchecked"); }},
    {"install-no-activesync", [] { ScenarioInstallCases("install-no-activesync"); }},
    {"install-no-palm", [] { ScenarioInstallCases("install-no-palm"); }},
    {"install-wait", [] { ScenarioInstallCases("install-wait"); }},
    {"about", ScenarioAbout},
    {"bad-descriptions", ScenarioBadDescriptions},
    {"odd-folders", ScenarioOddFolders},
    {"bad-registrations", ScenarioBadRegistrations},
    {"folder-in-code-page",
     [] { ScenarioFolderName("folder-in-code-page", L"Karten f\u00fcr Caf\u00e9", true); }},
    // "Установка Карты"
    {"folder-outside-code-page",
     [] {
         ScenarioFolderName("folder-outside-code-page",
                            L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430 "
                            L"\u041a\u0430\u0440\u0442\u044b",
                            false);
     }},
    {"install-utf8",
     [] {
         // Wine takes the code page from the Unix locale (tests/Wine.cmake sets it).
         if (ok(GetACP() == CP_UTF8, "ANSI code page %u, expected 65001 (is hi_IN.UTF-8 made?)",
                GetACP()))
             ScenarioInstallCases("install-utf8");
     }},
    {"hostile-libraries", [] { ScenarioHostileLibraries(false); }},
    {"hostile-libraries-native", [] { ScenarioHostileLibraries(true); }},
    {"many-components", ScenarioManyComponents},
};

constexpr bool SameName(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

constexpr bool SameAsListed() {
    if (std::size(kScenarios) != std::size(kListedScenarios)) return false;
    for (std::size_t i = 0; i < std::size(kScenarios); ++i)
        if (!SameName(kScenarios[i].name, kListedScenarios[i])) return false;
    return true;
}
// CMake registers the tests from the list, so a scenario missing there would
// never run, and one missing here would fail as unknown.
static_assert(SameAsListed(),
              "kScenarios must name the scenarios of tests/e2e/scenarios.txt, in its order");

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
