// Steps the end-to-end programs share: what a setup folder holds and the rows
// it should give, the check of those rows, the stand-in install tools and the
// launches they record, and the road from Install to setup.exe's end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kinds.h"
#include "pixels.h"
#include "remote.h"
#include "setup_run.h"

constexpr DWORD kWait = 10000;  // the bound of every ordinary wait

// ---- Components -------------------------------------------------------------

// A file of a setup folder and the rows setup.exe should list for it, in
// line order.
struct Component {
    std::string name;
    std::string bytes;
    std::vector<std::string> rows;
};
// A description file of one "Description = <row>" line per row.
Component Ini(const std::string& name, const std::vector<std::string>& rows);
// An application or a database, listed as ExpectedRow(name).
Component Palm(const std::string& name);
// A file setup.exe does not list: another name, or a description file
// without a row.
Component Ignored(const std::string& name, const std::string& bytes = "x");
// These bytes, giving these rows.
Component Raw(const std::string& name, const std::string& bytes,
              const std::vector<std::string>& rows);

// ---- The rows -----------------------------------------------------------------

// What the selection dialog shows for a folder of these components, all
// checked as setup.exe starts: the description files' rows, then the
// applications', then the databases' (each file's rows in line order, the
// files of a kind in the folder search's order); every row checked; Install
// enabled exactly when there are rows; the column as wide as the widest row
// plus 25.
// The rows are also seen on the screen (ExpectRowsDrawn).
void ExpectRows(const SetupRun& run, const std::vector<Component>& folder, const char* what);

// ---- The rows on the screen ----------------------------------------------------------

// A row wholly visible in the list: where its check box and its label are
// drawn, in screen coordinates (the label clipped to the list).
struct RowPlace {
    int row;
    RECT box;
    RECT label;
};
std::vector<RowPlace> VisibleRows(const SetupRun& run);
// What of these rows a picture whose top left corner lies at origin on the
// screen does not show: a check box drawn for each, and the text for each
// whose text has a visible character. Empty when everything is drawn.
std::string UndrawnRows(const Pixels& picture, POINT origin, const std::vector<RowPlace>& places,
                        const std::vector<std::string>& texts);
// Looks at the list on the screen, as a user would: some row is visible when
// there are rows, and UndrawnRows finds nothing (given a moment to paint).
void ExpectRowsDrawn(const SetupRun& run, const char* what);
// Toggling the row changes the pixels of its check box, and toggling it back
// restores them.
void ExpectToggleRedraws(const SetupRun& run, int row, const char* what);

// ---- Stand-in tools and their launches -------------------------------------------

// Where a scenario's two stand-ins lie and the log they both append to.
struct Tools {
    std::string ceExe;
    std::string palmExe;
    std::string log;
};
// Copies the stand-ins (from the folder that holds CEAppMgr.exe and
// PalmInstall.exe) to their places and has them log there, exit with 0 and
// not wait. setup.exe passes its environment on, so this holds for the tools
// it starts.
bool PlaceStandins(const std::string& from, const Tools& tools);  // false: not both copied
void SetStandinExit(int code);                                    // STANDIN_EXIT
void SetStandinRelease(const std::string& path);  // STANDIN_WAIT_FOR; "" to wait for nothing
void EmptyLog(const Tools& tools);

// One launch recorded by a stand-in: its own path and its command line.
struct Launched {
    std::string exe;
    std::string commandLine;
};
std::vector<Launched> ReadLaunches(const std::string& log);

std::string Quoted(const std::string& text);  // "text"
// The command lines Install builds from the program part and the files, each
// given by its name in the setup folder dir (as setup.exe names the folder,
// in its short form, ending in a backslash):
//   the CE Application Manager's: program "dir\a.ini" "dir\b.ini"
//   the Palm install tool's:      program "dir\a.prc dir\QM_b.pdb"
std::string CeCommandLine(const std::string& program, const std::string& dir,
                          const std::vector<std::string>& files);
std::string PalmCommandLine(const std::string& program, const std::string& dir,
                            const std::vector<std::string>& files);
// The files in the order of their rows in the list (as Install hands them
// over); a file that gives none of the rows comes last.
std::vector<std::string> InRowOrder(const std::vector<std::string>& files,
                                    const std::vector<Row>& rows,
                                    const std::vector<Component>& folder);

// ---- Install and what follows ----------------------------------------------------

extern const char kBoxCaption[];
extern const char kComplete[];
extern const char kFailed[];
extern const char kNoActiveSync[];
extern const char kNoPalm[];
extern const char kPalmLaunchFailed[];  // followed by the system's reason and the command line

// A message box's text and icon; Icon::Unknown: the icon is not checked.
struct SeenBox {
    std::string text;
    Icon icon;
};
extern const SeenBox kCompleteBox;
extern const SeenBox kFailedBox;
extern const SeenBox kNoActiveSyncBox;
extern const SeenBox kNoPalmBox;

struct ExpectedLaunch {
    std::string exe;  // the program that runs
    std::string commandLine;
};
struct Outcome {
    Outcome(std::vector<SeenBox> b = {}, std::vector<ExpectedLaunch> l = {}, DWORD exit = IDOK)
        : boxes(std::move(b)), launches(std::move(l)), exitCode(exit) {}
    std::vector<SeenBox> boxes;            // in order
    std::vector<ExpectedLaunch> launches;  // in order
    DWORD exitCode;
};

// Clicks Install, or presses Enter.
void PressInstall(SetupRun& run, bool withEnter = false);
// After Install: reads and closes every box setup.exe shows until it ends.
// Each box has the caption, OK alone, and shows while setup still runs; when
// the first shows every tool has run and ended, so the launches are then
// exactly the expected ones, and none follow. Then the boxes' texts and
// icons, and the exit code. atBox, when given, sees each box before it is
// closed.
void ExpectOutcome(SetupRun& run, const std::string& log, const Outcome& expected, const char* what,
                   DWORD firstBoxMs = 30000,
                   const std::function<void(const MessageBoxView&)>& atBox = nullptr);
// The launches recorded so far are exactly these.
void ExpectLaunches(const std::string& log, const std::vector<ExpectedLaunch>& expected,
                    const char* what);

// ---- About ------------------------------------------------------------------------

// Clicks About... and checks the box that opens: owned by the selection
// dialog, which is disabled meanwhile, and showing the version. Null when it
// does not open.
HWND OpenAbout(SetupRun& run);
constexpr int kVersionText = 1008;
