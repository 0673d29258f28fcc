// The narrow seam between the program's logic and the operating system.
// Every operation mirrors one Windows call closely enough that the logic
// above it keeps the exact behaviour of that call (buffer sizes, return
// conventions), while tests can supply a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using WindowHandle = void*;  // an HWND, opaque to portable code

// The Windows values under names portable code can use; the Windows side
// checks each against the header's name.
constexpr uint32_t kAttributeDirectory = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
constexpr uint32_t kRegString = 1;              // REG_SZ
constexpr long kErrorSuccess = 0;               // ERROR_SUCCESS
constexpr long kErrorMoreData = 234;            // ERROR_MORE_DATA
// CreateProcess takes at most 32,767 characters, the terminator included.
constexpr uint32_t kMaxCommandLine = 32766;
// MAX_PATH: a path's characters with the terminator, the most the ANSI file
// calls and the program's path buffers take.
constexpr uint32_t kMaxPath = 260;

// Message-box icon flags, as MessageBoxW takes them.
constexpr uint32_t kIconError = 0x10;        // MB_ICONERROR
constexpr uint32_t kIconWarning = 0x30;      // MB_ICONWARNING
constexpr uint32_t kIconInformation = 0x40;  // MB_ICONINFORMATION
constexpr uint32_t kMbOk = 0x0;              // MB_OK

struct FoundFile {
    std::string name;  // the long name, as the search returned it
    uint32_t attributes = 0;
};

// An open directory search; closing happens in the destructor.
class FileSearch {
public:
    virtual ~FileSearch() = default;
    // The next match, false when there is none.
    virtual bool Next(FoundFile& found) = 0;
};

// A file opened with the C runtime's text mode ("r"); closed in the destructor.
class TextFile {
public:
    virtual ~TextFile() = default;
    // fgets semantics: at most size - 1 bytes, ends after the first LF,
    // always NUL-terminated; false at end of file.
    virtual bool ReadLine(char* buffer, int size) = 0;
};

class System {
public:
    virtual ~System() = default;

    // --- module and paths (GetModuleFileNameA, GetFullPathNameA, GetShortPathNameA)
    // Each returns what the Windows call returns: the length written, or the
    // size needed when the buffer is too small, or 0 on failure.
    virtual uint32_t ModuleFileName(char* buffer, uint32_t size) = 0;
    virtual uint32_t FullPathName(const char* path, uint32_t size, char* buffer,
                                  char** filePart) = 0;
    virtual uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) = 0;

    // --- the same in UTF-16 (GetModuleFileNameW, GetShortPathNameW), for a
    // folder whose name the ANSI code page cannot hold. Sizes and lengths
    // count UTF-16 units; the return conventions are those above.
    virtual uint32_t WideModuleFileName(char16_t* buffer, uint32_t size) = 0;
    virtual uint32_t WideShortPathName(const char16_t* path, char16_t* buffer, uint32_t size) = 0;

    // --- WideCharToMultiByte of length UTF-16 units into the ANSI code page,
    // without best-fit look-alikes: true only when every character has its
    // own exact form there (no default character used). ansi is empty on false.
    virtual bool ExactAnsiText(const char16_t* text, uint32_t length, std::string& ansi) = 0;

    // --- file search (FindFirstFileA/FindNextFileA/FindClose); null when nothing matches
    virtual std::unique_ptr<FileSearch> FindFiles(const std::string& pattern) = 0;

    // --- text files (fopen "r"); null when the file cannot be opened
    virtual std::unique_ptr<TextFile> OpenText(const std::string& path) = 0;

    // --- registry: default value of a key under HKEY_LOCAL_MACHINE
    // (RegOpenKeyExA + RegQueryValueExA). size is in/out as for the Windows
    // call; the data need not be terminated.
    virtual long ReadMachineValue(const char* subKey, void* data, uint32_t* size,
                                  uint32_t* type) = 0;

    // --- association (AssocQueryStringA, ASSOCSTR_COMMAND); returns an HRESULT.
    virtual long AssociationCommand(const char* extension, const char* verb,
                                    char* buffer, uint32_t* size) = 0;

    // --- processes: CreateProcessA with the given writable command line, then
    // an unlimited wait and the handle closed. On a failed launch returns
    // false with GetLastError() in error.
    virtual bool RunAndWait(std::string& commandLine, uint32_t& error) = 0;

    // --- FormatMessageA(FROM_SYSTEM) text of an error code; false when the
    // system has none.
    virtual bool SystemErrorText(uint32_t code, std::string& text) = 0;

    // --- LoadStringA from the resource module.
    virtual int LoadResourceString(uint32_t id, char* buffer, int size) = 0;

    // --- MessageBoxW of the ANSI texts converted to UTF-16; the result is not
    // used by anyone.
    virtual void ShowMessageBox(WindowHandle owner, const std::string& text,
                            const std::string& caption, uint32_t flags) = 0;

    // --- IsDBCSLeadByte: whether the byte starts a double-byte character in
    // the ANSI code page (what CharNextA steps over as one character).
    virtual bool IsLeadByte(unsigned char byte) = 0;

    // --- version information (version.dll)
    virtual uint32_t VersionInfoSize(const char* file) = 0;
    virtual bool VersionInfoData(const char* file, uint32_t size, void* block) = 0;
    // GetFileVersionInfoSizeW, GetFileVersionInfoW: the same by UTF-16 path.
    virtual uint32_t WideVersionInfoSize(const char16_t* file) = 0;
    virtual bool WideVersionInfoData(const char16_t* file, uint32_t size, void* block) = 0;
    virtual bool VersionQueryValue(const void* block, const char* subBlock,
                                   const void** value, uint32_t* length) = 0;
};

}  // namespace platform
