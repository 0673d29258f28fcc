// setup-check on Windows (and under Wine): the folder through the same
// Windows seam as setup.exe, so its rows are the ones setup.exe shows. Names
// and arguments are in the ANSI code page; the report is UTF-8.
#include <windows.h>

#include <cstdio>

#include "check/model/FileBytes.h"
#include "check/model/Host.h"
#include "platform/Win32System.h"

namespace check {

const char kPathSeparator = '\\';

namespace {

// NUL-terminated UTF-16 in a code page; usedDefault tells whether a
// character had no place.
std::string Narrow(UINT codePage, const std::vector<wchar_t>& wide, bool* usedDefault) {
    if (wide.size() <= 1) return std::string();
    // Without best fit: a character the code page lacks must show as lost.
    const bool strict = codePage != CP_UTF8 && codePage != CP_UTF7 && usedDefault;
    const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL used = FALSE;
    BOOL* usedPtr = strict ? &used : nullptr;
    const int size = static_cast<int>(wide.size() - 1);
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedPtr);
    if (n <= 0) {
        if (usedDefault) *usedDefault = true;
        return std::string();
    }
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, &text[0], n, nullptr, usedPtr);
    if (usedDefault) *usedDefault = used != FALSE;
    return text;
}

class WindowsCodePage final : public CodePage {
public:
    explicit WindowsCodePage(UINT codePage) : codePage_(codePage) {}

    Fit FromLocal(const std::string& local, std::string& converted) override {
        bool valid = true, lost = false;
        const std::vector<wchar_t> wide = platform::WidenText(CP_ACP, local, &valid);
        converted = codePage_ == GetACP() && valid ? local : Narrow(codePage_, wide, &lost);
        // A '?' cannot be part of a Windows name: the ANSI calls put it
        // where a character has no place in the ANSI code page.
        if (!valid) return Fit::NotValid;
        return lost || local.find('?') != std::string::npos ? Fit::CannotShow : Fit::Exact;
    }
    bool ToUtf8(const std::string& bytes, std::string& utf8) override {
        bool valid = true;
        utf8 = Narrow(CP_UTF8, platform::WidenText(codePage_, bytes, &valid), nullptr);
        return valid;
    }
    std::string LocalToUtf8(const std::string& local) override {
        return Narrow(CP_UTF8, platform::WidenText(CP_ACP, local), nullptr);
    }
    bool IsUtf8() const override { return codePage_ == CP_UTF8; }

private:
    UINT codePage_;
};

// A file that is no folder, opened for reading, and its size; null when it
// cannot be.
platform::OpenFile Open(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return platform::OpenFile(std::fopen(path.c_str(), "rb"));
}

class WindowsHost final : public Host {
public:
    explicit WindowsHost(UINT codePage) : system_(GetModuleHandleA(nullptr)), text_(codePage) {}
    platform::System& System() override { return system_; }
    CodePage& Text() override { return text_; }
    std::unique_ptr<RandomBytes> OpenRandom(const std::string& path) override {
        uint64_t size = 0;
        platform::OpenFile file = Open(path, size);
        if (!file) return nullptr;
        return std::unique_ptr<RandomBytes>(new FileBytes(std::move(file), size));
    }
    std::string OrderNote() override {
        return "within each kind, files are taken in the order this system's folder search "
               "gives for this folder, as setup.exe takes them here; another file system (a "
               "FAT drive lists files in the order they were copied) may differ";
    }

private:
    platform::Win32System system_;
    WindowsCodePage text_;
};

}  // namespace

unsigned DefaultCodePage(std::string& source) {
    source = "this machine's ANSI code page";
    return GetACP();
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::unique_ptr<CodePage> MakeCodePage(unsigned codePage, std::string& error) {
    if (!IsValidCodePage(codePage)) {
        error = "code page " + std::to_string(codePage) + " is not installed on this system";
        return nullptr;
    }
    return std::unique_ptr<CodePage>(new WindowsCodePage(codePage));
}

std::unique_ptr<Host> MakeHost(unsigned codePage, std::string& error) {
    if (!MakeCodePage(codePage, error)) return nullptr;
    return std::unique_ptr<Host>(new WindowsHost(codePage));
}

void WriteText(bool toError, const std::string& utf8) {
    HANDLE handle = GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle && GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 whatever its code page.
        const std::vector<wchar_t> wide = platform::WidenText(CP_UTF8, utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size() - 1), &written, nullptr);
        return;
    }
    std::FILE* stream = toError ? stderr : stdout;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace check
