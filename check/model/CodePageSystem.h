// The platform seam with names in the end user's code page, as the ANSI
// calls of Windows give them: discovery runs over it, and every name it
// gave can be turned back into the local one to open or show the file.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "check/model/Host.h"

namespace check {

class CodePageSystem final : public platform::System {
public:
    CodePageSystem(platform::System& inner, CodePage& text, const std::string& folder)
        : inner_(inner), text_(text), folder_(folder) {}

    // The local name behind a converted one, as UTF-8 for the report.
    std::string Display(const std::string& converted);
    // The local name behind a converted one; false when the code page does
    // not hold it exactly, so that Windows could not open it by that name.
    bool Local(const std::string& converted, std::string& local) const;

    std::unique_ptr<platform::FileSearch> FindFiles(const std::string& pattern) override;
    std::unique_ptr<platform::TextFile> OpenText(const std::string& path) override;

    uint32_t ModuleFileName(char* b, uint32_t s) override { return inner_.ModuleFileName(b, s); }
    uint32_t FullPathName(const char* p, uint32_t s, char* b, char** f) override {
        return inner_.FullPathName(p, s, b, f);
    }
    uint32_t ShortPathName(const char* p, char* b, uint32_t s) override {
        return inner_.ShortPathName(p, b, s);
    }
    uint32_t WideModuleFileName(char16_t* b, uint32_t s) override {
        return inner_.WideModuleFileName(b, s);
    }
    uint32_t WideShortPathName(const char16_t* p, char16_t* b, uint32_t s) override {
        return inner_.WideShortPathName(p, b, s);
    }
    bool ExactAnsiText(const char16_t* t, uint32_t n, std::string& a) override {
        return inner_.ExactAnsiText(t, n, a);
    }
    long ReadMachineValue(const char* k, void* d, uint32_t* s, uint32_t* t) override {
        return inner_.ReadMachineValue(k, d, s, t);
    }
    long AssociationCommand(const char* e, const char* v, char* b, uint32_t* s) override {
        return inner_.AssociationCommand(e, v, b, s);
    }
    bool RunAndWait(std::string& c, uint32_t& e) override { return inner_.RunAndWait(c, e); }
    bool SystemErrorText(uint32_t c, std::string& t) override { return inner_.SystemErrorText(c, t); }
    int LoadResourceString(uint32_t i, char* b, int s) override {
        return inner_.LoadResourceString(i, b, s);
    }
    void ShowMessageBox(platform::WindowHandle o, const std::string& t, const std::string& c,
                        uint32_t f) override {
        inner_.ShowMessageBox(o, t, c, f);
    }
    bool IsLeadByte(unsigned char b) override { return inner_.IsLeadByte(b); }
    uint32_t VersionInfoSize(const char* f) override { return inner_.VersionInfoSize(f); }
    bool VersionInfoData(const char* f, uint32_t s, void* b) override {
        return inner_.VersionInfoData(f, s, b);
    }
    uint32_t WideVersionInfoSize(const char16_t* f) override { return inner_.WideVersionInfoSize(f); }
    bool WideVersionInfoData(const char16_t* f, uint32_t s, void* b) override {
        return inner_.WideVersionInfoData(f, s, b);
    }
    bool VersionQueryValue(const void* b, const char* s, const void** v, uint32_t* l) override {
        return inner_.VersionQueryValue(b, s, v, l);
    }

private:
    struct Name {
        std::string local;
        bool exact;
    };
    class Search;

    platform::System& inner_;
    CodePage& text_;
    std::string folder_;
    std::map<std::string, Name> names_;  // by converted name
};

}  // namespace check
