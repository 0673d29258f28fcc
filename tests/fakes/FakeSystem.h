// A scripted platform::System: each call answers the way its Windows
// counterpart does (return conventions, buffer limits) from values the test
// sets, and the calls that matter are recorded in order.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/TextMode.h"
#include "resources/resource.h"

namespace fakes {

// The path calls' convention: the length written, or the size needed
// (terminator included) when it does not fit. memmove: in place is allowed.
inline uint32_t CopyPath(const std::string& text, char* buffer, uint32_t size) {
    if (text.size() + 1 > size) return static_cast<uint32_t>(text.size() + 1);
    std::memmove(buffer, text.c_str(), text.size() + 1);
    return static_cast<uint32_t>(text.size());
}

inline uint32_t CopyPath(const std::u16string& text, char16_t* buffer, uint32_t size) {
    if (text.size() + 1 > size) return static_cast<uint32_t>(text.size() + 1);
    std::memmove(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return static_cast<uint32_t>(text.size());
}

class FakeSearch : public platform::FileSearch {
public:
    explicit FakeSearch(std::vector<platform::FoundFile> files) : files_(std::move(files)) {}
    bool Next(platform::FoundFile& found) override {
        if (next_ >= files_.size()) return false;
        found = files_[next_++];
        return true;
    }
    std::vector<platform::FoundFile> files_;
    std::size_t next_ = 0;
};

// fgets over the content as the C runtime's text mode delivers it.
using FakeTextFile = platform::TextModeString;

struct MessageBoxCall { platform::WindowHandle owner; std::string text, caption; uint32_t flags; };

// HRESULTs are 32-bit: failures must stay negative where long is wider.
constexpr long kEFail = static_cast<int32_t>(0x80004005u);
constexpr long kEPointer = static_cast<int32_t>(0x80004003u);

class FakeSystem : public platform::System {
public:
    std::string modulePath = "C:\\Program Files\\Setup Dir\\setup.exe";  // empty: the call fails
    std::map<std::string, std::string> fullPaths;   // absent: the path itself; "": fails
    std::map<std::string, std::string> shortPaths;  // absent: fails
    // The same path in UTF-16 (empty: the call fails); the fake's ANSI code
    // page is Latin-1: units up to 0xFF are bytes, all others have no form.
    std::u16string wideModulePath = u"C:\\Program Files\\Setup Dir\\setup.exe";
    std::map<std::u16string, std::u16string> wideShortPaths;  // absent: fails
    std::vector<std::u16string> wideShortQueries;
    std::map<std::string, std::vector<platform::FoundFile>> searches;  // by pattern
    std::vector<std::string> searchPatterns;
    std::map<std::string, std::string> files;  // raw bytes by path
    long registryStatus = platform::kErrorSuccess;
    std::string registryData;
    uint32_t registryType = platform::kRegString;
    std::vector<std::string> registryKeys;
    long assocResult = 0;
    std::string assocText;
    bool assocZeroLengthQuirk = false;
    std::vector<uint32_t> launchErrors;  // by launch; 0 or missing: it starts
    std::vector<std::string> launches;
    std::map<uint32_t, std::string> errorTexts;
    std::map<uint32_t, std::string> strings = {
        {IDS_CAPTION, "Product Installation"},
        {IDS_SETUP_COMPLETE, "Setup complete."},
        {IDS_SETUP_FAILED, "Setup did not complete successfully."},
        {IDS_PALM_MISSING,
         "Setup requires the Palm Desktop to be installed, but Setup was unable to find it.  "
         "Please install Palm Desktop, and try again."},
        {IDS_ACTIVESYNC_MISSING,
         "Setup requires Microsoft ActiveSync to be installed, but Setup was unable to find it.  "
         "Please install Microsoft ActiveSync, and try again."},
        {IDS_PALM_LAUNCH_FAILED,
         "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try "
         "again.\n\nDetails:\n\n%s%s"},
    };
    std::vector<int> loadSizes;
    std::vector<MessageBoxCall> boxes;
    std::set<unsigned char> leadBytes;
    uint32_t versionSize = 0;
    bool versionDataFails = false;
    std::map<std::string, std::string> versionValues;  // sub-block -> bytes, length their size
    std::map<std::string, uint32_t> versionLengths;     // sub-block -> a shorter length stated
    std::vector<std::string> versionFiles, versionQueries;
    std::vector<std::u16string> wideVersionFiles;  // of the size and the data calls

    uint32_t ModuleFileName(char* buffer, uint32_t size) override {
        if (modulePath.empty() || size == 0) return 0;
        // Cut to fit, and then the buffer size comes back.
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(modulePath.size()), size - 1);
        std::memcpy(buffer, modulePath.data(), n);
        buffer[n] = '\0';
        return n < modulePath.size() ? size : n;
    }
    uint32_t FullPathName(const char* path, uint32_t size, char* buffer, char** filePart) override {
        auto it = fullPaths.find(path);
        const std::string full = it == fullPaths.end() ? path : it->second;
        if (full.empty()) return 0;
        const uint32_t n = CopyPath(full, buffer, size);
        if (n < size && filePart) {
            char* slash = std::strrchr(buffer, '\\');
            *filePart = slash && slash[1] ? slash + 1 : nullptr;
        }
        return n;
    }
    uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override {
        auto it = shortPaths.find(path);
        return it == shortPaths.end() ? 0 : CopyPath(it->second, buffer, size);
    }
    uint32_t WideModuleFileName(char16_t* buffer, uint32_t size) override {
        if (wideModulePath.empty() || size == 0) return 0;
        const uint32_t n =
            std::min<uint32_t>(static_cast<uint32_t>(wideModulePath.size()), size - 1);
        std::memcpy(buffer, wideModulePath.data(), n * sizeof(char16_t));
        buffer[n] = u'\0';
        return n < wideModulePath.size() ? size : n;
    }
    uint32_t WideShortPathName(const char16_t* path, char16_t* buffer, uint32_t size) override {
        wideShortQueries.push_back(path);
        auto it = wideShortPaths.find(path);
        return it == wideShortPaths.end() ? 0 : CopyPath(it->second, buffer, size);
    }
    bool ExactAnsiText(const char16_t* text, uint32_t length, std::string& ansi) override {
        ansi.clear();
        for (uint32_t i = 0; i < length; ++i) {
            const char16_t unit = text[i];
            if (unit > 0xFF) {
                ansi.clear();
                return false;
            }
            ansi += static_cast<char>(unit);
        }
        return true;
    }
    std::unique_ptr<platform::FileSearch> FindFiles(const std::string& pattern) override {
        searchPatterns.push_back(pattern);
        auto it = searches.find(pattern);
        if (it == searches.end() || it->second.empty()) return nullptr;
        return std::make_unique<FakeSearch>(it->second);
    }
    std::unique_ptr<platform::TextFile> OpenText(const std::string& path) override {
        auto it = files.find(path);
        return it == files.end() ? nullptr : std::make_unique<FakeTextFile>(it->second);
    }
    long ReadMachineValue(const char* subKey, void* data, uint32_t* size,
                          uint32_t* type) override {
        registryKeys.push_back(subKey);
        if (registryStatus != platform::kErrorSuccess) return registryStatus;
        const uint32_t needed = static_cast<uint32_t>(registryData.size());
        const bool fits = needed <= *size;
        if (fits) std::memcpy(data, registryData.data(), needed);
        *size = needed;
        if (type) *type = registryType;
        return fits ? platform::kErrorSuccess : platform::kErrorMoreData;
    }
    long AssociationCommand(const char*, const char*, char* buffer, uint32_t* size) override {
        if (assocResult < 0) return assocResult;
        if (assocZeroLengthQuirk) {  // success, cut text, no terminator, length 0
            std::memcpy(buffer, assocText.data(), std::min<std::size_t>(*size, assocText.size()));
            *size = 0;
            return 0;
        }
        if (assocText.size() + 1 > *size) return kEPointer;
        std::memcpy(buffer, assocText.c_str(), assocText.size() + 1);
        *size = static_cast<uint32_t>(assocText.size() + 1);
        return assocResult;
    }
    bool RunAndWait(std::string& commandLine, uint32_t& error) override {
        const std::size_t i = launches.size();
        launches.push_back(commandLine);
        error = i < launchErrors.size() ? launchErrors[i] : 0;
        // The system may write into the line; make that visible.
        if (error != 0) commandLine.assign("<overwritten>");
        return error == 0;
    }
    bool SystemErrorText(uint32_t code, std::string& text) override {
        text = errorTexts.count(code) ? errorTexts[code] : "";
        return errorTexts.count(code) != 0;
    }
    int LoadResourceString(uint32_t id, char* buffer, int size) override {
        loadSizes.push_back(size);
        auto it = strings.find(id);
        if (it == strings.end() || size <= 0) return 0;
        const int n = std::min(static_cast<int>(it->second.size()), size - 1);
        std::memcpy(buffer, it->second.data(), static_cast<std::size_t>(n));
        buffer[n] = '\0';
        return n;
    }
    void ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                        const std::string& caption, uint32_t flags) override {
        boxes.push_back({owner, text, caption, flags});
    }
    bool IsLeadByte(unsigned char byte) override { return leadBytes.count(byte) != 0; }
    uint32_t VersionInfoSize(const char* file) override {
        versionFiles.push_back(file);
        return versionSize;
    }
    bool VersionInfoData(const char*, uint32_t size, void* block) override {
        if (versionDataFails || size != versionSize) return false;
        std::memset(block, 0xCD, size);
        block_ = block;
        return true;
    }
    uint32_t WideVersionInfoSize(const char16_t* file) override {
        wideVersionFiles.push_back(file);
        return versionSize;
    }
    bool WideVersionInfoData(const char16_t* file, uint32_t size, void* block) override {
        wideVersionFiles.push_back(file);
        return VersionInfoData("", size, block);
    }
    bool VersionQueryValue(const void* block, const char* subBlock, const void** value,
                           uint32_t* length) override {
        versionQueries.push_back(subBlock);
        auto it = versionValues.find(subBlock);
        if (block != block_ || it == versionValues.end()) return false;
        *value = it->second.data();
        auto stated = versionLengths.find(subBlock);
        *length = stated != versionLengths.end() ? stated->second
                                                 : static_cast<uint32_t>(it->second.size());
        return true;
    }

private:
    const void* block_ = nullptr;
};

}  // namespace fakes
