// One run of setup.exe: starting it (also from paths CreateProcessA cannot
// take), its selection dialog and controls, and how it ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "remote.h"

class SetupRun {
public:
    SetupRun() = default;
    ~SetupRun();  // ends the process if it still runs
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    // CreateProcess of "<exe>" + (arguments empty ? "" : " " + arguments), with
    // the current directory cwd (null: the driver's).
    bool Start(const std::string& exe, const std::string& arguments = "",
               const char* cwd = nullptr);
    // The same through ntdll (NtCreateUserProcess), for an image path of
    // MAX_PATH or more, which CreateProcess refuses; the current directory is
    // the driver's.
    bool StartLongPath(const std::string& exe);
    // CreateProcessW of "<exe>", for a path the ANSI code page cannot hold;
    // the current directory is the driver's.
    bool StartWide(const std::wstring& exe);
    // Finds the selection dialog and its controls; false when it does not
    // appear in time.
    bool WaitForDialog(DWORD ms = 10000);

    DWORD Pid() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }
    bool Running() const;
    // The full 32-bit exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitExit(DWORD ms = 10000);
    void Kill();

    HWND dialog = nullptr;
    HWND list = nullptr;
    HWND install = nullptr;
    HWND cancel = nullptr;
    HWND about = nullptr;

    std::vector<Row> Rows() const { return ReadRows(info_.hProcess, list); }
    bool SetChecked(int row, bool checked) const;

private:
    PROCESS_INFORMATION info_{};
};

// The exit code or "(still running)" for messages.
std::string ExitText(DWORD code);
