// Stands in for a desktop install tool that setup.exe launches (built once
// per tool name). It records how it was started, can be held open until the
// test lets it go, and exits with a chosen code.
//
// Environment (setup.exe passes its own environment on, so the driver sets
// these before it starts setup.exe):
//   STANDIN_LOG       file to append one line to: "<own exe path>\t<command
//                     line>\n"; default "<own exe path>.log". The line is
//                     written before any waiting, so a test can see that the
//                     tool is running.
//   STANDIN_WAIT_FOR  if set, do not exit until this file exists (at most
//                     60 s; a missing release is written to the log).
//   STANDIN_EXIT      exit code, decimal (default 0).
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name, bool& present) {
    char buffer[1024];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    present = n > 0 && n < sizeof buffer;
    return present ? std::string(buffer, n) : std::string();
}

// One WriteFile per line, appending, so two tools sharing a log cannot
// interleave within a line.
void AppendLine(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);

    bool present = false;
    std::string log = Env("STANDIN_LOG", present);
    if (!present) log = std::string(self) + ".log";
    AppendLine(log, std::string(self) + "\t" + GetCommandLineA() + "\n");

    const std::string waitFor = Env("STANDIN_WAIT_FOR", present);
    if (present) {
        const DWORD start = GetTickCount();
        while (!FileExists(waitFor)) {
            if (GetTickCount() - start > 60000) {
                AppendLine(log, std::string(self) + "\t(gave up waiting for " + waitFor + ")\n");
                break;
            }
            Sleep(20);
        }
    }

    const std::string code = Env("STANDIN_EXIT", present);
    return present ? static_cast<int>(std::strtol(code.c_str(), nullptr, 10)) : 0;
}
