// Helpers for driving setup.exe from a second process under Wine: checks in
// the style of Wine's conformance tests, files and registry for a scenario's
// set-up, and window access across the process boundary.
//
// Every wait here is bounded; a helper that gives up returns an empty or
// failed result and the caller's ok() reports it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// ---- Checks ---------------------------------------------------------------

#if defined(__GNUC__)
#define E2E_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define E2E_PRINTF(f, a)
#endif

// Records one check; prints it when it fails (or always with E2E_VERBOSE=1).
// Returns cond so a caller can stop early when later checks would be moot.
bool ok_at(const char* file, int line, bool cond, const char* format, ...) E2E_PRINTF(4, 5);
#define ok(cond, ...) ok_at(__FILE__, __LINE__, (cond), __VA_ARGS__)
void trace(const char* format, ...) E2E_PRINTF(1, 2);
int PassedCount();
int FailedCount();

// Quoted and escaped for messages: "a\tb" stays readable.
std::string Show(const std::string& text);
std::string Join(const std::vector<std::string>& parts, const char* separator);

// ---- Files and paths --------------------------------------------------------

// "/a/b" (a Unix path Wine maps through drive Z:) becomes "Z:\a\b"; "C:/a"
// becomes "C:\a".
std::string WindowsPath(std::string path);

// Reads "--name value" pairs from argv[first] on into the named strings, each
// as a Windows path; false on an unknown name or a name without a value.
bool ReadPathOptions(int argc, char** argv, int first,
                     std::initializer_list<std::pair<const char*, std::string*>> options);
std::string DirectoryOf(const std::string& path);  // with its trailing backslash
std::string ShortPath(const std::string& path);    // GetShortPathNameA, "" on failure
// These take paths of any length: from 248 characters on they go to the
// system with the "\\?\" prefix, as the ANSI calls stop at MAX_PATH.
bool MakeDirectories(const std::string& path);
bool RemoveTree(const std::string& path);  // true when nothing is left
bool WriteTextFile(const std::string& path, const std::string& bytes);
// head, then gap zero bytes (a file extended with SetEndOfFile, so sparse
// where the file system allows), then tail.
bool WriteFileWithGap(const std::string& path, const std::string& head, ULONGLONG gap,
                      const std::string& tail);
std::string ReadTextFile(const std::string& path);  // "" when missing
bool FileExists(const std::string& path);
bool CopyInto(const std::string& source, const std::string& target);
// Copies a folder's files and empty folders into target (made if need be)
// by their wide names; names, when given, gets them as UTF-8.
bool CopyFolder(const std::string& from, const std::string& target,
                std::vector<std::string>* names = nullptr);
std::wstring WidePath(const std::string& path);                // ANSI code page, "\\?\" when long
std::vector<std::string> SplitLines(const std::string& text);  // on '\n', drops a final ""

// ---- Registry -------------------------------------------------------------

// HKLM\...\App Paths\CEAppMgr.exe with the given default value, or without
// the key at all.
bool SetCeAppManagerPath(const std::string& exePath);
// The default value with any type and exactly these bytes (no terminator added).
bool SetCeAppManagerValue(DWORD type, const std::string& bytes);
bool RemoveCeAppManagerPath();
// ".prc" -> progId -> shell\open\command = command, in HKLM\Software\Classes;
// Remove clears the class and ".prc" from both the machine and user halves of
// HKEY_CLASSES_ROOT so no older association shows through.
bool SetPrcAssociation(const std::string& progId, const std::string& command);
bool RemovePrcAssociation(const std::string& progId);

// ---- Windows of another process ---------------------------------------------

// A top-level window of process pid: visible, of the class (null: any), whose
// title equals title (null: any) and whose owner is owner (kAnyOwner: any).
extern const HWND kAnyOwner;
HWND FindTopLevel(DWORD pid, const char* cls, const char* title, HWND owner);
HWND WaitForTopLevel(DWORD pid, const char* cls, const char* title, HWND owner, DWORD ms);
std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly);
// Waits until hwnd is gone or invisible; false on timeout.
bool WaitGone(HWND hwnd, DWORD ms);

std::string ClassOf(HWND hwnd);
std::string TextOf(HWND hwnd);  // WM_GETTEXT with a time limit
bool Enabled(HWND hwnd);
LONG StyleOf(HWND hwnd);
void Click(HWND button);  // posted BM_CLICK
// Posts a key press (down and up) to the window that has the keyboard focus
// in the thread of hwnd, or to hwnd when no focus is known.
void PressKey(HWND hwnd, UINT vk);
// Returns once the thread of button has handled everything posted to it
// before this call (or the button has gone): a posted BM_SETSTATE is seen to
// take effect and is then undone.
bool Drain(HWND button, DWORD ms);
// SendMessageTimeout; false on timeout or a hung target.
bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr,
          DWORD ms = 5000);
// Polls cond every 20 ms until it holds or ms have passed.
template <class Cond>
bool WaitUntil(Cond cond, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(20);
    }
}

// Memory in another process, for messages that carry a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool Valid() const { return address_ != nullptr; }
    void* Address() const { return address_; }
    bool Write(const void* data, SIZE_T size, SIZE_T offset = 0);
    bool Read(void* data, SIZE_T size, SIZE_T offset = 0) const;

private:
    HANDLE process_;
    void* address_;
};

// ---- The list view ------------------------------------------------------------

constexpr UINT kUnchecked = 0x1000;
constexpr UINT kChecked = 0x2000;

// Files by name and contents.
using FileList = std::vector<std::pair<std::string, std::string>>;

struct Row {
    std::string text;
    UINT checkState;  // state & LVIS_STATEIMAGEMASK
};
int RowCount(HWND list);  // -1 when the list does not answer
std::vector<Row> ReadRows(HANDLE process, HWND list);
bool SetRowState(HANDLE process, HWND list, int row, UINT state, UINT mask);
int StringWidth(HANDLE process, HWND list, const std::string& text);
std::vector<std::string> Texts(const std::vector<Row>& rows);

// ---- Message boxes ---------------------------------------------------------------

enum class Icon { None, Information, Warning, Error, Question, Unknown };
const char* IconName(Icon icon);

struct MessageBoxView {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    int visibleButtons = 0;
    Icon icon = Icon::None;
};
// Waits for a visible #32770 of pid owned by owner and reads it.
MessageBoxView WaitForMessageBox(DWORD pid, HWND owner, DWORD ms);
// Presses OK (control 1) and waits for the box to go.
bool CloseMessageBox(const MessageBoxView& box, DWORD ms);

// ---- setup.exe ------------------------------------------------------------------

// One run of setup.exe and its selection dialog.
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
