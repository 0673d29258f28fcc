// Process entry: prepare the platform, run the selection dialog, take
// everything down again; the dialog's end code is the exit code.
#include <windows.h>
#include <commctrl.h>

#include "platform/Handles_win32.h"
#include "platform/Win32System.h"
#include "resources/resource.h"
#include "selection/SelectionDialog.h"
#include "shell/ShellContext.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything loads a library: never from the setup folder or the
    // current directory, which may hold files the user did not choose.
    platform::RestrictLibrarySearch();

    // First in and last out: it outlives ShellContext and everything else.
    const platform::ComApartment com;
    platform::InitCommonControlsAtRunTime(ICC_BAR_CLASSES | ICC_COOL_CLASSES);
    g_shell.Init(instance);

    INT_PTR endCode;
    {
        platform::Win32System system(instance);
        SelectionDialog dialog(system);
        endCode = RunAsModal(dialog, IDD_SELECTION, GetActiveWindow());
    }

    g_shell.Term();
    return static_cast<int>(endCode);
}
