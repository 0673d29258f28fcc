#include <cstring>

#include "handoff/Handoff.h"
#include "resources/resource.h"
#include "shell/MessageText.h"

namespace {

constexpr uint32_t kTemplateBuffer = 1024;  // characters, terminator included
constexpr uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

// The ".prc" "open" command, or false when no usable one is registered.
bool QueryCommandTemplate(platform::System& system, std::string& commandTemplate) {
    char buffer[kTemplateBuffer] = {};
    uint32_t size = kTemplateBuffer;
    if (system.AssociationCommand(".prc", "open", buffer, &size) < 0) return false;
    // Some systems answer a too-small buffer with success, a length of 0 and
    // a text without terminator: that is no usable command.
    if (size == 0 || size > kTemplateBuffer) return false;
    const void* end = std::memchr(buffer, '\0', size);
    if (!end) return false;
    commandTemplate.assign(buffer, static_cast<const char*>(end) - buffer);
    // An empty command names no program: nothing is registered to run.
    return !commandTemplate.empty();
}

}  // namespace

std::string ReduceCommandTemplate(const std::string& commandTemplate) {
    if (!commandTemplate.empty() && commandTemplate[0] == '"') {
        const std::size_t close = commandTemplate.find('"', 1);
        return close == std::string::npos ? commandTemplate : commandTemplate.substr(0, close + 1);
    }
    std::string executable = commandTemplate;
    std::size_t placeholder = executable.find("\"%1\"");
    if (placeholder == std::string::npos) placeholder = executable.find("%1");
    if (placeholder != std::string::npos) executable.resize(placeholder);
    while (!executable.empty() && executable.back() == ' ') executable.pop_back();
    return "\"" + executable + "\"";
}

std::string BuildPalmCommandLine(const std::string& commandTemplate,
                                 const ComponentCatalogue& components) {
    std::string paths;
    for (const ComponentRecord& record : components) {
        if (!paths.empty()) paths += ' ';
        paths += record.FullPath;
    }
    return ReduceCommandTemplate(commandTemplate) + " \"" + paths + "\"";
}

std::string FormatSystemError(platform::System& system, uint32_t code) {
    std::string text;
    system.SystemErrorText(code, text);
    return text;
}

bool InstallPalmComponents(platform::System& system, platform::WindowHandle owner,
                           const ComponentCatalogue& components) {
    std::string commandTemplate;
    if (!QueryCommandTemplate(system, commandTemplate)) {
        ShowMessage(system, owner, LoadResourceText(system, IDS_PALM_MISSING),
                    platform::kIconError);
        return false;
    }
    std::string commandLine = BuildPalmCommandLine(commandTemplate, components);
    // The launch may change the writable buffer; the message quotes the line
    // as it was built.
    std::string launched = commandLine;
    uint32_t error = 0;
    bool ok;
    if (!FitsCommandLine(commandLine)) {
        // Refused whole rather than cut.
        error = kErrorFilenameTooLong;
        ok = false;
    } else {
        ok = system.RunAndWait(launched, error);
    }
    if (ok) return true;
    ShowMessage(system, owner,
                FormatResourceText(system, IDS_PALM_LAUNCH_FAILED,
                                   {FormatSystemError(system, error), commandLine}),
                platform::kIconError);
    return false;
}
