#include "check.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int g_passed = 0;
int g_failed = 0;

bool Verbose() {
    char value[8] = {};
    return GetEnvironmentVariableA("E2E_VERBOSE", value, sizeof value) > 0 && value[0] == '1';
}

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* back = std::strrchr(path, '\\');
    const char* last = slash > back ? slash : back;
    return last ? last + 1 : path;
}

}  // namespace

bool ok_at(const char* file, int line, bool cond, const char* format, ...) {
    if (cond) {
        ++g_passed;
        if (!Verbose()) return true;
    } else {
        ++g_failed;
    }
    va_list args;
    va_start(args, format);
    std::printf("%s:%d: Test %s: ", BaseName(file), line, cond ? "succeeded" : "failed");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
    return cond;
}

void trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("  ");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

int PassedCount() { return g_passed; }
int FailedCount() { return g_failed; }

std::string Show(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char buffer[8];
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += Show(parts[i]);
    }
    return "[" + out + "]";
}
