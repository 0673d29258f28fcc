// setup-check: what setup.exe would make of a setup folder, found with
// setup.exe's own discovery and command-line code, and what in the folder is
// probably not what its vendor meant.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check/CabinetLibrary.h"
#include "platform/Platform.h"

namespace check {

// How text of the machine that runs the check (its file names, the
// arguments it was given) and the end user's ANSI code page relate.
class CodePage {
public:
    enum class Fit {
        Exact,       // every character has its place in the code page
        CannotShow,  // some character has none: Windows gives '?' for it
        NotValid,    // the text is not valid where it comes from
    };
    virtual ~CodePage() = default;
    // Local text in the code page; what cannot be converted becomes '?'.
    virtual Fit FromLocal(const std::string& local, std::string& converted) = 0;
    // Code-page bytes as UTF-8 for the report; false when some bytes are not
    // valid in the code page (they come out as \xNN or a replacement).
    virtual bool ToUtf8(const std::string& bytes, std::string& utf8) = 0;
    // Local text as UTF-8 for the report, invalid bytes as \xNN.
    virtual std::string LocalToUtf8(const std::string& local) = 0;
    // Whether the code page is UTF-8 itself.
    virtual bool IsUtf8() const = 0;
};

// The raw bytes of a file, one at a time; -1 at the end.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int Next() = 0;
    // The file's size in bytes when it was opened.
    virtual uint64_t Size() const = 0;
};

// What the check reaches the folder through; cabinets are read whole through
// its opener.
class Host : public CabinetOpener {
public:
    virtual ~Host() = default;
    // The seam discovery uses, giving local names.
    virtual platform::System& System() = 0;
    virtual CodePage& Text() = 0;
    // Null when the file cannot be read as a regular file.
    virtual std::unique_ptr<ByteSource> OpenBytes(const std::string& path) = 0;
    // One sentence: the order the folder search gives within each kind.
    virtual std::string OrderNote() = 0;
};

struct Request {
    std::string folder;       // local path ending in its separator
    std::string at = "D:\\";  // where the end user will have the folder
    std::string ceManager = "C:\\Program Files\\Microsoft ActiveSync\\CEAppMgr.exe";
    std::string palmCommand = "\"C:\\Program Files\\Palm Desktop\\Install Tool.exe\" \"%1\"";
};

enum class Severity { Error, Warning };

// Every text below is UTF-8.
struct Finding {
    Severity severity;
    std::string code;  // its rule's (Rules.h): stable, for scripts
    std::string file;  // empty: the folder as a whole
    int line;          // 0: none
    std::string reason;
    std::string pattern = {};  // the search pattern a finding is about, if any
};

// A cabinet of a Windows CE row and the devices it installs on, from its CE
// setup file.
struct CabinetDevices {
    std::string file;        // relative to the folder
    bool known = false;      // its setup file was read
    std::string processor;   // "ARM StrongARM"
    std::string versions;    // "Windows CE 3.0 and later"
    std::string application, provider;
    std::vector<std::string> unsupported;
    std::string Devices() const { return known ? processor + ", " + versions : "unknown"; }
};

struct Row {
    std::string text;
    std::string file;
    int line;  // of the Description line; 0 for applications and databases
    std::vector<CabinetDevices> cabinets = {};  // a Windows CE row's, in CabFiles order
};

struct CommandLine {
    std::string tool;        // "ce" or "palm"
    std::string executable;  // the manager's path or the association's command
    std::string line;
    std::size_t length;      // in bytes of the code page, as setup.exe counts
    bool fits;               // within the limit: setup.exe would launch it
};

struct Report {
    std::string at;  // as used, ending in a backslash
    std::vector<Row> rows;
    std::vector<CommandLine> commandLines;
    std::vector<Finding> findings;  // errors first
    std::vector<std::string> notes;
    std::size_t ignored = 0;         // findings left out by --ignore
    std::size_t warningsHidden = 0;  // warnings left out by --severity error
    int Count(Severity severity) const;
};

Report CheckFolder(Host& host, const Request& request);

// Whether a path is an absolute Windows path: a drive's (D:\...) or a
// share's (\\server\share\...).
bool IsAbsoluteWindowsPath(const std::string& path);

// Whether a name of a path is an 8.3 name, which the short form keeps.
bool IsShortName(const std::string& name);

// Whether the 8.3 alias that Windows gives a long name matches
// "prefix*suffix" while the name itself does not.
bool MatchesOnlyByAlias(const std::string& name, const char* prefix, const char* suffix);

}  // namespace check
