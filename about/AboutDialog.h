// The About box: shows the product version read from the program's own file.
#pragma once

#include <windows.h>

#include "platform/Platform.h"
#include "shell/BoundDialog.h"

class AboutDialog final : public BoundDialog {
public:
    explicit AboutDialog(platform::System& system) : system_(system) {}

    bool RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      INT_PTR& result) override;

    INT_PTR OnInitDialog(WPARAM wParam, LPARAM lParam);

private:
    platform::System& system_;
};
