#include "shell/BoundDialog.h"

namespace {

// Messages whose handler result is the dialog procedure's own return value.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    }
}

}  // namespace

DLGPROC BoundDialog::MessageRoutine() const { return &BoundDialog::RoutingProc; }

void BoundDialog::OnFinalMessage(HWND) {}

INT_PTR BoundDialog::EndWithCommand(WORD, WORD id, HWND) {
    EndDialog(window_, id);
    return 0;
}

INT_PTR RunAsModal(BoundDialog& dialog, int templateId, HWND owner) {
    g_shell.Register(dialog, dialog.binding_);
    const INT_PTR endCode = DialogBoxParamA(g_shell.ResourceModule(), MAKEINTRESOURCEA(templateId),
                                            owner, &BoundDialog::BindingProc, 0);
    g_shell.Withdraw(dialog.binding_);
    return endCode;
}

INT_PTR CALLBACK BoundDialog::BindingProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    BoundDialog* dialog = g_shell.TakePending();
    if (!dialog) return FALSE;
    dialog->window_ = window;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    SetWindowLongPtrA(window, DWLP_DLGPROC,
                      reinterpret_cast<LONG_PTR>(dialog->MessageRoutine()));
    return Route(*dialog, window, message, wParam, lParam);
}

INT_PTR CALLBACK BoundDialog::RoutingProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    BoundDialog* dialog = reinterpret_cast<BoundDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    return Route(*dialog, window, message, wParam, lParam);
}

INT_PTR BoundDialog::Route(BoundDialog& dialog, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam) {
    INT_PTR result = 0;
    const bool handled = dialog.RouteMessage(window, message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        // The object may outlive its window; it must not keep the handle.
        dialog.window_ = nullptr;
        SetWindowLongPtrA(window, DWLP_USER, 0);
        dialog.OnFinalMessage(window);
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return result;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
