// Handing the checked components to the desktop's own install tools.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/ComponentCatalogue.h"
#include "platform/Platform.h"

extern const char kCeAppPathKey[];

// Whether the system would take the command line whole. A longer one is
// never launched: the system would refuse or cut it.
inline bool FitsCommandLine(const std::string& commandLine) {
    return commandLine.size() <= platform::kMaxCommandLine;
}

// "<exe>" "<path1>" "<path2>" ...
std::string BuildCeCommandLine(const std::string& executable, const ComponentCatalogue& components);

// The executable part of the association's command, quoted.
std::string ReduceCommandTemplate(const std::string& commandTemplate);

// <executable part> "<path1> <path2> ..."
std::string BuildPalmCommandLine(const std::string& commandTemplate,
                                 const ComponentCatalogue& components);

// Runs the CE Application Manager once with every component and waits for
// it. When it is not registered or cannot be started, says so in a message
// box owned by owner and gives false.
bool InstallCeComponents(platform::System& system, platform::WindowHandle owner,
                         const ComponentCatalogue& components);

// Runs the Palm install tool once with every component and waits for it;
// false after an error box when it is missing or cannot be started.
bool InstallPalmComponents(platform::System& system, platform::WindowHandle owner,
                           const ComponentCatalogue& components);

// The system's text for an error code; empty when it has none.
std::string FormatSystemError(platform::System& system, uint32_t code);
