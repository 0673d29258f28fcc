#include "shell/MessageText.h"

#include <memory>
#include <new>

#include "resources/resource.h"

namespace {

constexpr int kFirstBuffer = 256;
constexpr int kGrowth = 256;

// LoadStringA into a buffer of size characters; the text up to its first NUL.
// Returns the count LoadStringA reported.
int LoadInto(platform::System& system, uint32_t id, char* buffer, int size) {
    buffer[0] = '\0';
    int count = system.LoadResourceString(id, buffer, size);
    if (count <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[size - 1] = '\0';
    return count;
}

}  // namespace

std::string LoadResourceText(platform::System& system, uint32_t id) {
    char first[kFirstBuffer];
    int count = LoadInto(system, id, first, kFirstBuffer);
    if (kFirstBuffer - count > 2) return first;

    // The entry may have been cut: grow until a read leaves room to spare.
    std::string text;
    for (int size = 2 * kGrowth;; size += kGrowth) {
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(size)]);
        if (!buffer) break;
        count = LoadInto(system, id, buffer.get(), size);
        text = buffer.get();
        if (size - count > 2) break;
    }
    return text;
}

std::string FormatResourceText(platform::System& system, uint32_t id,
                               std::initializer_list<std::string> arguments) {
    const std::string format = LoadResourceText(system, id);
    std::string out;
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                if (next != arguments.end()) out += *next++;
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

void ShowMessage(platform::System& system, platform::WindowHandle owner, const std::string& text,
                 uint32_t icon) {
    system.ShowMessageBox(owner, text, LoadResourceText(system, IDS_CAPTION),
                          platform::kMbOk | icon);
}
