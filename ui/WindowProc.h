#pragma once
// The window procedure of the framework's own window classes. The object
// passed to CreateWindowEx is kept in the window from WM_NCCREATE on; each
// message goes to its WindowMessage, inside an exception guard: an error is
// shown through the application's handler and the message still completes.
// Owners clear the link (ForgetWindowObject) before they destroy the window.
#include <windows.h>

void HandleWindowProcException();

template <class T>
LRESULT CALLBACK ObjectWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(wnd, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, message, wParam, lParam);
    try {
        return self->WindowMessage(wnd, message, wParam, lParam);
    } catch (...) {
        HandleWindowProcException();
        return DefWindowProcW(wnd, message, wParam, lParam);
    }
}

inline void ForgetWindowObject(HWND wnd)
{
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
}
