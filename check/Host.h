// What setup-check needs from the machine it runs on; one implementation
// for POSIX systems (Host_posix.cpp) and one for Windows (Host_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "check/CabinetLibrary.h"
#include "check/Check.h"

namespace check {

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
