// How the exact conversion into the ANSI code page (System::ExactAnsiText)
// calls WideCharToMultiByte. Kept apart from the call because Wine accepts
// flags that Windows refuses for UTF-8: only a test of this decision can
// tell whether the program passes them.
#pragma once

#include <cstdint>

namespace platform {

// The Windows values; the Windows side checks each against the header's name.
constexpr uint32_t kCodePageUtf8 = 65001;      // CP_UTF8
constexpr uint32_t kNoBestFitChars = 0x400;    // WC_NO_BEST_FIT_CHARS
constexpr uint32_t kErrorInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS

struct ExactConversion {
    uint32_t flags;      // dwFlags
    bool reportDefault;  // whether lpUsedDefaultChar is passed
};

// For the ANSI code page codePage (GetACP()).
ExactConversion ExactConversionFor(uint32_t codePage);

}  // namespace platform
