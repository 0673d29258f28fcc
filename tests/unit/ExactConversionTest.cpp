#include <gtest/gtest.h>

#include "platform/ExactConversion.h"

namespace {

// What Windows accepts, which Wine does not enforce: for UTF-8 the flags may
// be 0 or WC_ERR_INVALID_CHARS and no used-default pointer may be passed
// (ERROR_INVALID_FLAGS, ERROR_INVALID_PARAMETER otherwise).
TEST(ExactConversion, Utf8TakesOnlyTheFlagsWindowsAcceptsThere) {
    const platform::ExactConversion utf8 = platform::ExactConversionFor(65001);
    EXPECT_EQ(utf8.flags & ~platform::kErrorInvalidChars, 0u);
    EXPECT_FALSE(utf8.reportDefault);
    // Without it, an unpaired surrogate would become U+FFFD's bytes, not a refusal.
    EXPECT_EQ(utf8.flags, platform::kErrorInvalidChars);
}

// Every other ANSI code page must neither use look-alikes nor hide a
// character it lacks.
TEST(ExactConversion, OtherCodePagesRefuseLookAlikesAndReportDefaults) {
    for (const uint32_t codePage : {1252u, 1251u, 932u, 936u, 1250u}) {
        const platform::ExactConversion how = platform::ExactConversionFor(codePage);
        EXPECT_EQ(how.flags, platform::kNoBestFitChars) << codePage;
        EXPECT_TRUE(how.reportDefault) << codePage;
    }
}

}  // namespace
