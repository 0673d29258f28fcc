// The registry entries by which setup.exe finds the two install tools.
#pragma once

#include <windows.h>

#include <string>

// HKLM\...\App Paths\CEAppMgr.exe with the given default value, or without
// the key at all.
bool SetCeAppManagerPath(const std::string& exePath);
// The default value with any type and exactly these bytes (no terminator added).
bool SetCeAppManagerValue(DWORD type, const std::string& bytes);
bool RemoveCeAppManagerPath();
// ".prc" -> progId -> shell\open\command = command, in HKLM\Software\Classes;
// Remove clears the class and ".prc" from both the machine and user halves of
// HKEY_CLASSES_ROOT so no older association shows through.
bool SetPrcAssociation(const std::string& progId, const std::string& command);
bool RemovePrcAssociation(const std::string& progId);
