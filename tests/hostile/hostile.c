/* A library planted beside setup.exe or in its current directory, built once
 * per name a program might load (HOSTILE_NAME). Loading it is all it takes:
 * on attach it leaves a marker file "<HOSTILE_NAME>-<pid>.txt" holding the
 * loading program's path, in the folder named by HOSTILE_MARKERS (default
 * C:\hostile-markers). It exports nothing, so whoever loads it in earnest
 * fails soon after, but the marker is already there. */
#include <windows.h>

#include <stdio.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    char folder[MAX_PATH] = "C:\\hostile-markers";
    char path[2 * MAX_PATH + 64];
    char program[MAX_PATH] = "";
    HANDLE file;
    DWORD n, written = 0;
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    n = GetEnvironmentVariableA("HOSTILE_MARKERS", folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) lstrcpyA(folder, "C:\\hostile-markers");
    CreateDirectoryA(folder, NULL);
    snprintf(path, sizeof path, "%s\\%s-%lu.txt", folder, HOSTILE_NAME, GetCurrentProcessId());
    GetModuleFileNameA(NULL, program, sizeof program);
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, program, lstrlenA(program), &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
