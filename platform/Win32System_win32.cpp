#include "platform/Win32System.h"

#include <shlwapi.h>

#include "platform/ExactConversion.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

static_assert(kAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY, "FILE_ATTRIBUTE_DIRECTORY");
static_assert(kRegString == REG_SZ, "REG_SZ");
static_assert(kErrorSuccess == ERROR_SUCCESS, "ERROR_SUCCESS");
static_assert(kErrorMoreData == ERROR_MORE_DATA, "ERROR_MORE_DATA");
static_assert(kIconError == MB_ICONERROR, "MB_ICONERROR");
static_assert(kIconWarning == MB_ICONWARNING, "MB_ICONWARNING");
static_assert(kIconInformation == MB_ICONINFORMATION, "MB_ICONINFORMATION");
static_assert(kMbOk == MB_OK, "MB_OK");
static_assert(kMaxPath == MAX_PATH, "MAX_PATH");
static_assert(kCodePageUtf8 == CP_UTF8, "CP_UTF8");
static_assert(kNoBestFitChars == WC_NO_BEST_FIT_CHARS, "WC_NO_BEST_FIT_CHARS");
static_assert(kErrorInvalidChars == WC_ERR_INVALID_CHARS, "WC_ERR_INVALID_CHARS");

namespace {

class Win32FileSearch final : public FileSearch {
public:
    Win32FileSearch(HANDLE handle, const WIN32_FIND_DATAA& first)
        : handle_(handle), data_(first), havePending_(true) {}

    bool Next(FoundFile& found) override {
        if (!havePending_ && !FindNextFileA(handle_.Get(), &data_)) return false;
        havePending_ = false;
        data_.cFileName[MAX_PATH - 1] = '\0';
        found.name = data_.cFileName;
        found.attributes = data_.dwFileAttributes;
        return true;
    }

private:
    FindHandle handle_;
    WIN32_FIND_DATAA data_;
    bool havePending_;
};

class CrtTextFile final : public TextFile {
public:
    explicit CrtTextFile(FILE* file) : file_(file) {}

    bool ReadLine(char* buffer, int size) override {
        return std::fgets(buffer, size, file_.get()) != nullptr;
    }

private:
    OpenFile file_;
};

using GetFileVersionInfoSizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetFileVersionInfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using GetFileVersionInfoSizeWFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoWFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
using InitCommonControlsExFn = BOOL(WINAPI*)(const void*);

// The seam's UTF-16 text goes to the W calls as it is.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit here");
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

template <class Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

FARPROC Find(const LibraryHandle& library, const char* name) {
    return library.Get() ? GetProcAddress(library.Get(), name) : nullptr;
}

}  // namespace

LibraryCalls SystemLibraryCalls() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return {LoadLibraryExA,
            As<SetDefaultDllDirectoriesFn>(GetProcAddress(kernel, "SetDefaultDllDirectories")),
            SetDllDirectoryA};
}

void RestrictLibrarySearch(const LibraryCalls& calls) {
    if (calls.setDefaultDllDirectories &&
        calls.setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it, at least the current directory leaves the search order.
    calls.setDllDirectory("");
}

HMODULE LoadSystemLibrary(const char* name, const LibraryCalls& calls) {
    HMODULE module = calls.loadLibraryEx(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module) return module;
    // The fallback. Systems without the search flag reject it; a bare name
    // would still be looked for in the program's folder first, so the system's
    // copy is named by its full path.
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t length = std::strlen(name);
    if (n == 0 || n + 1 + length >= MAX_PATH) return nullptr;
    path[n] = '\\';
    std::memcpy(path + n + 1, name, length + 1);
    return LoadLibraryA(path);
}

void InitCommonControlsAtRunTime(DWORD classes) {
    struct {
        DWORD dwSize;
        DWORD dwICC;
    } init = {8, classes};
    // The library stays loaded for the whole run: the dialogs use its classes.
    HMODULE comctl = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without the search flag the name is still safe: the manifest's
    // common-controls dependency redirects it to the system's side-by-side
    // copy before any folder is searched.
    if (!comctl) comctl = LoadLibraryA("comctl32.dll");
    if (!comctl) return;
    auto init_ex = As<InitCommonControlsExFn>(GetProcAddress(comctl, "InitCommonControlsEx"));
    if (init_ex) init_ex(&init);
}

Win32System::Win32System(HINSTANCE resourceModule) : resourceModule_(resourceModule) {}
Win32System::~Win32System() = default;

uint32_t Win32System::ModuleFileName(char* buffer, uint32_t size) {
    return GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, size);
}

uint32_t Win32System::FullPathName(const char* path, uint32_t size, char* buffer, char** filePart) {
    return GetFullPathNameA(path, size, buffer, filePart);
}

uint32_t Win32System::ShortPathName(const char* path, char* buffer, uint32_t size) {
    return GetShortPathNameA(path, buffer, size);
}

uint32_t Win32System::WideModuleFileName(char16_t* buffer, uint32_t size) {
    return GetModuleFileNameW(GetModuleHandleW(nullptr), Wide(buffer), size);
}

uint32_t Win32System::WideShortPathName(const char16_t* path, char16_t* buffer, uint32_t size) {
    return GetShortPathNameW(Wide(path), Wide(buffer), size);
}

bool Win32System::ExactAnsiText(const char16_t* text, uint32_t length, std::string& ansi) {
    ansi.clear();
    if (length == 0) return true;
    // A UTF-8 code page is converted otherwise (ExactConversionFor says how).
    const ExactConversion how = ExactConversionFor(GetACP());
    const DWORD flags = how.flags;
    BOOL usedDefault = FALSE;
    BOOL* report = how.reportDefault ? &usedDefault : nullptr;
    const int units = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_ACP, flags, Wide(text), units, nullptr, 0, nullptr, report);
    if (n <= 0 || usedDefault) return false;
    ansi.resize(static_cast<std::size_t>(n));
    if (WideCharToMultiByte(CP_ACP, flags, Wide(text), units, &ansi[0], n, nullptr, report) != n ||
        usedDefault) {
        ansi.clear();
        return false;
    }
    return true;
}

std::unique_ptr<FileSearch> Win32System::FindFiles(const std::string& pattern) {
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<FileSearch>(new Win32FileSearch(handle, data));
}

std::unique_ptr<TextFile> Win32System::OpenText(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return nullptr;
    return std::unique_ptr<TextFile>(new CrtTextFile(file));
}

long Win32System::ReadMachineValue(const char* subKey, void* data, uint32_t* size, uint32_t* type) {
    RegistryKey key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, key.Receive());
    if (status != ERROR_SUCCESS) return status;
    DWORD dataSize = *size, dataType = 0;
    status = RegQueryValueExA(key.Get(), nullptr, nullptr, &dataType, static_cast<BYTE*>(data),
                              &dataSize);
    *size = dataSize;
    if (type) *type = dataType;
    return status;
}

long Win32System::AssociationCommand(const char* extension, const char* verb, char* buffer,
                                     uint32_t* size) {
    DWORD length = *size;
    HRESULT result = AssocQueryStringA(0, ASSOCSTR_COMMAND, extension, verb, buffer, &length);
    *size = length;
    return result;
}

bool Win32System::RunAndWait(std::string& commandLine, uint32_t& error) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    // No application name: the system takes the program from the command
    // line's first token, which handoff/ always opens with a quote, so a path
    // with blanks cannot be read as a shorter program.
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        error = GetLastError();
        return false;
    }
    const KernelHandle thread(process.hThread), child(process.hProcess);
    WaitForSingleObject(child.Get(), INFINITE);
    error = 0;
    return true;
}

bool Win32System::SystemErrorText(uint32_t code, std::string& text) {
    LocalText buffer;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char*>(buffer.Receive()), 0, nullptr);
    if (n == 0 || !buffer.Get()) {
        text.clear();
        return false;
    }
    text.assign(buffer.Get(), n);
    return true;
}

int Win32System::LoadResourceString(uint32_t id, char* buffer, int size) {
    return LoadStringA(resourceModule_, id, buffer, size);
}

std::vector<wchar_t> WidenText(UINT codePage, const std::string& text, bool* valid) {
    if (valid) *valid = true;
    std::vector<wchar_t> wide(1, L'\0');
    if (text.empty()) return wide;
    const int size = static_cast<int>(text.size());
    DWORD flags = valid ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (n <= 0 && flags != 0) {
        *valid = false;
        flags = 0;
        n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    }
    if (n <= 0) {
        if (valid) *valid = false;
        return wide;
    }
    wide.assign(static_cast<std::size_t>(n) + 1, L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), n);
    return wide;
}

void Win32System::ShowMessageBox(WindowHandle owner, const std::string& text,
                                 const std::string& caption, uint32_t flags) {
    // The wide box, not MessageBoxA: MessageBoxA loses a text of more than
    // 32,767 characters (its conversion fails and the box shows garbage);
    // converting here keeps every character.
    MessageBoxW(static_cast<HWND>(owner), WidenText(CP_ACP, text).data(),
                WidenText(CP_ACP, caption).data(), flags);
}

bool Win32System::IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool Win32System::LoadVersionLibrary() {
    if (!versionLoaded_) {
        versionLoaded_ = true;
        version_.Reset(LoadSystemLibrary("version.dll"));
    }
    // The gate: without VerQueryValueA no block can be read, so every
    // version call fails at once, as when the library is missing.
    return Find(version_, "VerQueryValueA") != nullptr;
}

uint32_t Win32System::VersionInfoSize(const char* file) {
    if (!LoadVersionLibrary()) return 0;
    auto fn = As<GetFileVersionInfoSizeFn>(Find(version_, "GetFileVersionInfoSizeA"));
    DWORD unused = 0;
    return fn ? fn(file, &unused) : 0;
}

bool Win32System::VersionInfoData(const char* file, uint32_t size, void* block) {
    if (!LoadVersionLibrary()) return false;
    auto fn = As<GetFileVersionInfoFn>(Find(version_, "GetFileVersionInfoA"));
    return fn && fn(file, 0, size, block);
}

uint32_t Win32System::WideVersionInfoSize(const char16_t* file) {
    if (!LoadVersionLibrary()) return 0;
    auto fn = As<GetFileVersionInfoSizeWFn>(Find(version_, "GetFileVersionInfoSizeW"));
    DWORD unused = 0;
    return fn ? fn(Wide(file), &unused) : 0;
}

bool Win32System::WideVersionInfoData(const char16_t* file, uint32_t size, void* block) {
    if (!LoadVersionLibrary()) return false;
    auto fn = As<GetFileVersionInfoWFn>(Find(version_, "GetFileVersionInfoW"));
    return fn && fn(Wide(file), 0, size, block);
}

bool Win32System::VersionQueryValue(const void* block, const char* subBlock, const void** value,
                                    uint32_t* length) {
    if (!LoadVersionLibrary()) return false;
    auto fn = As<VerQueryValueFn>(Find(version_, "VerQueryValueA"));
    void* found = nullptr;
    UINT foundLength = 0;
    if (!fn || !fn(block, subBlock, &found, &foundLength)) return false;
    *value = found;
    *length = foundLength;
    return true;
}

}  // namespace platform
