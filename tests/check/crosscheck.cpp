// setup-check.exe against setup.exe, under Wine: for the same sample folders
// the rows setup-check prints are exactly the rows setup.exe shows, and the
// command lines it prints (given the stand-ins' path, the test association
// and the folder's real short path) are exactly what the stand-ins receive.
//
//   crosscheck.exe --setup <setup.exe> --check <setup-check.exe> --tools <dir>
//                  --folders <dir> --codepage <n> [--reports <dir>] [--work <dir>]
//
// It checks the build's folders (--folders) meant for its ANSI code page,
// which must be the one given: 1252 the sample and the mistakes, 932 the
// Japanese CD, 65001 (UTF-8) the UTF-8 CD. setup-check.exe is given no code
// page: it must take the machine's. --reports keeps setup-check.exe's report
// on each, as <folder>.json.
//
// The last line printed is "N passed, M failed"; the exit code is 0 only
// when nothing failed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "e2e/harness.h"

namespace {

const char kProgId[] = "QuillmereCheck.PalmInstall";

// The build's folders each code page checks, what setup-check.exe must exit
// with there, and findings it must give.
const struct {
    UINT codePage;
    const char* folder;
    DWORD status;
    std::vector<const char*> codes;
} kFolders[] = {
    {1252, "Sample CD", 0, {"alias-match"}},
    {1252, "Mistakes", 1,
     {"ce-row-outside-component", "cab-missing", "ce-ini-invalid", "cab-damaged",
      "description-encoding", "empty-file", "palm-invalid", "palm-duplicate-name", "duplicate-row",
      "line-split", "description-ends-early", "rows-share-file", "ctrl-z", "lone-cr",
      "palm-name-space", "palm-orphan-database", "alias-match", "folder-match",
      "cab-no-setup-file", "cab-setup-damaged", "cab-same-target", "cab-names-differ",
      "palm-not-listed"}},
    {1252, "Damaged", 1, {"cab-damaged", "palm-invalid"}},
    {1252, "Setup XML", 1, {"cab-setup-damaged"}},
    {932, "Japanese CD", 1, {"cab-missing"}},
    {65001, "UTF-8 CD", 0, {}},
};

struct Options {
    std::string setupExe, checkExe, tools, folders, reports, codePage,
        work = "C:\\e2e\\setup-check";
} g_options;

// One argument as the C runtime splits a command line: quoted, with the
// backslashes before a quote (or the end) doubled.
std::string Quote(const std::string& argument) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// Runs a console program and gives what it wrote to its standard output.
bool RunCaptured(const std::string& commandLine, std::string& output, DWORD& exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0;
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
            output.append(buffer, read);
        exitCode = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
                           GetExitCodeProcess(process.hProcess, &exitCode)
                       ? exitCode
                       : STILL_ACTIVE;
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    return started;
}

// The report's UTF-8 in the ANSI code page, as setup.exe's texts are.
std::string ToAnsi(const std::string& utf8) {
    std::vector<wchar_t> wide(utf8.size() + 1);
    std::vector<char> ansi(2 * utf8.size() + 1);
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    const int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, ansi.data(),
                                      static_cast<int>(ansi.size()), nullptr, nullptr);
    return std::string(ansi.data(), static_cast<std::size_t>(m > 0 ? m : 0));
}

// The JSON string that starts at json[i] (a quote); i ends on its closing
// quote. The report escapes nothing else in these folders.
std::string ReadJsonString(const std::string& json, std::size_t& i) {
    std::string out;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
        char c = json[i];
        if (c == '\\' && i + 1 < json.size()) {
            c = json[++i];
            c = c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
        out += c;
    }
    return out;
}

// The string values of key in the objects of the array arrayKey, in order.
std::vector<std::string> JsonStrings(const std::string& json, const std::string& arrayKey,
                                     const std::string& key) {
    std::vector<std::string> values;
    std::size_t i = json.find("\"" + arrayKey + "\": [");
    if (i == std::string::npos) return values;
    i = json.find('[', i);
    int depth = 0;
    bool value = false;
    std::string lastKey;
    for (; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            const std::string s = ReadJsonString(json, i);
            if (value && lastKey == key) values.push_back(ToAnsi(s));
            if (!value) lastKey = s;
            value = false;
        } else if (c == ':') {
            value = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (--depth == 0) break;
        } else if (c != ' ' && c != '\n' && c != '\r') {
            value = false;
        }
    }
    return values;
}

void CrossCheck(const char* what, const std::string& root, DWORD expectedStatus,
                const std::vector<const char*>& codes) {
    trace("folder: %s", what);
    // An old report must not stand in for one this run failed to write.
    const std::string report = g_options.reports + "\\" + what + ".json";
    ok(g_options.reports.empty() || RemoveTree(report), "%s: old report removed", what);
    ok(RemoveTree(root), "%s: old files removed", what);
    const std::string dir = root + "\\" + what + "\\";
    bool made = CopyFolder(g_options.folders + "\\" + what, root + "\\" + what) &&
                CopyInto(g_options.setupExe, dir + "setup.exe");
    const std::string shortDir = ShortPath(dir);
    const std::string ceExe = root + "\\Program Files\\Mobile Sync\\CEAppMgr.exe";
    const std::string palmExe = root + "\\Palm Desktop\\Install Tool.exe";
    const std::string palmCommand = "\"" + palmExe + "\" \"%1\"";
    const std::string log = root + "\\launches.log";
    made = CopyInto(g_options.tools + "\\CEAppMgr.exe", ceExe) &&
           CopyInto(g_options.tools + "\\PalmInstall.exe", palmExe) && SetCeAppManagerPath(ceExe) &&
           RemovePrcAssociation(kProgId) && SetPrcAssociation(kProgId, palmCommand) && made;
    if (!ok(made && !shortDir.empty(), "%s: folder, tools and registry set up (short form %s)",
            what, shortDir.c_str()))
        return;
    SetEnvironmentVariableA("STANDIN_LOG", log.c_str());

    // setup.exe: its rows, then Install with every row checked.
    SetupRun run;
    std::vector<std::string> shown;
    if (ok(run.Start(dir + "setup.exe") && run.WaitForDialog(kWait), "%s: setup.exe's dialog", what)) {
        shown = Texts(run.Rows());
        Click(run.install);
        const MessageBoxView box = WaitForMessageBox(run.Pid(), run.dialog, 30000);
        ok(box.text == kComplete, "%s: Install ends with %s", what, Show(box.text).c_str());
        if (box.hwnd) CloseMessageBox(box, kWait);
        const DWORD code = run.WaitExit(kWait);
        ok(code == 1, "%s: setup.exe exit code %s", what, ExitText(code).c_str());
    }
    std::vector<std::string> launched;  // the command lines, in launch order
    for (const Launched& l : ReadLaunches(log)) launched.push_back(l.commandLine);

    // setup-check.exe on the same folder.
    std::string json;
    DWORD status = STILL_ACTIVE;
    const std::string command = Quote(g_options.checkExe) + " --json --at " + Quote(shortDir) +
                                " --ce-manager " + Quote(ceExe) + " --palm-command " +
                                Quote(palmCommand) + " " + Quote(dir);
    if (!ok(RunCaptured(command, json, status), "%s: setup-check.exe started", what)) return;
    ok(status == expectedStatus, "%s: setup-check.exe exit code %s, expected %lu", what,
       ExitText(status).c_str(), expectedStatus);
    // For the comparison with the native build's report on the same folder.
    if (!g_options.reports.empty())
        ok(MakeDirectories(g_options.reports) && WriteTextFile(report, json),
           "%s: report saved in %s", what, g_options.reports.c_str());
    const std::string machine = "\"codePage\": " + std::to_string(GetACP()) + ",";
    ok(json.find(machine) != std::string::npos &&
           json.find("\"codePageGiven\": false") != std::string::npos,
       "%s: setup-check.exe took the machine's code page %u", what, GetACP());
    const std::vector<std::string> rows = JsonStrings(json, "rows", "text");
    const std::vector<std::string> lines = JsonStrings(json, "commandLines", "line");
    ok(!shown.empty() && rows == shown, "%s: setup-check's rows %s, setup.exe's %s", what,
       Join(rows, ", ").c_str(), Join(shown, ", ").c_str());
    ok(launched.size() == 2 && lines == launched,
       "%s: setup-check's command lines %s, the stand-ins received %s", what,
       Join(lines, ", ").c_str(), Join(launched, ", ").c_str());
    const std::vector<std::string> found = JsonStrings(json, "findings", "code");
    for (const char* code : codes) {
        bool present = false;
        for (const std::string& f : found) present = present || f == code;
        ok(present, "%s: finding %s among %s", what, code, Join(found, ", ").c_str());
    }
    if (FailedCount() > 0) trace("setup-check's report:\n%s", json.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (!ReadPathOptions(argc, argv, 1,
                         {{"setup", &g_options.setupExe},
                          {"check", &g_options.checkExe},
                          {"tools", &g_options.tools},
                          {"folders", &g_options.folders},
                          {"reports", &g_options.reports},
                          {"codepage", &g_options.codePage},
                          {"work", &g_options.work}}) ||
        g_options.setupExe.empty() || g_options.checkExe.empty() || g_options.tools.empty() ||
        g_options.folders.empty() || g_options.codePage.empty()) {
        std::printf("usage: crosscheck --setup <setup.exe> --check <setup-check.exe> --tools <dir> "
                    "--folders <dir> --codepage <n> [--reports <dir>] [--work <dir>]\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    // The code page is the Unix locale's: each run checks the folders of its own.
    const UINT codePage = GetACP();
    if (!ok(std::to_string(codePage) == g_options.codePage,
            "ANSI code page %u, expected %s (is the locale installed?)", codePage,
            g_options.codePage.c_str())) {
        std::printf("%d passed, %d failed\n", PassedCount(), FailedCount());
        return 1;
    }
    bool any = false;
    for (const auto& f : kFolders) {
        if (f.codePage != codePage) continue;
        any = true;
        CrossCheck(f.folder, g_options.work + "\\" + std::to_string(codePage), f.status, f.codes);
    }
    ok(any, "folders to check in code page %u (1252, 932 or 65001 by the locale)", codePage);
    std::printf("setup-check cross-check: %lu ms\n", GetTickCount() - start);
    std::printf("%d passed, %d failed\n", PassedCount(), FailedCount());
    return FailedCount() ? 1 : 0;
}
