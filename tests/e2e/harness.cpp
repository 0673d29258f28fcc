#include "harness.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

// ---- Checks ---------------------------------------------------------------

namespace {

int g_passed = 0;
int g_failed = 0;

bool Verbose() {
    char value[8] = {};
    return GetEnvironmentVariableA("E2E_VERBOSE", value, sizeof value) > 0 && value[0] == '1';
}

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* back = std::strrchr(path, '\\');
    const char* last = slash > back ? slash : back;
    return last ? last + 1 : path;
}

}  // namespace

bool ok_at(const char* file, int line, bool cond, const char* format, ...) {
    if (cond) {
        ++g_passed;
        if (!Verbose()) return true;
    } else {
        ++g_failed;
    }
    va_list args;
    va_start(args, format);
    std::printf("%s:%d: Test %s: ", BaseName(file), line, cond ? "succeeded" : "failed");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
    return cond;
}

void trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("  ");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

int PassedCount() { return g_passed; }
int FailedCount() { return g_failed; }

std::string Show(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char buffer[8];
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += Show(parts[i]);
    }
    return "[" + out + "]";
}

// ---- Files and paths --------------------------------------------------------

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::wstring WidePath(const std::string& path) {
    std::wstring wide;
    const int n =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (n > 0) {
        wide.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], n);
    }
    // CreateDirectory stops at 248 characters (room for an 8.3 name), the
    // other calls at MAX_PATH, unless the path is given verbatim.
    if (wide.size() >= 248 && wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\')
        wide = L"\\\\?\\" + wide;
    return wide;
}

bool MakeDirectories(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '\\') continue;
        const std::string prefix = path.substr(0, i);
        if (!CreateDirectoryW(WidePath(prefix).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

namespace {

bool RemoveWideTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // Read-only files and folders (some scenarios make them so) go as well.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
            RemoveWideTree(path + L"\\" + found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace

bool RemoveTree(const std::string& path) {
    std::wstring wide = WidePath(path);
    // Anything below may be long even when the root is not.
    if (wide.compare(0, 4, L"\\\\?\\") != 0 && wide.size() > 2 && wide[1] == L':')
        wide = L"\\\\?\\" + wide;
    return RemoveWideTree(wide);
}

bool WriteTextFile(const std::string& path, const std::string& bytes) {
    return WriteFileWithGap(path, bytes, 0, std::string());
}

bool WriteFileWithGap(const std::string& path, const std::string& head, ULONGLONG gap,
                      const std::string& tail) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    auto write = [&](const std::string& bytes) {
        DWORD written = 0;
        return bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                           &written, nullptr) &&
                                 written == bytes.size());
    };
    bool done = write(head);
    if (done && gap > 0) {
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(head.size() + gap);
        done = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }
    done = done && write(tail);
    CloseHandle(file);
    return done;
}

std::string ReadTextFile(const std::string& path) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyInto(const std::string& source, const std::string& target) {
    return MakeDirectories(DirectoryOf(target)) &&
           CopyFileW(WidePath(source).c_str(), WidePath(target).c_str(), FALSE) != 0;
}

namespace {

// Copies the folder's files and folders (not what lies below those) by
// wide names, so names outside the ANSI code page come across too.
bool CopyWideFolder(const std::wstring& from, const std::wstring& to, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copied = (CreateDirectoryW((to + L"\\" + name).c_str(), nullptr) ||
                      GetLastError() == ERROR_ALREADY_EXISTS) && copied;
        else
            copied = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) &&
                     copied;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return copied;
}

}  // namespace

bool CopyFolder(const std::string& from, const std::string& to, std::vector<std::string>* names) {
    std::vector<std::wstring> wide;
    const bool copied = MakeDirectories(to) && CopyWideFolder(WidePath(from), WidePath(to), wide);
    if (names) {
        for (const std::wstring& name : wide) {
            char utf8[4 * MAX_PATH];
            const int n = WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8, sizeof utf8,
                                              nullptr, nullptr);
            names->push_back(n > 0 ? utf8 : "?");
        }
    }
    return copied;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// ---- Registry -------------------------------------------------------------

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

bool SetDefaultValue(HKEY root, const std::string& key, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(handle, nullptr, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::string& key) {
    const LONG result = RegDeleteTreeA(root, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
    const LONG removed = RegDeleteKeyA(root, key.c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool SetCeAppManagerPath(const std::string& exePath) {
    return SetDefaultValue(HKEY_LOCAL_MACHINE, kAppPathKey, exePath);
}

bool SetCeAppManagerValue(DWORD type, const std::string& bytes) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(handle, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool RemoveCeAppManagerPath() { return DeleteTree(HKEY_LOCAL_MACHINE, kAppPathKey); }

bool SetPrcAssociation(const std::string& progId, const std::string& command) {
    return SetDefaultValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.prc", progId) &&
           SetDefaultValue(HKEY_LOCAL_MACHINE,
                           "Software\\Classes\\" + progId + "\\shell\\open\\command", command);
}

bool RemovePrcAssociation(const std::string& progId) {
    bool done = true;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        done = DeleteTree(root, "Software\\Classes\\.prc") && done;
        done = DeleteTree(root, "Software\\Classes\\" + progId) && done;
    }
    // The check that counts: the shell no longer finds an open command.
    char command[1024];
    DWORD size = sizeof command;
    const HRESULT hr = AssocQueryStringA(0, ASSOCSTR_COMMAND, ".prc", "open", command, &size);
    return done && (FAILED(hr) || size == 0);
}

// ---- Windows of another process ---------------------------------------------

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

int StringWidth(HANDLE process, HWND list, const std::string& text) {
    RemoteBuffer remote(process, text.size() + 1);
    LRESULT width = -1;
    if (!remote.Write(text.c_str(), text.size() + 1) ||
        !Send(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(remote.Address()), &width))
        return -1;
    return static_cast<int>(width);
}

std::vector<std::string> Texts(const std::vector<Row>& rows) {
    std::vector<std::string> texts;
    for (const Row& row : rows) texts.push_back(row.text);
    return texts;
}

// ---- Message boxes ---------------------------------------------------------------

const char* IconName(Icon icon) {
    switch (icon) {
    case Icon::None: return "none";
    case Icon::Information: return "information";
    case Icon::Warning: return "warning";
    case Icon::Error: return "error";
    case Icon::Question: return "question";
    case Icon::Unknown: break;
    }
    return "unknown";
}

namespace {

struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> data;  // top-down 0x00RRGGBB
    DWORD at(int x, int y) const { return data[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF; }
};

Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.data.assign(static_cast<std::size_t>(width * height), 0);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), p.data.data(), &info, DIB_RGB_COLORS);
    return p;
}

// Pixels of a width × height bitmap compatible with the screen, after draw(dc)
// has painted into it.
template <class Draw>
Pixels Offscreen(int width, int height, Draw draw) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc, screen);
    SelectObject(dc, old);
    Pixels p = ReadBitmap(dc, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return p;
}

// The icon drawn as the message box's static control draws it, over a plain
// background of the given colour.
Pixels DrawIcon(HICON icon, int width, int height, COLORREF background) {
    return Offscreen(width, height, [&](HDC dc, HDC) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    });
}

Pixels CaptureScreen(const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    return Offscreen(width, height, [&](HDC dc, HDC screen) {
        BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    });
}

BOOL CALLBACK FindIconStatic(HWND child, LPARAM lParam) {
    if (ClassOf(child) == "Static" && IsWindowVisible(child) &&
        (StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(lParam) = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountButtons(HWND child, LPARAM lParam) {
    if (ClassOf(child) == "Button" && IsWindowVisible(child)) ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

// Share of the icon's opaque pixels (the same over black and over white) that
// the screen shows in the same colour.
double MatchShare(const Pixels& screen, HICON icon) {
    const Pixels black = DrawIcon(icon, screen.width, screen.height, RGB(0, 0, 0));
    const Pixels white = DrawIcon(icon, screen.width, screen.height, RGB(255, 255, 255));
    int opaque = 0, same = 0;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            if (black.at(x, y) != white.at(x, y)) continue;
            ++opaque;
            if (black.at(x, y) == screen.at(x, y)) ++same;
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

// Icon handles mean nothing across processes, so the icon is told by its
// pixels: the box's icon control is compared with each standard icon.
Icon IdentifyIcon(HWND box) {
    HWND control = nullptr;
    EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&control));
    if (!control) return Icon::None;
    RECT r;
    GetWindowRect(control, &r);
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return Icon::None;
    // A box larger than the screen may have its icon off screen: move the
    // box so that the icon comes into view near the top left corner. Such a
    // box holds a very long text and takes a while to paint again.
    DWORD paintMs = 2000;
    if (r.left < 0 || r.top < 0 || r.right > GetSystemMetrics(SM_CXSCREEN) ||
        r.bottom > GetSystemMetrics(SM_CYSCREEN)) {
        RECT b;
        GetWindowRect(box, &b);
        SetWindowPos(box, nullptr, b.left - r.left + 8, b.top - r.top + 8, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(control, &r);
        paintMs = 20000;
    }
    static const struct {
        Icon icon;
        LPCSTR id;
    } kCandidates[] = {{Icon::Information, IDI_ASTERISK},
                       {Icon::Warning, IDI_EXCLAMATION},
                       {Icon::Error, IDI_HAND},
                       {Icon::Question, IDI_QUESTION}};
    Icon best = Icon::Unknown;
    // The box may not have painted yet: look again for a while.
    WaitUntil(
        [&] {
            const Pixels screen = CaptureScreen(r);
            double bestShare = 0.0;
            for (const auto& c : kCandidates) {
                HICON icon = static_cast<HICON>(LoadImageA(nullptr, c.id, IMAGE_ICON, screen.width,
                                                           screen.height, LR_SHARED));
                if (!icon) continue;
                const double share = MatchShare(screen, icon);
                if (share > bestShare) {
                    bestShare = share;
                    best = c.icon;
                }
            }
            if (bestShare < 0.95) best = Icon::Unknown;
            return best != Icon::Unknown;
        },
        paintMs);
    return best;
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

// ---- setup.exe ------------------------------------------------------------------

SetupRun::~SetupRun() {
    Kill();
    if (info_.hProcess) CloseHandle(info_.hProcess);
    if (info_.hThread) CloseHandle(info_.hThread);
}

bool SetupRun::Start(const std::string& exe, const std::string& arguments, const char* cwd) {
    std::string command = "\"" + exe + "\"";
    if (!arguments.empty()) command += " " + arguments;
    std::vector<char> buffer(command.begin(), command.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd,
                          &startup, &info_) != 0;
}

namespace {

// What NtCreateUserProcess takes, as far as this start needs it.
struct PsAttribute {
    ULONG_PTR attribute;
    SIZE_T size;
    void* value;
    SIZE_T* returnLength;
};
struct PsAttributeList {
    SIZE_T totalLength;
    PsAttribute attributes[2];
};
struct NtClientId {
    HANDLE process;
    HANDLE thread;
};
struct NtString {
    USHORT length;
    USHORT maximumLength;
    wchar_t* buffer;
};
constexpr ULONG_PTR kPsImageName = 0x20005;
constexpr ULONG_PTR kPsClientId = 0x10003;
constexpr ULONG kParamsNormalized = 1;
constexpr ULONG kCreateSuspended = 1;
using CreateParamsFn = LONG(NTAPI*)(void** params, NtString* image, NtString* dllPath,
                                    NtString* currentDirectory, NtString* commandLine,
                                    void* environment, NtString* title, NtString* desktop,
                                    NtString* shellInfo, NtString* runtimeData, ULONG flags);
using DestroyParamsFn = LONG(NTAPI*)(void* params);
using CreateUserProcessFn = LONG(NTAPI*)(HANDLE* process, HANDLE* thread, ACCESS_MASK, ACCESS_MASK,
                                         void* processAttributes, void* threadAttributes,
                                         ULONG processFlags, ULONG threadFlags, void* params,
                                         void* createInfo, PsAttributeList* attributes);

NtString Counted(std::wstring& text) {
    const USHORT bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return NtString{bytes, static_cast<USHORT>(bytes + sizeof(wchar_t)), &text[0]};
}

}  // namespace

bool SetupRun::StartWide(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
}

bool SetupRun::StartLongPath(const std::string& exe) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto createParams = reinterpret_cast<CreateParamsFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateProcessParametersEx")));
    auto destroyParams = reinterpret_cast<DestroyParamsFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlDestroyProcessParameters")));
    auto createProcess = reinterpret_cast<CreateUserProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateUserProcess")));
    if (!createParams || !destroyParams || !createProcess) return false;

    std::wstring image = WidePath(exe);
    if (image.compare(0, 4, L"\\\\?\\") == 0) image.erase(0, 4);
    std::wstring ntImage = L"\\??\\" + image;
    std::wstring commandLine = L"\"" + image + L"\"";
    NtString imageString = Counted(image), commandString = Counted(commandLine);
    void* params = nullptr;
    // No environment given: the driver's own is copied, as CreateProcess does.
    if (createParams(&params, &imageString, nullptr, nullptr, &commandString, nullptr, &imageString,
                     nullptr, nullptr, nullptr, kParamsNormalized) != 0)
        return false;
    NtClientId client{};
    PsAttributeList attributes{};
    attributes.totalLength = sizeof attributes;
    attributes.attributes[0] = {kPsImageName, ntImage.size() * sizeof(wchar_t), &ntImage[0],
                                nullptr};
    attributes.attributes[1] = {kPsClientId, sizeof client, &client, nullptr};
    alignas(8) unsigned char createInfo[128] = {};  // PS_CREATE_INFO: its size comes first
    *reinterpret_cast<SIZE_T*>(createInfo) = sizeof(void*) == 4 ? 0x48 : 0x58;
    HANDLE process = nullptr, thread = nullptr;
    const LONG status =
        createProcess(&process, &thread, PROCESS_ALL_ACCESS, THREAD_ALL_ACCESS, nullptr, nullptr, 0,
                      kCreateSuspended, params, createInfo, &attributes);
    destroyParams(params);
    if (status != 0) return false;
    info_.hProcess = process;
    info_.hThread = thread;
    info_.dwProcessId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(client.process));
    info_.dwThreadId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(client.thread));
    ResumeThread(thread);
    return true;
}

bool SetupRun::WaitForDialog(DWORD ms) {
    dialog = WaitForTopLevel(Pid(), "#32770", "Quillmere Installer", kAnyOwner, ms);
    if (!dialog) return false;
    list = GetDlgItem(dialog, 1000);
    install = GetDlgItem(dialog, IDOK);
    cancel = GetDlgItem(dialog, IDCANCEL);
    about = GetDlgItem(dialog, 0xE140);
    return true;
}

bool SetupRun::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD SetupRun::WaitExit(DWORD ms) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void SetupRun::Kill() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 0xDEAD);
    WaitForSingleObject(info_.hProcess, 5000);
}

bool SetupRun::SetChecked(int row, bool checked) const {
    return SetRowState(info_.hProcess, list, row, checked ? kChecked : kUnchecked,
                       LVIS_STATEIMAGEMASK);
}

std::string ExitText(DWORD code) {
    if (code == STILL_ACTIVE) return "(still running)";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld (0x%lx)", static_cast<long>(code),
                  static_cast<unsigned long>(code));
    return buffer;
}

bool ReadPathOptions(int argc, char** argv, int first,
                     std::initializer_list<std::pair<const char*, std::string*>> options) {
    if ((argc - first) % 2 != 0) return false;
    for (int i = first; i + 1 < argc; i += 2) {
        bool known = false;
        for (const auto& option : options) {
            if (std::string("--") + option.first != argv[i]) continue;
            *option.second = WindowsPath(argv[i + 1]);
            known = true;
        }
        if (!known) return false;
    }
    return true;
}

