#include "check/readers/TextEncoding.h"

#include <algorithm>

namespace check {

TextEncoding DetectEncoding(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return TextEncoding::Utf8Mark;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return TextEncoding::Utf16LeMark;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return TextEncoding::Utf16BeMark;
    // Without a mark: most characters of a Latin text have a zero high byte,
    // and a text in a code page has no zero byte at all.
    const std::size_t pairs = std::min<std::size_t>(bytes.size(), 4096) / 2;
    std::size_t evenZeros = 0, oddZeros = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == '\0';
        oddZeros += bytes[2 * i + 1] == '\0';
    }
    if (pairs < 4) return TextEncoding::Ansi;
    if (oddZeros * 2 >= pairs && evenZeros * 8 <= oddZeros) return TextEncoding::Utf16LeBare;
    if (evenZeros * 2 >= pairs && oddZeros * 8 <= evenZeros) return TextEncoding::Utf16BeBare;
    return TextEncoding::Ansi;
}

bool IsUtf16(TextEncoding encoding) {
    return encoding != TextEncoding::Ansi && encoding != TextEncoding::Utf8Mark;
}

std::string NarrowUtf16(const std::string& bytes, TextEncoding encoding) {
    const bool big = encoding == TextEncoding::Utf16BeMark || encoding == TextEncoding::Utf16BeBare;
    const bool marked = encoding == TextEncoding::Utf16LeMark || encoding == TextEncoding::Utf16BeMark;
    std::string out;
    for (std::size_t i = marked ? 2 : 0; i + 1 < bytes.size(); i += 2) {
        const unsigned char lo = static_cast<unsigned char>(bytes[i + (big ? 1 : 0)]);
        const unsigned char hi = static_cast<unsigned char>(bytes[i + (big ? 0 : 1)]);
        out += hi == 0 && lo < 0x80 && lo != 0 ? static_cast<char>(lo) : '?';
    }
    return out;
}

}  // namespace check
