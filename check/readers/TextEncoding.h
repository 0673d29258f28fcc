// How a text file's bytes are encoded, told from its first bytes: the two
// readers of a description file (setup.exe's line reader and the profile
// functions) take encodings differently.
#pragma once

#include <string>

namespace check {

enum class TextEncoding { Ansi, Utf8Mark, Utf16LeMark, Utf16BeMark, Utf16LeBare, Utf16BeBare };

// From the first bytes: a byte-order mark, or UTF-16's zero bytes without one.
TextEncoding DetectEncoding(const std::string& bytes);
bool IsUtf16(TextEncoding encoding);

// UTF-16 text as narrow lines for the description-line test: ASCII as it is,
// every other character as '?'.
std::string NarrowUtf16(const std::string& bytes, TextEncoding encoding);

}  // namespace check
