// String-table texts and the program's message boxes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/Platform.h"

// The whole text of a string-table entry; empty when there is none.
std::string LoadResourceText(platform::System& system, uint32_t id);

// The entry used as a format: each %s takes the next argument unchanged and
// %% gives one percent sign. There is no length limit.
std::string FormatResourceText(platform::System& system, uint32_t id,
                               std::initializer_list<std::string> arguments);

// A message box owned by owner, captioned with string 128, OK only.
void ShowMessage(platform::System& system, platform::WindowHandle owner, const std::string& text,
                 uint32_t icon);
