// The input is the program's version resource, served through a model of
// version.dll that walks it as the system would; the About box's reading of
// it must stay inside its buffers whatever the bytes.
#include "about/VersionInfo.h"
#include "tests/fuzz/FuzzSystem.h"
#include "tests/fuzz/version_block.h"

namespace {

const std::string kModule = "C:\\Long Setup Folder\\setup.exe";
const std::u16string kWideModule = u"C:\\Long Setup Folder\\setup.exe";

class VersionSystem : public fuzz::NullSystem {
public:
    explicit VersionSystem(std::string resource) : model_(std::move(resource)) {}
    uint32_t ModuleFileName(char* buffer, uint32_t size) override {
        return fuzz::CopyPath(kModule, buffer, size);
    }
    // Shift-JIS lead bytes, so double-byte characters get stepped over.
    bool IsLeadByte(unsigned char c) override { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; }
    // The running program is read by its wide path.
    uint32_t WideModuleFileName(char16_t* buffer, uint32_t size) override {
        if (kWideModule.size() + 1 > size) return static_cast<uint32_t>(kWideModule.size() + 1);
        kWideModule.copy(buffer, kWideModule.size());
        buffer[kWideModule.size()] = u'\0';
        return static_cast<uint32_t>(kWideModule.size());
    }
    uint32_t WideVersionInfoSize(const char16_t* file) override {
        FUZZ_CHECK(file == kWideModule);
        return model_.Size();
    }
    bool WideVersionInfoData(const char16_t* file, uint32_t size, void* block) override {
        FUZZ_CHECK(file == kWideModule && size == model_.Size());
        return model_.Fill(block, size);
    }
    bool VersionQueryValue(const void* block, const char* subBlock, const void** value,
                           uint32_t* length) override {
        return model_.Query(block, subBlock, value, length);
    }

private:
    fuzz::VersionBlockModel model_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    VersionSystem system(std::string(reinterpret_cast<const char*>(data), size));
    VersionInfoRecord record;
    VersionInfoReader reader(system, 1200, 1033);  // as the About box reads it
    const bool read = reader.Read(record, nullptr);
    FUZZ_CHECK(read ? record.filePath == kModule : record.IsEmpty());
    for (const std::string* text :
         {&record.FileVersion, &record.ProductVersion, &record.CompanyName,
          &record.FileDescription, &record.InternalName, &record.LegalCopyright,
          &record.OriginalFilename, &record.ProductName, &record.Comments,
          &record.LegalTrademarks, &record.PrivateBuild, &record.SpecialBuild}) {
        FUZZ_CHECK(text->size() <= 255);
        FUZZ_CHECK(text->find('\0') == std::string::npos);
    }
    const std::string shown = ReplaceCommaSpace(system, record.ProductVersion);
    FUZZ_CHECK(shown.size() <= record.ProductVersion.size());
    const std::string stripped = StripBlanks(system, record.ProductVersion);
    FUZZ_CHECK(record.ProductVersion.find(stripped) != std::string::npos);

    VersionInfoRecord copy;
    copy = record;
    FUZZ_CHECK(copy.IsEmpty() == record.IsEmpty() && copy.ProductVersion == record.ProductVersion);
    return 0;
}
