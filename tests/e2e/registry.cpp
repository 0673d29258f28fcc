#include "registry.h"

#include <shlwapi.h>

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

bool SetDefaultValue(HKEY root, const std::string& key, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(handle, nullptr, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::string& key) {
    const LONG result = RegDeleteTreeA(root, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
    const LONG removed = RegDeleteKeyA(root, key.c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool SetCeAppManagerPath(const std::string& exePath) {
    return SetDefaultValue(HKEY_LOCAL_MACHINE, kAppPathKey, exePath);
}

bool SetCeAppManagerValue(DWORD type, const std::string& bytes) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(handle, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool RemoveCeAppManagerPath() { return DeleteTree(HKEY_LOCAL_MACHINE, kAppPathKey); }

bool SetPrcAssociation(const std::string& progId, const std::string& command) {
    return SetDefaultValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.prc", progId) &&
           SetDefaultValue(HKEY_LOCAL_MACHINE,
                           "Software\\Classes\\" + progId + "\\shell\\open\\command", command);
}

bool RemovePrcAssociation(const std::string& progId) {
    bool done = true;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        done = DeleteTree(root, "Software\\Classes\\.prc") && done;
        done = DeleteTree(root, "Software\\Classes\\" + progId) && done;
    }
    // The check that counts: the shell no longer finds an open command.
    char command[1024];
    DWORD size = sizeof command;
    const HRESULT hr = AssocQueryStringA(0, ASSOCSTR_COMMAND, ".prc", "open", command, &size);
    return done && (FAILED(hr) || size == 0);
}
