// The kinds of component the program installs, in the order they are
// searched for and listed: the names each kind goes by, how its rows read,
// and which desktop tool installs it. Everything that depends on the kind of
// a component reads it here.
#pragma once

#include <string>

// The desktop tool a component is handed to.
enum class InstallTool {
    CeAppManager,  // the CE Application Manager registered under App Paths
    PalmInstall,   // the program registered to open ".prc" files
};

// Where a kind's row texts come from.
enum class RowSource {
    DescriptionValues,  // one row for each Description value in the file
    FileName,           // one row: the name less prefix and suffix, then rowEnding
};

// What a file of the kind holds, as its install tool reads it.
enum class FileFormat {
    CeDescription,         // a CE Application Manager description file
    PalmResourceDatabase,  // a Palm OS application
    PalmRecordDatabase,    // a Palm OS database of records
};

struct ComponentKind {
    // A long file name of this kind matches "prefix*suffix" (platform/Names.h).
    const char* prefix;
    const char* suffix;
    RowSource rows;
    const char* rowEnding;  // for RowSource::FileName; empty otherwise
    InstallTool tool;
    FileFormat format;
};

constexpr int kComponentKindCount = 3;

inline constexpr ComponentKind kComponentKinds[kComponentKindCount] = {
    {"", ".ini", RowSource::DescriptionValues, "", InstallTool::CeAppManager,
     FileFormat::CeDescription},
    {"", ".prc", RowSource::FileName, " application", InstallTool::PalmInstall,
     FileFormat::PalmResourceDatabase},
    {"QM_", ".pdb", RowSource::FileName, " database", InstallTool::PalmInstall,
     FileFormat::PalmRecordDatabase},
};

// The kind whose pattern a long file name matches; null for none.
const ComponentKind* ComponentKindOfName(const std::string& name);

// "prefix*suffix", as the folder search is given it.
std::string KindPattern(const ComponentKind& kind);

// The row text of a file of a RowSource::FileName kind, whose name matches
// the kind's pattern.
std::string FileNameRowText(const ComponentKind& kind, const std::string& name);

// The tool a component goes to, by its full path: the CE Application Manager
// when the path ends in the suffix of one of its kinds (in any ASCII case)
// with at least one byte before it; the Palm install tool otherwise.
InstallTool ToolForPath(const std::string& fullPath);
