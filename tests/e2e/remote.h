// Windows of another process (setup.exe's): finding them, reading and
// driving them by messages, memory in that process for messages that carry a
// pointer, its list view and its message boxes.
//
// Every wait here is bounded; a helper that gives up returns an empty or
// failed result and the caller's ok() reports it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "pixels.h"

// ---- Windows ------------------------------------------------------------------

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

struct Row {
    std::string text;
    UINT checkState;  // state & LVIS_STATEIMAGEMASK
};
int RowCount(HWND list);  // -1 when the list does not answer
std::vector<Row> ReadRows(HANDLE process, HWND list);
bool SetRowState(HANDLE process, HWND list, int row, UINT state, UINT mask);
// LVM_GETSTRINGWIDTH for each text, in the list's font; -1 for a text the
// list did not measure.
std::vector<int> StringWidths(HANDLE process, HWND list, const std::vector<std::string>& texts);
int ColumnWidth(HWND list);  // of column 0; -1 when the list does not answer
// LVM_GETITEMRECT of a row with the part code (LVIR_BOUNDS, LVIR_LABEL), in
// the list's client coordinates; false when the list does not answer.
bool ItemRect(HANDLE process, HWND list, int row, int code, RECT& rect);
std::vector<std::string> Texts(const std::vector<Row>& rows);

// ---- Message boxes ---------------------------------------------------------------

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
