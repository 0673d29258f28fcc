// Reading a file's version resource: the fixed version numbers and twelve
// standard texts of one string table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

class VersionInfoRecord {
public:
    VersionInfoRecord() = default;  // every field starts empty or 0
    VersionInfoRecord(const VersionInfoRecord& other) = default;
    virtual ~VersionInfoRecord() = default;

    virtual void Reset();
    virtual bool IsEmpty() const;
    virtual VersionInfoRecord& operator=(const VersionInfoRecord& other);

    std::string filePath;
    uint16_t fileVersionParts[4] = {};
    uint16_t productVersionParts[4] = {};
    std::string FileVersion;
    std::string ProductVersion;
    std::string CompanyName;
    std::string FileDescription;
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFilename;
    std::string ProductName;
    std::string Comments;
    std::string LegalTrademarks;
    std::string PrivateBuild;
    std::string SpecialBuild;
};

class VersionInfoReader {
public:
    VersionInfoReader(platform::System& system, uint32_t tableCodePage, uint16_t tableLanguage)
        : language(tableLanguage), codePage(tableCodePage), system_(system) {}
    virtual ~VersionInfoReader() = default;

    // Fills the record from the file (the running program, by its wide path,
    // when null or blank); false leaves the record reset.
    bool Read(VersionInfoRecord& record, const char* fileName);

    // One text of the reader's string table, cut to bufferSize - 1 bytes.
    bool QueryStringValue(const void* block, const char* key, char* buffer, uint32_t bufferSize);
    uint32_t GetInfoSize(const char* fileName);
    bool GetInfoData(const char* fileName, uint32_t size, void* buffer);

    const uint16_t language;
    const uint32_t codePage;

private:
    void ReadStrings(const void* block, VersionInfoRecord& record);

    platform::System& system_;
};

// The text with every ", " replaced by "." (double-byte characters kept whole).
std::string ReplaceCommaSpace(platform::System& system, const std::string& text);

// The name without the white space at either end.
std::string StripBlanks(platform::System& system, const std::string& name);
