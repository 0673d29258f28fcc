// How the program compares file names and the keys it reads: byte by byte,
// ASCII letters without regard to case and every other byte exactly, as the
// Windows file search compares long names in the ANSI code page. Also the
// other small rules of text every part shares: white space and ASCII case.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsBlank(char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// ASCII letters in the other case; every other byte as it is.
inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline bool IsAsciiLetter(char c) { return LowerAscii(c) != UpperAscii(c); }

// Whether the n bytes at a and at b are the same but for the case of ASCII
// letters.
bool EqualAsciiNoCase(const char* a, const char* b, std::size_t n);

// Whether a long file name matches a pattern of the form "prefix*suffix",
// compared without regard to ASCII case. The prefix and the suffix do not
// overlap: the name is at least as long as both together.
bool NameMatchesPattern(const std::string& name, const char* prefix, const char* suffix);

}  // namespace platform
