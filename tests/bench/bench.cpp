// Times a dialog program from process start until its dialog is ready (the
// dialog visible and, for setup.exe, every row in and Install enabled), and
// reads its peak working set. Runs under Wine next to the programs it times.
//
// bench <runs> (<program> <title> <expected rows or -1 for none>)...
// The cases take turns, so that they all see the same machine; prints one
// line per case: median_ms min_ms peak_working_set_kb
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    const char* title;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16], title[128];
    if (pid != s->pid || !IsWindowVisible(window)) return TRUE;
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    if (std::string(cls) == "#32770" && std::string(title) == s->title) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

bool Ready(HWND dialog, int rows) {
    if (rows < 0) return true;
    HWND list = GetDlgItem(dialog, 1000);
    if (!list) return false;
    const LRESULT count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    if (count != rows) return false;
    return rows == 0 || IsWindowEnabled(GetDlgItem(dialog, IDOK));
}

// One run: milliseconds until ready, or a negative value on a timeout.
double RunOnce(const std::string& program, const char* title, int rows, SIZE_T& peak) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + program + "\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    double elapsed = -1;
    HWND dialog = nullptr;
    for (;;) {
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        if (ms > 60000) break;
        Search s = {process.dwProcessId, title, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
        if (s.found && Ready(s.found, rows)) {
            elapsed = ms;
            dialog = s.found;
            break;
        }
        Sleep(1);
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
        peak = counters.PeakWorkingSetSize;
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        elapsed = -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: bench <runs> (<program> <title> <rows|-1>)...\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    struct Case {
        const char* program;
        const char* title;
        int rows;
        std::vector<double> times;
        SIZE_T peak = 0;
    };
    std::vector<Case> cases;
    for (int i = 2; i + 2 < argc; i += 3) cases.push_back({argv[i], argv[i + 1], std::atoi(argv[i + 2]), {}, 0});
    for (int run = 0; run < runs; ++run)
        for (Case& c : cases) {
            SIZE_T peak = 0;
            const double ms = RunOnce(c.program, c.title, c.rows, peak);
            if (ms < 0) {
                std::fprintf(stderr, "%s: not ready in time\n", c.program);
                return 1;
            }
            c.times.push_back(ms);
            c.peak = std::max(c.peak, peak);
        }
    for (Case& c : cases) {
        std::sort(c.times.begin(), c.times.end());
        std::printf("%.1f %.1f %lu\n", c.times[c.times.size() / 2], c.times.front(),
                    static_cast<unsigned long>(c.peak / 1024));
    }
    return 0;
}
