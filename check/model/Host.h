// What setup-check needs from the machine it runs on: the folder through the
// platform seam, files read at any offset, and text between this machine's
// encoding and the end user's code page. One implementation for POSIX
// systems (Host_posix.cpp) and one for Windows (Host_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "check/readers/CabinetLibrary.h"
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

// The machine the check reads the folder on. Every file, a cabinet or not,
// is read through the opener it is.
class Host : public CabinetOpener {
public:
    // The seam discovery uses, giving local names.
    virtual platform::System& System() = 0;
    virtual CodePage& Text() = 0;
    // One sentence: the order the folder search gives within each kind.
    virtual std::string OrderNote() = 0;
};

// The separator the folder path gets when it lacks one at its end.
extern const char kPathSeparator;

bool IsFolder(const std::string& path);

// The code page the check assumes without --codepage, and a few words on
// where it comes from.
unsigned DefaultCodePage(std::string& source);

// Conversions between this machine's text and a code page; null, with the
// reason, when that code page cannot be used here.
std::unique_ptr<CodePage> MakeCodePage(unsigned codePage, std::string& error);

// The machine's side for the end user's code page; null, with the reason,
// when that code page cannot be used here.
std::unique_ptr<Host> MakeHost(unsigned codePage, std::string& error);

// Writes UTF-8 text to standard output or error, as a console shows it.
void WriteText(bool toError, const std::string& utf8);

}  // namespace check
