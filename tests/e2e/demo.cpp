// The README's demo, run under Wine: lays out a sample setup folder beside a
// copy of setup.exe, registers the stand-in install tools the way ActiveSync
// and Palm Desktop register theirs, and then either
//
//   demo.exe walk --setup <setup.exe> --tools <dir> --sample <dir> [--work <dir>]
//                 [--shots <dir>]
//       drives setup.exe through the whole road by itself (the list, About,
//       Install, the final box), checking each step and, with --shots,
//       saving a picture of each window (selection.bmp, about.bmp,
//       final.bmp); the last line is "N passed, M failed" and the exit code
//       is 0 only when nothing failed;
//   demo.exe play --setup <setup.exe> --tools <dir> --sample <dir> [--work <dir>]
//       starts setup.exe for a person to click through and waits for it;
//       the exit code is 0 when setup.exe ended with 1 or 2 (Install or
//       Cancel).
//
// Both end by printing what each stand-in was given. The work folder
// (default C:\Quillmere Demo) is emptied first; the sample folder (the
// build's folders/Sample CD) is copied into it.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const char kProgId[] = "QuillmereDemo.PalmInstall";

struct Options {
    std::string setupExe;
    std::string tools;  // folder holding CEAppMgr.exe and PalmInstall.exe
    std::string sample; // the sample setup folder the build wrote
    std::string work = "C:\\Quillmere Demo";
    std::string shots;  // empty: no pictures
};
Options g_options;

// What a vendor would put on a CD (tests/folders/make_folders.py writes it):
// two description files of one CE application each, with their cabinets,
// two Palm applications, two of the product's databases, and files that are
// not components (notes.prcx matches "*.prc" through its 8.3 alias, so it
// also shows that the program looks at the long name).
const std::vector<Component> kSample = {
    Ini("Street Maps.ini", {"Street Maps for Windows CE"}),
    Ini("Street Maps VGA.ini", {"Street Maps (large screens)"}),
    Palm("Maps.prc"),
    Palm("Routes.prc"),
    Palm("QM_Streets.pdb"),
    Palm("QM_Places.pdb"),
    Ignored("readme.txt"),
    Ignored("notes.prcx"),
};

struct Demo {
    std::string folder;     // the setup folder, long form, ending in '\'
    std::string shortDir;   // its short form, as setup.exe passes it on
    std::string setupCopy;  // setup.exe inside it
    Tools tools;            // the stand-ins and their log
    std::vector<std::string> files;  // the sample's, as UTF-8
};

// ---- Set-up ---------------------------------------------------------------------

bool Prepare(Demo& d) {
    const std::string& work = g_options.work;
    d.folder = work + "\\Sample CD\\";
    d.setupCopy = d.folder + "setup.exe";
    d.tools.ceExe = work + "\\Mobile Sync\\CEAppMgr.exe";
    d.tools.palmExe = work + "\\Palm Desktop\\PalmInstall.exe";
    d.tools.log = work + "\\launches.log";

    bool done = ok(RemoveTree(work), "old files of %s removed", work.c_str()) &&
                ok(CopyFolder(g_options.sample, d.folder.substr(0, d.folder.size() - 1), &d.files),
                   "%s copied to %s", g_options.sample.c_str(), d.folder.c_str()) &&
                ok(CopyInto(g_options.setupExe, d.setupCopy), "setup.exe copied to %s",
                   d.setupCopy.c_str());
    d.shortDir = ShortPath(d.folder);
    done = ok(!d.shortDir.empty(), "short form of %s: %s", d.folder.c_str(), d.shortDir.c_str()) &&
           done;

    // setup.exe hands its environment on to the tools.
    done = PlaceStandins(g_options.tools, d.tools) && done;
    const std::string command = "\"" + d.tools.palmExe + "\" \"%1\"";
    done = ok(SetCeAppManagerPath(d.tools.ceExe), "App Paths\\CEAppMgr.exe = %s",
              d.tools.ceExe.c_str()) &&
           ok(RemovePrcAssociation(kProgId), "older .prc association cleared") &&
           ok(SetPrcAssociation(kProgId, command), ".prc -> %s -> shell\\open\\command = %s",
              kProgId, command.c_str()) &&
           done;

    std::printf("setup folder %s\n", d.folder.c_str());
    for (const std::string& f : d.files) std::printf("  %s\n", f.c_str());
    std::fflush(stdout);
    return done;
}

void Report(const Demo& d) {
    const std::vector<Launched> launches = ReadLaunches(d.tools.log);
    std::printf("what the install tools were given (%s):\n", d.tools.log.c_str());
    if (launches.empty()) std::printf("  nothing: no install tool was started\n");
    for (const Launched& l : launches) {
        const char* name = std::strrchr(l.exe.c_str(), '\\');
        std::printf("  %s: %s\n", name ? name + 1 : l.exe.c_str(), l.commandLine.c_str());
    }
    std::fflush(stdout);
}

// ---- Pictures -------------------------------------------------------------------

// Saves <shots>\<name>.bmp when pictures were asked for. A picture of the
// selection dialog (run given) must show its rows.
void Shoot(HWND hwnd, const char* name, const SetupRun* run = nullptr) {
    if (g_options.shots.empty()) return;
    const Pixels p = GrabSettled(hwnd);
    if (run) {
        RECT at{};
        GetWindowRect(hwnd, &at);
        const std::vector<RowPlace> places = VisibleRows(*run);
        const std::vector<std::string> texts = Texts(run->Rows());
        ok(places.size() == texts.size(), "%s: all %u rows visible, %u seen", name,
           static_cast<unsigned>(texts.size()), static_cast<unsigned>(places.size()));
        const std::string undrawn = UndrawnRows(p, POINT{at.left, at.top}, places, texts);
        ok(undrawn.empty(), "%s: the picture shows the rows:%s", name, undrawn.c_str());
    }
    // A failed grab gives a black or empty picture; a dialog has text, a
    // frame and buttons in several colours.
    const int colours = DistinctColours(p, 8);
    ok(p.width > 0 && colours >= 8, "picture of %s: %dx%d, %d colours or more", name, p.width,
       p.height, colours);
    // Each window pictured is the active one: its caption is drawn in the
    // active colour (a line just inside the caption's top edge, clear of
    // its text).
    const COLORREF active = GetSysColor(COLOR_ACTIVECAPTION);
    const int y = GetSystemMetrics(SM_CYFIXEDFRAME) + 1;
    int same = 0;
    for (int x = 0; x < p.width && y < p.height; ++x) same += p.Colour(x, y) == active;
    ok(same * 2 > p.width, "%s: caption drawn active (%d of %d pixels of row %d)", name, same,
       p.width, y);
    const std::string path = g_options.shots + "\\" + name + ".bmp";
    if (ok(WriteBmp(path, p), "%s written", path.c_str())) trace("picture %s", path.c_str());
}

// ---- The road -------------------------------------------------------------------

void CheckRows(const SetupRun& run) {
    trace("rows %s", Join(Texts(run.Rows()), ", ").c_str());
    ExpectRows(run, kSample, "the sample");
    // The column shows the longest row whole, and fits the list.
    RECT client{};
    GetClientRect(run.list, &client);
    const int column = ColumnWidth(run.list);
    ok(column <= client.right, "column %d fits the list's %ld", column, client.right);
}

void CheckAbout(SetupRun& run) {
    HWND about = OpenAbout(run);
    if (!about) return;
    Shoot(about, "about");
    HWND okButton = GetDlgItem(about, IDOK);
    if (!ok(okButton != nullptr, "About has OK")) return;
    Click(okButton);
    ok(WaitGone(about, kWait), "OK closes About");
    ok(WaitUntil([&] { return Enabled(run.dialog); }, kWait), "selection dialog enabled again");
}

void CheckInstall(SetupRun& run, const Demo& d) {
    // Every row checked: both description files to the CE Application
    // Manager, every Palm file in one argument to the Palm tool, each in the
    // order of its rows.
    const std::vector<Row> rows = run.Rows();
    const std::vector<std::string> ce =
        InRowOrder({"Street Maps.ini", "Street Maps VGA.ini"}, rows, kSample);
    const std::vector<std::string> palm = InRowOrder(
        {"Maps.prc", "Routes.prc", "QM_Streets.pdb", "QM_Places.pdb"}, rows, kSample);
    const Outcome expected{
        {kCompleteBox},
        {{d.tools.ceExe, CeCommandLine(Quoted(d.tools.ceExe), d.shortDir, ce)},
         {d.tools.palmExe, PalmCommandLine(Quoted(d.tools.palmExe), d.shortDir, palm)}}};
    PressInstall(run);
    ExpectOutcome(run, d.tools.log, expected, "Install", 30000,
                  [](const MessageBoxView& box) { Shoot(box.hwnd, "final"); });
}

int Walk() {
    Demo d;
    if (!Prepare(d)) return 1;
    if (!g_options.shots.empty())
        ok(MakeDirectories(g_options.shots), "%s created", g_options.shots.c_str());

    SetupRun run;
    const bool started = run.Start(d.setupCopy);
    if (ok(started, "%s started (error %lu)", d.setupCopy.c_str(), started ? 0ul : GetLastError()) &&
        ok(run.WaitForDialog(kWait), "selection dialog appeared") &&
        ok(run.list && run.install && run.cancel && run.about, "its list and buttons found")) {
        std::printf("1. the list\n");
        CheckRows(run);
        // Wine tells a process's first window "inactive" in its first
        // WM_NCACTIVATE although the window is in front, and repaints the
        // caption only when the window is activated again; Windows draws it
        // active from the start. When the dialog really is in front, it is
        // told so again before the picture.
        if (!g_options.shots.empty() &&
            ok(GetForegroundWindow() == run.dialog, "the dialog is in front"))
            Send(run.dialog, WM_NCACTIVATE, TRUE, 0);
        Shoot(run.dialog, "selection", &run);
        std::printf("2. About\n");
        CheckAbout(run);
        std::printf("3. Install\n");
        CheckInstall(run, d);
    }
    Report(d);
    return 0;
}

// A person clicks through; nothing is checked, but the exit code is told.
int Play() {
    Demo d;
    if (!Prepare(d)) return 1;
    SetupRun run;
    if (!ok(run.Start(d.setupCopy), "%s started", d.setupCopy.c_str())) return 1;
    std::printf("setup.exe is running: click through it (the demo waits until it exits)\n");
    std::fflush(stdout);
    const DWORD code = run.WaitExit(INFINITE);
    const char* meaning = code == 1   ? "after Install"
                          : code == 2 ? "after Cancel, Esc or the close box"
                                      : "unexpected";
    std::printf("setup.exe exited with %s (%s)\n", ExitText(code).c_str(), meaning);
    Report(d);
    return code == 1 || code == 2 ? 0 : 1;
}

int Usage() {
    std::printf("usage: demo walk --setup <setup.exe> --tools <dir> --sample <dir> [--work <dir>] "
                "[--shots <dir>]\n"
                "       demo play --setup <setup.exe> --tools <dir> --sample <dir> [--work <dir>]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string mode = argv[1];
    if (mode != "walk" && mode != "play") return Usage();
    if (!ReadPathOptions(argc, argv, 2,
                         {{"setup", &g_options.setupExe},
                          {"tools", &g_options.tools},
                          {"sample", &g_options.sample},
                          {"work", &g_options.work},
                          {"shots", &g_options.shots}}) ||
        g_options.setupExe.empty() || g_options.tools.empty() || g_options.sample.empty())
        return Usage();
    for (std::string* s : {&g_options.tools, &g_options.sample, &g_options.work, &g_options.shots})
        while (!s->empty() && s->back() == '\\') s->pop_back();

    if (!ok(FileExists(g_options.setupExe), "%s exists", g_options.setupExe.c_str())) {
        std::printf("%d passed, %d failed\n", PassedCount(), FailedCount());
        return 1;
    }
    const DWORD start = GetTickCount();
    const int status = mode == "walk" ? Walk() : Play();
    if (mode == "walk") std::printf("road walked in %lu ms\n", GetTickCount() - start);
    std::printf("%d passed, %d failed\n", PassedCount(), FailedCount());
    return status != 0 || FailedCount() ? 1 : 0;
}
