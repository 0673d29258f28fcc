// How the program compares file names and the keys it reads: byte by byte,
// ASCII letters without regard to case and every other byte exactly, as the
// Windows file search compares long names in the ANSI code page.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Whether the n bytes at a and at b are the same but for the case of ASCII
// letters.
bool EqualAsciiNoCase(const char* a, const char* b, std::size_t n);

// Whether a long file name matches a pattern of the form "prefix*suffix",
// compared without regard to ASCII case. The prefix and the suffix do not
// overlap: the name is at least as long as both together.
bool NameMatchesPattern(const std::string& name, const char* prefix, const char* suffix);

}  // namespace platform
