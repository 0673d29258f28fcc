#include "remote.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

const HWND kAnyOwner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

namespace {

struct Search {
    DWORD pid;
    const char* cls;
    const char* title;
    HWND owner;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
    Search& s = *reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s.pid) return TRUE;
    if (s.visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    if (s.cls && ClassOf(hwnd) != s.cls) return TRUE;
    if (s.owner != kAnyOwner && GetWindow(hwnd, GW_OWNER) != s.owner) return TRUE;
    if (s.title) {
        char text[512] = {};
        GetWindowTextA(hwnd, text, sizeof text);  // a top-level caption: no message sent
        if (std::strcmp(text, s.title) != 0) return TRUE;
    }
    s.found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly) {
    Search s{pid, nullptr, nullptr, kAnyOwner, visibleOnly, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND FindTopLevel(DWORD pid, const char* cls, const char* title, HWND owner) {
    Search s{pid, cls, title, owner, true, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found.empty() ? nullptr : s.found.front();
}

HWND WaitForTopLevel(DWORD pid, const char* cls, const char* title, HWND owner, DWORD ms) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevel(pid, cls, title, owner)) != nullptr; }, ms);
    return found;
}

bool WaitGone(HWND hwnd, DWORD ms) {
    return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, ms);
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, DWORD ms) {
    DWORD_PTR value = 0;
    const LRESULT done =
        SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, ms, &value);
    if (result) *result = static_cast<LRESULT>(value);
    return done != 0;
}

std::string TextOf(HWND hwnd) {
    LRESULT length = 0;
    if (!Send(hwnd, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT copied = 0;
    if (!Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied))
        return std::string();
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != 0; }

LONG StyleOf(HWND hwnd) { return GetWindowLongA(hwnd, GWL_STYLE); }

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PressKey(HWND hwnd, UINT vk) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = hwnd;
    // Keys reach the focused control, as typed keys would; a focus outside
    // hwnd (another window of the thread) would never reach hwnd's dialog
    // handling, so then the key goes to hwnd itself.
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == hwnd || IsChild(hwnd, info.hwndFocus)))
        target = info.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, WM_KEYUP, vk, scan | 1 | static_cast<LPARAM>(0xC0000000u));
}

bool Drain(HWND button, DWORD ms) {
    auto pushed = [&](bool want) {
        return WaitUntil(
            [&] {
                if (!IsWindow(button)) return true;
                LRESULT state = 0;
                return Send(button, BM_GETSTATE, 0, 0, &state, 200) &&
                       ((state & BST_PUSHED) != 0) == want;
            },
            ms);
    };
    // Posted messages of one thread are handled in the order they were posted,
    // so once the highlight shows, everything posted before it has been seen.
    PostMessageA(button, BM_SETSTATE, TRUE, 0);
    if (!pushed(true)) return false;
    PostMessageA(button, BM_SETSTATE, FALSE, 0);
    return pushed(false);
}

RemoteBuffer::RemoteBuffer(HANDLE process, SIZE_T size)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteBuffer::~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(const void* data, SIZE_T size, SIZE_T offset) {
    SIZE_T done = 0;
    return address_ &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

bool RemoteBuffer::Read(void* data, SIZE_T size, SIZE_T offset) const {
    SIZE_T done = 0;
    return address_ &&
           ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, data, size,
                             &done) &&
           done == size;
}

// ---- The list view ------------------------------------------------------------

int RowCount(HWND list) {
    LRESULT count = 0;
    return Send(list, LVM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : -1;
}

std::vector<Row> ReadRows(HANDLE process, HWND list) {
    std::vector<Row> rows;
    const int count = RowCount(list);
    constexpr int kText = 1024;
    // The item and its text buffer side by side: one write, one message and
    // one read per row, which matters with thousands of rows.
    struct Remote {
        LVITEMA item;
        char text[kText];
    };
    RemoteBuffer remote(process, sizeof(Remote));
    if (!remote.Valid()) return rows;
    Remote local{};
    for (int i = 0; i < count; ++i) {
        local.item = LVITEMA{};
        local.item.mask = LVIF_TEXT | LVIF_STATE;
        local.item.stateMask = LVIS_STATEIMAGEMASK;
        local.item.iItem = i;
        local.item.pszText = reinterpret_cast<Remote*>(remote.Address())->text;
        local.item.cchTextMax = kText;
        LRESULT done = 0;
        if (!remote.Write(&local.item, sizeof local.item) ||
            !Send(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.Address()), &done) ||
            !done || !remote.Read(&local, sizeof local))
            break;
        local.text[kText - 1] = '\0';
        rows.push_back(Row{std::string(local.text, std::strlen(local.text)),
                           local.item.state & LVIS_STATEIMAGEMASK});
    }
    return rows;
}

bool SetRowState(HANDLE process, HWND list, int row, UINT state, UINT mask) {
    RemoteBuffer remote(process, sizeof(LVITEMA));
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    LRESULT result = 0;
    return remote.Write(&item, sizeof item) &&
           Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                reinterpret_cast<LPARAM>(remote.Address()), &result) &&
           result != 0;
}

std::vector<int> StringWidths(HANDLE process, HWND list, const std::vector<std::string>& texts) {
    std::vector<int> widths(texts.size(), -1);
    std::size_t longest = 0;
    for (const std::string& text : texts) longest = std::max(longest, text.size());
    // One buffer for every text: thousands of rows are measured.
    RemoteBuffer remote(process, longest + 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        LRESULT width = -1;
        if (remote.Write(texts[i].c_str(), texts[i].size() + 1) &&
            Send(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(remote.Address()), &width))
            widths[i] = static_cast<int>(width);
    }
    return widths;
}

int ColumnWidth(HWND list) {
    LRESULT width = -1;
    if (!Send(list, LVM_GETCOLUMNWIDTH, 0, 0, &width)) return -1;
    return static_cast<int>(width);
}

bool ItemRect(HANDLE process, HWND list, int row, int code, RECT& rect) {
    RemoteBuffer remote(process, sizeof(RECT));
    RECT local{};
    local.left = code;
    LRESULT done = 0;
    return remote.Write(&local, sizeof local) &&
           Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                reinterpret_cast<LPARAM>(remote.Address()), &done) &&
           done && remote.Read(&rect, sizeof rect);
}

std::vector<std::string> Texts(const std::vector<Row>& rows) {
    std::vector<std::string> texts;
    for (const Row& row : rows) texts.push_back(row.text);
    return texts;
}

// ---- Message boxes ---------------------------------------------------------------

namespace {

BOOL CALLBACK CountButtons(HWND child, LPARAM lParam) {
    if (ClassOf(child) == "Button" && IsWindowVisible(child)) ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

}  // namespace

MessageBoxView WaitForMessageBox(DWORD pid, HWND owner, DWORD ms) {
    MessageBoxView view;
    view.hwnd = WaitForTopLevel(pid, "#32770", nullptr, owner, ms);
    if (!view.hwnd) return view;
    char caption[512] = {};
    GetWindowTextA(view.hwnd, caption, sizeof caption);
    view.caption = caption;
    HWND text = GetDlgItem(view.hwnd, 0xFFFF);
    view.text = text ? TextOf(text) : std::string();
    EnumChildWindows(view.hwnd, CountButtons, reinterpret_cast<LPARAM>(&view.visibleButtons));
    view.icon = IdentifyIcon(view.hwnd);
    return view;
}

bool CloseMessageBox(const MessageBoxView& box, DWORD ms) {
    HWND okButton = GetDlgItem(box.hwnd, IDOK);
    if (!okButton) return false;
    Click(okButton);
    return WaitGone(box.hwnd, ms);
}
