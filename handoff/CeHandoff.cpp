#include <cstring>

#include "handoff/Handoff.h"
#include "resources/resource.h"
#include "shell/MessageText.h"

const char kCeAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

namespace {

constexpr uint32_t kValueBuffer = platform::kMaxPath;

// The registered path of the CE Application Manager, or false. The value's
// type is not examined, but its text never extends past the bytes read: a
// value without a terminator inside the buffer does not fit and is refused.
bool ReadCeAppPath(platform::System& system, std::string& path) {
    char data[kValueBuffer] = {};
    uint32_t size = kValueBuffer;
    uint32_t type = 0;
    if (system.ReadMachineValue(kCeAppPathKey, data, &size, &type) != platform::kErrorSuccess)
        return false;
    if (size > kValueBuffer) return false;
    const void* end = std::memchr(data, '\0', size);
    if (end) {
        path.assign(data, static_cast<const char*>(end) - data);
    } else {
        // Not terminated: usable only when a terminator would still have fit.
        if (size >= kValueBuffer) return false;
        path.assign(data, size);
    }
    return !path.empty();
}

}  // namespace

std::string BuildCeCommandLine(const std::string& executable, const ComponentCatalogue& components) {
    std::string arguments;
    for (const ComponentRecord& record : components) {
        if (!arguments.empty()) arguments += ' ';
        arguments += '"';
        arguments += record.FullPath;
        arguments += '"';
    }
    return "\"" + executable + "\" " + arguments;
}

bool InstallCeComponents(platform::System& system, platform::WindowHandle owner,
                         const ComponentCatalogue& components) {
    std::string executable;
    bool launched = false;
    if (ReadCeAppPath(system, executable)) {
        std::string commandLine = BuildCeCommandLine(executable, components);
        uint32_t error = 0;
        launched = FitsCommandLine(commandLine) && system.RunAndWait(commandLine, error);
    }
    // Not registered, a line the system would refuse, or a start that failed:
    // the components are not installed either way, and the string table has
    // one text for the CE side, so each of them shows it.
    if (!launched)
        ShowMessage(system, owner, LoadResourceText(system, IDS_ACTIVESYNC_MISSING),
                    platform::kIconError);
    return launched;
}
