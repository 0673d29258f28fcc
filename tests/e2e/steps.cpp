#include "steps.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "check.h"
#include "files.h"

// ---- Components -------------------------------------------------------------

Component Ini(const std::string& name, const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& row : rows) bytes += "Description = " + row + "\r\n";
    return Component{name, bytes, rows};
}

Component Palm(const std::string& name) {
    const Kind kind = KindOfName(name);
    if (kind != Kind::Application && kind != Kind::Database)
        ok(false, "the table names %s as a Palm component", name.c_str());
    return Component{name, kind == Kind::Database ? "db" : "app", {ExpectedRow(name)}};
}

Component Ignored(const std::string& name, const std::string& bytes) {
    return Component{name, bytes, {}};
}

Component Raw(const std::string& name, const std::string& bytes,
              const std::vector<std::string>& rows) {
    return Component{name, bytes, rows};
}

// ---- The rows -----------------------------------------------------------------

namespace {

// Whether seen is the rows of these components, each component's rows
// together and in their order, the components in any order. Components of
// the same first row are tried in the order given.
bool RowsOfAnyFileOrder(const std::vector<std::string>& seen,
                        const std::vector<const Component*>& parts) {
    std::multimap<std::string, const Component*> byFirstRow;
    for (const Component* part : parts)
        if (!part->rows.empty()) byFirstRow.emplace(part->rows.front(), part);
    std::size_t at = 0;
    while (at < seen.size()) {
        const auto range = byFirstRow.equal_range(seen[at]);
        auto match = range.second;
        for (auto it = range.first; it != range.second && match == range.second; ++it) {
            const std::vector<std::string>& rows = it->second->rows;
            if (at + rows.size() <= seen.size() &&
                std::equal(rows.begin(), rows.end(),
                           seen.begin() + static_cast<std::ptrdiff_t>(at)))
                match = it;
        }
        if (match == range.second) return false;
        at += match->second->rows.size();
        byFirstRow.erase(match);
    }
    return byFirstRow.empty();
}

}  // namespace

void ExpectRows(const SetupRun& run, const std::vector<Component>& folder, const char* what) {
    const std::vector<Row> rows = run.Rows();
    const std::vector<std::string> texts = Texts(rows);
    std::size_t expectedCount = 0;
    for (const Component& c : folder)
        if (KindOfName(c.name) != Kind::None) expectedCount += c.rows.size();
    ok(texts.size() == expectedCount, "%s: %u rows, expected %u", what,
       static_cast<unsigned>(texts.size()), static_cast<unsigned>(expectedCount));

    std::size_t at = 0;
    for (const Kind kind : {Kind::Description, Kind::Application, Kind::Database}) {
        std::vector<const Component*> parts;
        std::vector<std::string> expected;
        for (const Component& c : folder) {
            if (KindOfName(c.name) != kind) continue;
            parts.push_back(&c);
            expected.insert(expected.end(), c.rows.begin(), c.rows.end());
        }
        const std::size_t end = std::min(texts.size(), at + expected.size());
        const std::vector<std::string> block(texts.begin() + static_cast<std::ptrdiff_t>(at),
                                             texts.begin() + static_cast<std::ptrdiff_t>(end));
        ok(block.size() == expected.size() && RowsOfAnyFileOrder(block, parts),
           "%s: rows %u to %u, of each %s in its line order: %s, expected %s (files in any order)",
           what, static_cast<unsigned>(at + 1), static_cast<unsigned>(at + expected.size()),
           KindName(kind), Join(block, ", ").c_str(), Join(expected, ", ").c_str());
        // Row by row, which rows are out of place.
        std::vector<std::string> known = expected;
        std::sort(known.begin(), known.end());
        for (std::size_t i = at; i < end; ++i)
            ok(std::binary_search(known.begin(), known.end(), texts[i]),
               "%s: row %u %s is a row of the folder's %ss", what, static_cast<unsigned>(i),
               Show(texts[i]).c_str(), KindName(kind));
        at = end;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        ok(rows[i].checkState == kChecked, "%s: row %u checked (state 0x%x)", what,
           static_cast<unsigned>(i), rows[i].checkState);
    ok(Enabled(run.install) == !texts.empty(), "%s: Install %s with %u rows", what,
       Enabled(run.install) ? "enabled" : "disabled", static_cast<unsigned>(texts.size()));

    const std::vector<int> widths = StringWidths(run.Process(), run.list, texts);
    int widest = 0;
    for (const int width : widths) widest = std::max(widest, width);
    const bool measured = std::none_of(widths.begin(), widths.end(), [](int w) { return w < 0; });
    ok(measured && (texts.empty() || widest > 0), "%s: row texts measured, the widest %d", what,
       widest);
    const int column = ColumnWidth(run.list);
    ok(column == widest + 25, "%s: column width %d, expected the widest row's %d + 25", what,
       column, widest);
    ExpectRowsDrawn(run, what);
}

// ---- The rows on the screen ----------------------------------------------------------

namespace {

// Blanks draw nothing: ASCII controls and spaces, and the no-break space (in
// code page 1252 and in UTF-8).
bool HasVisibleCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
            ++i;
            continue;
        }
        if (c > 0x20 && c != 0x7F && c != 0xA0) return true;
    }
    return false;
}

RECT Inset(RECT r, int by) {
    InflateRect(&r, -by, -by);
    return r;
}

RECT Shifted(RECT r, POINT origin) {
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

}  // namespace

std::vector<RowPlace> VisibleRows(const SetupRun& run) {
    std::vector<RowPlace> places;
    RECT client{};
    if (!GetClientRect(run.list, &client)) return places;
    // The column header, when shown, covers the top of the client area.
    HWND header = reinterpret_cast<HWND>(SendMessageA(run.list, LVM_GETHEADER, 0, 0));
    RECT headerRect{};
    if (header && IsWindowVisible(header) && GetWindowRect(header, &headerRect)) {
        MapWindowPoints(nullptr, run.list, reinterpret_cast<POINT*>(&headerRect), 2);
        client.top = std::max(client.top, headerRect.bottom);
    }
    POINT origin{0, 0};
    ClientToScreen(run.list, &origin);
    const int count = RowCount(run.list);
    const int top = static_cast<int>(SendMessageA(run.list, LVM_GETTOPINDEX, 0, 0));
    for (int row = std::max(0, top); row < count; ++row) {
        RECT bounds{}, label{};
        if (!ItemRect(run.Process(), run.list, row, LVIR_BOUNDS, bounds) ||
            !ItemRect(run.Process(), run.list, row, LVIR_LABEL, label))
            break;
        if (bounds.top < client.top) continue;
        if (bounds.bottom > client.bottom) break;
        // The check box is the state image, left of the label.
        RECT box{bounds.left, bounds.top, std::min(label.left, client.right), bounds.bottom};
        label.right = std::min(label.right, client.right);
        OffsetRect(&box, origin.x, origin.y);
        OffsetRect(&label, origin.x, origin.y);
        places.push_back(RowPlace{row, box, label});
    }
    return places;
}

std::string UndrawnRows(const Pixels& picture, POINT origin, const std::vector<RowPlace>& places,
                        const std::vector<std::string>& texts) {
    std::string undrawn;
    for (const RowPlace& place : places) {
        // A plain area has one colour: a check box has its frame, a text its
        // strokes. The focus rectangle runs along the label's edge, so the
        // label is looked at inside it.
        const RECT box = Shifted(place.box, origin);
        const RECT label = Inset(Shifted(place.label, origin), 2);
        if (DistinctColours(picture, 2, &box) < 2)
            undrawn += " row " + std::to_string(place.row) + ": no check box;";
        const std::size_t i = static_cast<std::size_t>(place.row);
        if (i < texts.size() && HasVisibleCharacter(texts[i]) && label.right > label.left &&
            DistinctColours(picture, 2, &label) < 2)
            undrawn += " row " + std::to_string(place.row) + ": no text " + Show(texts[i]) + ";";
    }
    return undrawn;
}

void ExpectRowsDrawn(const SetupRun& run, const char* what) {
    const std::vector<std::string> texts = Texts(run.Rows());
    const std::vector<RowPlace> places = VisibleRows(run);
    ok(texts.empty() || !places.empty(), "%s: %u rows, of them %u wholly visible", what,
       static_cast<unsigned>(texts.size()), static_cast<unsigned>(places.size()));
    ok(IsWindowVisible(run.list), "%s: the list is visible", what);
    RECT list{};
    GetWindowRect(run.list, &list);
    const POINT origin{list.left, list.top};
    std::string undrawn;
    // A dialog that has just appeared may still be painting.
    WaitUntil(
        [&] {
            undrawn = UndrawnRows(GrabScreen(list), origin, places, texts);
            return undrawn.empty();
        },
        3000);
    ok(undrawn.empty(), "%s: rows drawn on the screen:%s", what, undrawn.c_str());
}

void ExpectToggleRedraws(const SetupRun& run, int row, const char* what) {
    std::vector<RowPlace> places = VisibleRows(run);
    places.erase(std::remove_if(places.begin(), places.end(),
                                [&](const RowPlace& p) { return p.row != row; }),
                 places.end());
    if (!ok(places.size() == 1, "%s: row %d visible", what, row)) return;
    const RECT box = places.front().box;
    const Pixels before = GrabScreen(box);
    const std::vector<Row> rows = run.Rows();
    const bool checked = rows[static_cast<std::size_t>(row)].checkState == kChecked;
    ok(run.SetChecked(row, !checked), "%s: row %d toggled", what, row);
    ok(WaitUntil([&] { return !(GrabScreen(box) == before); }, 3000),
       "%s: toggling row %d changes the pixels of its check box", what, row);
    ok(run.SetChecked(row, checked), "%s: row %d toggled back", what, row);
    ok(WaitUntil([&] { return GrabScreen(box) == before; }, 3000),
       "%s: toggling row %d back restores the pixels of its check box", what, row);
}

// ---- Stand-in tools and their launches -------------------------------------------

bool PlaceStandins(const std::string& from, const Tools& tools) {
    const bool ce = ok(CopyInto(from + "\\CEAppMgr.exe", tools.ceExe), "CE stand-in copied to %s",
                       tools.ceExe.c_str());
    const bool palm = ok(CopyInto(from + "\\PalmInstall.exe", tools.palmExe),
                         "Palm stand-in copied to %s", tools.palmExe.c_str());
    SetEnvironmentVariableA("STANDIN_LOG", tools.log.c_str());
    SetStandinRelease("");
    SetStandinExit(0);
    return ce && palm;
}

void SetStandinExit(int code) {
    SetEnvironmentVariableA("STANDIN_EXIT", code ? std::to_string(code).c_str() : nullptr);
}

void SetStandinRelease(const std::string& path) {
    SetEnvironmentVariableA("STANDIN_WAIT_FOR", path.empty() ? nullptr : path.c_str());
}

void EmptyLog(const Tools& tools) {
    ok(DeleteFileA(tools.log.c_str()) || !FileExists(tools.log), "launch log emptied");
}

std::vector<Launched> ReadLaunches(const std::string& log) {
    std::vector<Launched> launches;
    for (const std::string& line : SplitLines(ReadTextFile(log))) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            launches.push_back({"", line});
        else
            launches.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return launches;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string CeCommandLine(const std::string& program, const std::string& dir,
                          const std::vector<std::string>& files) {
    std::string line = program;
    for (const std::string& file : files) line += " " + Quoted(dir + file);
    return line;
}

std::string PalmCommandLine(const std::string& program, const std::string& dir,
                            const std::vector<std::string>& files) {
    std::string paths;
    for (const std::string& file : files) paths += (paths.empty() ? "" : " ") + dir + file;
    return program + " " + Quoted(paths);
}

std::vector<std::string> InRowOrder(const std::vector<std::string>& files,
                                    const std::vector<Row>& rows,
                                    const std::vector<Component>& folder) {
    auto firstRow = [&](const std::string& file) {
        for (const Component& c : folder) {
            if (c.name != file) continue;
            for (std::size_t i = 0; i < rows.size(); ++i)
                if (std::find(c.rows.begin(), c.rows.end(), rows[i].text) != c.rows.end()) return i;
        }
        return rows.size();
    };
    std::vector<std::pair<std::size_t, std::string>> keyed;
    for (const std::string& file : files) keyed.emplace_back(firstRow(file), file);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> ordered;
    for (const auto& k : keyed) ordered.push_back(k.second);
    return ordered;
}

// ---- Install and what follows ----------------------------------------------------

const char kBoxCaption[] = "Product Installation";
const char kComplete[] = "Setup complete.";
const char kFailed[] = "Setup did not complete successfully.";
const char kNoActiveSync[] =
    "Setup requires Microsoft ActiveSync to be installed, but Setup was unable to find it.  "
    "Please install Microsoft ActiveSync, and try again.";
const char kNoPalm[] =
    "Setup requires the Palm Desktop to be installed, but Setup was unable to find it.  "
    "Please install Palm Desktop, and try again.";
const char kPalmLaunchFailed[] =
    "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try "
    "again.\n\nDetails:\n\n";

const SeenBox kCompleteBox{kComplete, Icon::Information};
const SeenBox kFailedBox{kFailed, Icon::Warning};
const SeenBox kNoActiveSyncBox{kNoActiveSync, Icon::Error};
const SeenBox kNoPalmBox{kNoPalm, Icon::Error};

namespace {

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
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

}  // namespace

void PressInstall(SetupRun& run, bool withEnter) {
    if (withEnter)
        PressKey(run.dialog, VK_RETURN);
    else
        Click(run.install);
}

void ExpectLaunches(const std::string& log, const std::vector<ExpectedLaunch>& expected,
                    const char* what) {
    const std::vector<Launched> launches = ReadLaunches(log);
    std::vector<std::string> seen, lines;
    for (const Launched& l : launches) seen.push_back(l.commandLine);
    for (const ExpectedLaunch& e : expected) lines.push_back(e.commandLine);
    ok(launches.size() == expected.size(), "%s: %u launches %s, expected %s", what,
       static_cast<unsigned>(launches.size()), Join(seen, ", ").c_str(), Join(lines, ", ").c_str());
    for (std::size_t i = 0; i < launches.size() && i < expected.size(); ++i) {
        ok(SamePath(launches[i].exe, expected[i].exe), "%s: launch %u ran %s, expected %s", what,
           static_cast<unsigned>(i + 1), launches[i].exe.c_str(), expected[i].exe.c_str());
        ok(launches[i].commandLine == expected[i].commandLine, "%s: launch %u command line %s",
           what, static_cast<unsigned>(i + 1),
           Compare(launches[i].commandLine, expected[i].commandLine).c_str());
    }
}

void ExpectOutcome(SetupRun& run, const std::string& log, const Outcome& expected, const char* what,
                   DWORD firstBoxMs, const std::function<void(const MessageBoxView&)>& atBox) {
    std::vector<SeenBox> seen;
    bool launchesRead = false;
    // A broken program could show boxes without end; five are more than any road has.
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
        const unsigned n = static_cast<unsigned>(seen.size() + 1);
        ok(box.caption == kBoxCaption, "%s: box %u caption %s", what, n, Show(box.caption).c_str());
        ok(box.visibleButtons == 1, "%s: box %u has %d visible buttons, expected OK alone", what, n,
           box.visibleButtons);
        ok(run.Running(), "%s: setup still runs while box %u is shown", what, n);
        if (!launchesRead) {
            ExpectLaunches(log, expected.launches, what);
            launchesRead = true;
        }
        if (atBox) atBox(box);
        seen.push_back({box.text, box.icon});
        if (!ok(CloseMessageBox(box, kWait), "%s: box %u closed", what, n)) break;
    }
    const DWORD exitCode = run.WaitExit(kWait);
    if (!launchesRead)
        ExpectLaunches(log, expected.launches, what);
    else
        ok(ReadLaunches(log).size() == expected.launches.size(),
           "%s: nothing launched after the first box", what);
    ok(seen.size() == expected.boxes.size(), "%s: %u boxes, expected %u", what,
       static_cast<unsigned>(seen.size()), static_cast<unsigned>(expected.boxes.size()));
    for (std::size_t i = 0; i < seen.size() && i < expected.boxes.size(); ++i) {
        ok(seen[i].text == expected.boxes[i].text, "%s: box %u: %s", what,
           static_cast<unsigned>(i + 1), Compare(seen[i].text, expected.boxes[i].text).c_str());
        if (expected.boxes[i].icon == Icon::Unknown) continue;  // not readable, see the caller
        ok(seen[i].icon == expected.boxes[i].icon, "%s: box %u icon %s, expected %s", what,
           static_cast<unsigned>(i + 1), IconName(seen[i].icon), IconName(expected.boxes[i].icon));
    }
    ok(exitCode == expected.exitCode, "%s: exit code %s, expected %lu", what,
       ExitText(exitCode).c_str(), static_cast<unsigned long>(expected.exitCode));
}

// ---- About ------------------------------------------------------------------------

HWND OpenAbout(SetupRun& run) {
    Click(run.about);
    HWND about =
        WaitForTopLevel(run.Pid(), "#32770", "About - Quillmere Installer", kAnyOwner, kWait);
    if (!ok(about != nullptr, "About dialog appeared")) return nullptr;
    ok(GetWindow(about, GW_OWNER) == run.dialog, "About is owned by the selection dialog");
    ok(!Enabled(run.dialog), "selection dialog disabled while About is open");
    const std::string version = TextOf(GetDlgItem(about, kVersionText));
    ok(version == "1.1.0.0", "version text %s", Show(version).c_str());
    return about;
}
