// The Windows side of the platform seam: each operation is one call (or one
// fixed sequence of calls). It makes four decisions of its own, each
// explained where it is made: the UTF-8 code page's branch of ExactAnsiText,
// the UTF-16 message box, the fallback when a library cannot be loaded with
// the search flag, and the gate of the version calls on VerQueryValueA.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Handles_win32.h"
#include "platform/Platform.h"

namespace platform {

class Win32System final : public System {
public:
    explicit Win32System(HINSTANCE resourceModule);
    ~Win32System() override;

    uint32_t ModuleFileName(char* buffer, uint32_t size) override;
    uint32_t FullPathName(const char* path, uint32_t size, char* buffer, char** filePart) override;
    uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override;
    uint32_t WideModuleFileName(char16_t* buffer, uint32_t size) override;
    uint32_t WideShortPathName(const char16_t* path, char16_t* buffer, uint32_t size) override;
    bool ExactAnsiText(const char16_t* text, uint32_t length, std::string& ansi) override;
    std::unique_ptr<FileSearch> FindFiles(const std::string& pattern) override;
    std::unique_ptr<TextFile> OpenText(const std::string& path) override;
    long ReadMachineValue(const char* subKey, void* data, uint32_t* size, uint32_t* type) override;
    long AssociationCommand(const char* extension, const char* verb, char* buffer,
                            uint32_t* size) override;
    bool RunAndWait(std::string& commandLine, uint32_t& error) override;
    bool SystemErrorText(uint32_t code, std::string& text) override;
    int LoadResourceString(uint32_t id, char* buffer, int size) override;
    void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                    uint32_t flags) override;
    bool IsLeadByte(unsigned char byte) override;
    uint32_t VersionInfoSize(const char* file) override;
    bool VersionInfoData(const char* file, uint32_t size, void* block) override;
    uint32_t WideVersionInfoSize(const char16_t* file) override;
    bool WideVersionInfoData(const char16_t* file, uint32_t size, void* block) override;
    bool VersionQueryValue(const void* block, const char* subBlock, const void** value,
                           uint32_t* length) override;

private:
    bool LoadVersionLibrary();

    HINSTANCE resourceModule_;
    bool versionLoaded_ = false;  // tried once, whether or not it loaded
    LibraryHandle version_;
};

// Text of a code page in UTF-16 (MultiByteToWideChar), as the A calls
// convert it, ending in a NUL; only the NUL when it cannot be converted.
// With valid: false when some bytes are not valid in the code page (they are
// converted as Windows does without MB_ERR_INVALID_CHARS). A vector, not a
// std::wstring, which would add some 35 KB of the C++ library to setup.exe.
std::vector<wchar_t> WidenText(UINT codePage, const std::string& text, bool* valid = nullptr);

// The calls behind the two library decisions below, so that a test can play
// a system that lacks or refuses one; SystemLibraryCalls() gives the real ones.
struct LibraryCalls {
    HMODULE(WINAPI* loadLibraryEx)(LPCSTR, HANDLE, DWORD);
    BOOL(WINAPI* setDefaultDllDirectories)(DWORD);  // null where kernel32 has none
    BOOL(WINAPI* setDllDirectory)(LPCSTR);
};
LibraryCalls SystemLibraryCalls();

// Restricts library loading to the system directory; must run first.
void RestrictLibrarySearch(const LibraryCalls& calls = SystemLibraryCalls());

// A library from the system directory only; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name, const LibraryCalls& calls = SystemLibraryCalls());

// InitCommonControlsEx, from comctl32 loaded at run time.
void InitCommonControlsAtRunTime(DWORD classes);

}  // namespace platform
