// Finds the components beside the running program and lists them.
#pragma once

#include <string>
#include <vector>

#include "catalogue/ComponentCatalogue.h"
#include "platform/Platform.h"

// The list operations the selection dialog offers to discovery.
class ComponentRowSink {
public:
    virtual ~ComponentRowSink() = default;
    // Returns false when the row could not be inserted.
    virtual bool InsertRow(int index, const std::string& text) = 0;
    virtual void SetRowChecked(int index) = 0;
    virtual int MeasureTextWidth(const std::string& text) = 0;
};

// The short form of the program's directory, ending in a backslash.
// False (and an empty text) when it cannot be derived.
bool GetSetupDirectory(platform::System& system, std::string& directory);

// The Description values of one description file, in line order; none when
// the file cannot be opened.
std::vector<std::string> ReadDescriptionLines(platform::System& system,
                                              const std::string& path);

// Appends every component and inserts its checked row; returns the widest
// row text in pixels.
int DiscoverComponents(platform::System& system, ComponentRowSink& rows,
                       ComponentCatalogue& catalogue);

// Whether a long file name matches a pattern of the form "prefix*suffix",
// compared without regard to ASCII case.
bool NameMatchesPattern(const std::string& name, const char* prefix, const char* suffix);
