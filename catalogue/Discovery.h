// Finds the components beside the running program and lists them.
#pragma once

#include <string>
#include <vector>

#include "catalogue/ComponentCatalogue.h"
#include "catalogue/ComponentKinds.h"
#include "platform/Names.h"
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

// What each line of a description file did to its reading.
enum class DescriptionLine {
    Other,  // ignored
    Value,  // gave a value
    End,    // the key without "=": the rest of the file is not read
};

// Told what the reading of description files sees, for a caller that needs
// more than the values (setup-check explains them); the program passes none.
class DescriptionListener {
public:
    virtual ~DescriptionListener() = default;
    // Before any piece of the file; nothing follows when it did not open.
    virtual void Opened(const std::string& path, bool opened) = 0;
    // Each piece as the line reader gave it (at most 255 bytes), in order.
    virtual void Piece(const char* piece, DescriptionLine kind) = 0;
};

// The line reader's buffer: a line is read in pieces of at most 255 bytes.
constexpr int kLineBuffer = 256;

// The short form of the program's directory, ending in a backslash.
// False (and an empty text) when it cannot be derived.
bool GetSetupDirectory(platform::System& system, std::string& directory);

// What one line (a piece of at most 255 bytes) does to the reading; value
// takes the row text of a Description line.
DescriptionLine ParseDescriptionLine(const char* line, std::string& value);

// The Description values of one description file, in line order; none when
// the file cannot be opened.
std::vector<std::string> ReadDescriptionLines(platform::System& system, const std::string& path,
                                              DescriptionListener* listener = nullptr);
// The same from a file already open (the listener hears no Opened).
std::vector<std::string> ReadDescriptionText(platform::TextFile& file,
                                             DescriptionListener* listener = nullptr);

// Appends every component and inserts its checked row; returns the widest
// row text in pixels.
int DiscoverComponents(platform::System& system, ComponentRowSink& rows,
                       ComponentCatalogue& catalogue);

// The same in a given folder, which ends in its separator: searches and
// reads there, and every FullPath is folder + name.
int DiscoverComponentsIn(platform::System& system, const std::string& folder,
                         ComponentRowSink& rows, ComponentCatalogue& catalogue,
                         DescriptionListener* listener = nullptr);

// The name-matching rule, under the name its callers know (platform/Names.h).
using platform::NameMatchesPattern;
