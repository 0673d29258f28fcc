// The seam's library decisions on a system older than Wine: Wine has the
// system-folder search flag and SetDefaultDllDirectories, so the fallbacks
// never run there by themselves. LibraryCalls plays a system that lacks or
// refuses them, with libraries planted where a bare name would find them:
// beside this program (it lies among tests/hostile's libraries) and in its
// current directory.
// Usage: library_search <folder holding cwdonly.dll, to be the current directory>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Win32System.h"
#include "wine_test.h"

namespace {

// A system without the search flag refuses it.
HMODULE WINAPI RefuseSearchFlag(LPCSTR name, HANDLE file, DWORD flags) {
    if (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExA(name, file, flags);
}

BOOL WINAPI RefuseDefaultDirectories(DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

std::string ModuleFolder(HMODULE module) {
    char path[MAX_PATH] = "";
    if (!module || !GetModuleFileNameA(module, path, MAX_PATH)) return "(not loaded)";
    char* slash = std::strrchr(path, '\\');
    return slash ? std::string(path, static_cast<std::size_t>(slash - path)) : path;
}

bool SameFolder(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// dwmapi.dll lies beside this program and in the system folder, and a bare
// name loads the planted copy (the harness has Wine prefer native copies).
void TestFallbackNamesTheSystemCopy() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string own = ModuleFolder(GetModuleHandleA(nullptr));

    HMODULE bare = LoadLibraryA("dwmapi.dll");
    const bool planted = SameFolder(ModuleFolder(bare), own);
    ok(planted, "control: a bare name loads the planted copy, not %s", ModuleFolder(bare).c_str());
    if (bare) FreeLibrary(bare);
    if (!planted) return;

    const platform::LibraryCalls withoutFlag{RefuseSearchFlag, nullptr, SetDllDirectoryA};
    for (const platform::LibraryCalls& calls : {withoutFlag, platform::SystemLibraryCalls()}) {
        HMODULE module = platform::LoadSystemLibrary("dwmapi.dll", calls);
        ok(SameFolder(ModuleFolder(module), system), "%s: dwmapi.dll loaded from %s",
           calls.loadLibraryEx == RefuseSearchFlag ? "without the flag" : "with the flag",
           ModuleFolder(module).c_str());
        if (module) FreeLibrary(module);
    }
}

// Where SetDefaultDllDirectories is missing or refuses, the current
// directory leaves the search through SetDllDirectoryA(""). Wine's loader
// takes an empty directory for none and keeps searching the current
// directory, so the call is observed through the seam; where the call
// succeeds (Wine has it), a library only the current directory holds no
// longer loads.
std::vector<std::string> g_dllDirectoryCalls;  // the arguments, "(null)" for none

BOOL WINAPI RecordDllDirectory(LPCSTR directory) {
    g_dllDirectoryCalls.push_back(directory ? directory : "(null)");
    return TRUE;
}

BOOL WINAPI AcceptDefaultDirectories(DWORD) { return TRUE; }

void TestCurrentDirectoryLeavesSearch(const char* folder) {
    const struct {
        const char* what;
        platform::LibraryCalls calls;
        std::size_t emptyCalls;
    } systems[] = {
        {"without SetDefaultDllDirectories", {LoadLibraryExA, nullptr, RecordDllDirectory}, 1},
        {"with SetDefaultDllDirectories refusing",
         {LoadLibraryExA, RefuseDefaultDirectories, RecordDllDirectory}, 1},
        {"with SetDefaultDllDirectories", {LoadLibraryExA, AcceptDefaultDirectories,
                                           RecordDllDirectory}, 0},
    };
    for (const auto& s : systems) {
        g_dllDirectoryCalls.clear();
        platform::RestrictLibrarySearch(s.calls);
        const std::vector<std::string> expected(s.emptyCalls, "");
        std::string seen;
        for (const std::string& c : g_dllDirectoryCalls) seen += " \"" + c + "\"";
        ok(g_dllDirectoryCalls == expected, "%s: SetDllDirectoryA called with%s, expected %s",
           s.what, seen.empty() ? " nothing" : seen.c_str(), s.emptyCalls ? "\"\"" : "nothing");
    }

    const bool entered = SetCurrentDirectoryA(folder) != FALSE;
    ok(entered, "current directory %s", folder);
    if (!entered) return;
    HMODULE control = LoadLibraryA("cwdonly.dll");
    ok(control != nullptr, "control: the current directory's cwdonly.dll loads by a bare name");
    if (control) FreeLibrary(control);
    // For the rest of this process: the system's own restriction.
    platform::RestrictLibrarySearch();
    HMODULE module = LoadLibraryA("cwdonly.dll");
    ok(module == nullptr, "restricted: cwdonly.dll still loads from %s",
       ModuleFolder(module).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: library_search <folder holding cwdonly.dll>\n");
        return 2;
    }
    // The planted libraries leave their markers here, not where the
    // end-to-end scenarios look for theirs.
    SetEnvironmentVariableA("HOSTILE_MARKERS", "C:\\library-search-markers");
    TestFallbackNamesTheSystemCopy();
    TestCurrentDirectoryLeavesSearch(argv[1]);
    return winetest::Finish();
}
