// UTF-8 text as the check meets it in names and in vendors' files: whether
// it is valid, its stray bytes made visible, and its case folded as Windows
// compares names.
#pragma once

#include <cstddef>
#include <string>

namespace check {

// Length of the UTF-8 character that starts at byte i; 0 when the bytes
// there are not one (overlong, surrogate, cut short, out of range).
std::size_t Utf8CharLength(const std::string& text, std::size_t i);

bool IsValidUtf8(const std::string& text);

// The byte as the four characters \xNN.
std::string EscapedByte(unsigned char byte);

// UTF-8 text with each byte that is not part of a character as \xNN.
std::string EscapeInvalidUtf8(const std::string& text);

// UTF-8 text with its letters in lower case, for comparing names as Windows
// does without regard to case: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and fullwidth Latin letters; other bytes as they are.
std::string FoldCase(const std::string& utf8);

}  // namespace check
