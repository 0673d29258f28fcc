// The main dialog: the check list of components, Install, Cancel and About.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "catalogue/ComponentCatalogue.h"
#include "platform/Handles_win32.h"
#include "platform/Platform.h"
#include "shell/BoundDialog.h"

class SelectionDialog final : public BoundDialog {
public:
    explicit SelectionDialog(platform::System& system) : system_(system) {}

    bool RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      INT_PTR& result) override;

    INT_PTR OnInitDialog(WPARAM wParam, LPARAM lParam);
    INT_PTR OnAbout(WORD code, WORD id, HWND control);
    INT_PTR OnInstall(WORD code, WORD id, HWND control);
    INT_PTR UpdateInstallButton(int id, NMHDR* header);

    int RowCount() const;
    bool IsRowChecked(int row) const;

private:
    void CentreDialog();

    platform::System& system_;
    ComponentCatalogue catalogue_;
    HWND listView_ = nullptr;
    HWND installButton_ = nullptr;
    // The window does not free the icons it is given, so they go with the
    // dialog object, after the window.
    platform::IconHandle bigIcon_;
    platform::IconHandle smallIcon_;
};
