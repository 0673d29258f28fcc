#include "platform/ExactConversion.h"

namespace platform {

ExactConversion ExactConversionFor(uint32_t codePage) {
    // UTF-8 takes neither the no-best-fit flag nor the default-character
    // report (the call fails with them), has no look-alikes to avoid, and
    // with WC_ERR_INVALID_CHARS refuses what is not valid UTF-16 instead.
    if (codePage == kCodePageUtf8) return {kErrorInvalidChars, false};
    return {kNoBestFitChars, true};
}

}  // namespace platform
