// What the fuzz targets share: an invariant check that libFuzzer records as a
// crash, a text file with the C runtime's text-mode reading, and a System
// whose every call fails, for each target to override the calls it feeds.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "tests/fakes/FakeSystem.h"

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

// The path calls' convention: the length written, or the size needed
// (terminator included) when it does not fit. memmove, as in place is allowed.
inline uint32_t CopyPath(const std::string& text, char* buffer, uint32_t size) {
    if (text.size() + 1 > size) return static_cast<uint32_t>(text.size() + 1);
    std::memmove(buffer, text.c_str(), text.size() + 1);
    return static_cast<uint32_t>(text.size());
}

constexpr long kEFail = static_cast<int32_t>(0x80004005u);
constexpr long kEPointer = static_cast<int32_t>(0x80004003u);
constexpr long kErrorFileNotFound = 2;

class NullSystem : public platform::System {
public:
    uint32_t ModuleFileName(char*, uint32_t) override { return 0; }
    uint32_t FullPathName(const char*, uint32_t, char*, char**) override { return 0; }
    uint32_t ShortPathName(const char*, char*, uint32_t) override { return 0; }
    uint32_t WideModuleFileName(char16_t*, uint32_t) override { return 0; }
    uint32_t WideShortPathName(const char16_t*, char16_t*, uint32_t) override { return 0; }
    bool ExactAnsiText(const char16_t*, uint32_t, std::string& ansi) override {
        ansi.clear();
        return false;
    }
    std::unique_ptr<platform::FileSearch> FindFiles(const std::string&) override { return nullptr; }
    std::unique_ptr<platform::TextFile> OpenText(const std::string&) override { return nullptr; }
    long ReadMachineValue(const char*, void*, uint32_t*, uint32_t*) override {
        return kErrorFileNotFound;
    }
    long AssociationCommand(const char*, const char*, char*, uint32_t*) override { return kEFail; }
    bool RunAndWait(std::string&, uint32_t& error) override {
        error = kErrorFileNotFound;
        return false;
    }
    bool SystemErrorText(uint32_t, std::string&) override { return false; }
    int LoadResourceString(uint32_t, char*, int) override { return 0; }
    void ShowMessageBox(platform::WindowHandle, const std::string&, const std::string&,
                        uint32_t) override {}
    bool IsLeadByte(unsigned char) override { return false; }
    uint32_t VersionInfoSize(const char*) override { return 0; }
    bool VersionInfoData(const char*, uint32_t, void*) override { return false; }
    uint32_t WideVersionInfoSize(const char16_t*) override { return 0; }
    bool WideVersionInfoData(const char16_t*, uint32_t, void*) override { return false; }
    bool VersionQueryValue(const void*, const char*, const void**, uint32_t*) override {
        return false;
    }
};

}  // namespace fuzz
