#include "check/report/Formats.h"

namespace check {

const OutputFormat* FindOutputFormat(const std::string& name) {
    for (const OutputFormat& format : kOutputFormats)
        if (name == format.name) return &format;
    return nullptr;
}

std::string ListOutputFormats(bool withWords) {
    const std::size_t count = sizeof kOutputFormats / sizeof kOutputFormats[0];
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += i == 0 ? "" : i + 1 == count ? " or " : ", ";
        out += kOutputFormats[i].name;
        if (withWords) out += std::string(" (") + kOutputFormats[i].what + ")";
    }
    return out;
}

}  // namespace check
