#include "platform/Names.h"

#include <cstring>

namespace platform {

bool EqualAsciiNoCase(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool NameMatchesPattern(const std::string& name, const char* prefix, const char* suffix) {
    const std::size_t p = std::strlen(prefix), s = std::strlen(suffix);
    if (name.size() < p + s) return false;
    return EqualAsciiNoCase(name.data(), prefix, p) &&
           EqualAsciiNoCase(name.data() + name.size() - s, suffix, s);
}

}  // namespace platform
