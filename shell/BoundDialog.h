// A dialog object that receives every message of its window, from the first
// one on, through its own message map.
#pragma once

#include <windows.h>

#include <cstddef>

#include "shell/ShellContext.h"

class BoundDialog {
public:
    BoundDialog() = default;
    BoundDialog(const BoundDialog&) = delete;
    BoundDialog& operator=(const BoundDialog&) = delete;

    // The dialog's message map: true when handled, with the result.
    virtual bool RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              INT_PTR& result) = 0;
    // The routine through which messages reach the object once it is bound.
    virtual DLGPROC MessageRoutine() const;
    // Called once the window has received WM_NCDESTROY.
    virtual void OnFinalMessage(HWND window);

    HWND Window() const { return window_; }

    // The shared handler that ends the dialog with the command's id.
    INT_PTR EndWithCommand(WORD code, WORD id, HWND control);

    static INT_PTR CALLBACK RoutingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    ~BoundDialog() = default;

private:
    friend INT_PTR RunAsModal(BoundDialog& dialog, int templateId, HWND owner);
    static INT_PTR CALLBACK BindingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Route(BoundDialog& dialog, HWND window, UINT message, WPARAM wParam,
                         LPARAM lParam);

    HWND window_ = nullptr;
    BindingEntry binding_;
};

// Runs the dialog modally from the template; gives its end code.
INT_PTR RunAsModal(BoundDialog& dialog, int templateId, HWND owner);

// One entry of a message map. Maps are fixed tables tried in order.
template <class D>
struct MessageMapEntry {
    enum Kind { kInit, kCommand, kCommandCode, kNotify };
    Kind kind;
    UINT id;
    int code;
    INT_PTR (D::*init)(WPARAM, LPARAM);
    INT_PTR (D::*command)(WORD code, WORD id, HWND control);
    INT_PTR (D::*notify)(int id, NMHDR* header);
};

template <class D>
constexpr MessageMapEntry<D> OnInitDialog(INT_PTR (D::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry<D>::kInit, 0, 0, handler, nullptr, nullptr};
}
// A command id with any notification code.
template <class D>
constexpr MessageMapEntry<D> OnCommand(UINT id, INT_PTR (D::*handler)(WORD, WORD, HWND)) {
    return {MessageMapEntry<D>::kCommand, id, 0, nullptr, handler, nullptr};
}
// A command id together with one notification code.
template <class D>
constexpr MessageMapEntry<D> OnCommandCode(UINT id, int code,
                                           INT_PTR (D::*handler)(WORD, WORD, HWND)) {
    return {MessageMapEntry<D>::kCommandCode, id, code, nullptr, handler, nullptr};
}
template <class D>
constexpr MessageMapEntry<D> OnNotify(UINT id, int code, INT_PTR (D::*handler)(int, NMHDR*)) {
    return {MessageMapEntry<D>::kNotify, id, code, nullptr, nullptr, handler};
}

template <class D, std::size_t N>
bool RouteThroughMap(D& dialog, const MessageMapEntry<D> (&map)[N], UINT message, WPARAM wParam,
                     LPARAM lParam, INT_PTR& result) {
    for (const MessageMapEntry<D>& e : map) {
        switch (e.kind) {
        case MessageMapEntry<D>::kInit:
            if (message != WM_INITDIALOG) continue;
            result = (dialog.*e.init)(wParam, lParam);
            return true;
        case MessageMapEntry<D>::kCommand:
        case MessageMapEntry<D>::kCommandCode:
            if (message != WM_COMMAND || LOWORD(wParam) != e.id) continue;
            if (e.kind == MessageMapEntry<D>::kCommandCode && HIWORD(wParam) != e.code) continue;
            result = (dialog.*e.command)(HIWORD(wParam), LOWORD(wParam),
                                         reinterpret_cast<HWND>(lParam));
            return true;
        case MessageMapEntry<D>::kNotify: {
            if (message != WM_NOTIFY || lParam == 0) continue;
            NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom != e.id || static_cast<int>(header->code) != e.code) continue;
            result = (dialog.*e.notify)(static_cast<int>(header->idFrom), header);
            return true;
        }
        }
    }
    return false;
}
