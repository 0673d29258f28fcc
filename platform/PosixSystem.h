// The platform seam on a POSIX system, for tools that look at a setup folder
// from Linux. It gives what discovery relies on from Windows: the folder
// search compares names with the pattern without regard to case and sees
// long names only, text files read as in text mode, and the matches come in
// the order a CD or an NTFS volume lists them (by name, without regard to
// case). There is no registry, association, process or resource here: those
// calls fail as they do on Windows when nothing is there.
#pragma once

#include "platform/OpenFile.h"
#include "platform/Platform.h"

namespace platform {

// A regular file (links followed) opened for reading its raw bytes; null for
// anything else (folder, device, named pipe) or when it cannot be opened.
OpenFile OpenRegularFile(const std::string& path);

class PosixSystem final : public System {
public:
    // No module path in Windows form: these fail (0).
    uint32_t ModuleFileName(char* buffer, uint32_t size) override;
    uint32_t FullPathName(const char* path, uint32_t size, char* buffer, char** filePart) override;
    uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override;
    uint32_t WideModuleFileName(char16_t* buffer, uint32_t size) override;
    uint32_t WideShortPathName(const char16_t* path, char16_t* buffer, uint32_t size) override;
    // No ANSI code page of its own here: never exact.
    bool ExactAnsiText(const char16_t* text, uint32_t length, std::string& ansi) override;
    // pattern: folder + "/" + a name pattern with at most one "*".
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
};

// The order of the search: names compared by their bytes with ASCII letters
// in upper case (NTFS compares upper-cased UTF-16; for UTF-8 names the byte
// order is the same but for letters beyond ASCII), then by their exact bytes.
bool ListsBefore(const std::string& a, const std::string& b);

}  // namespace platform
