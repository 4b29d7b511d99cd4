#include "ui/UtilityWindow.h"

#include "ui/Exceptions.h"
#include "ui/WinControl.h"

namespace {
const wchar_t kClassName[] = L"TessalyUtilWindow";

void RegisterUtilityClass(WNDPROC proc)
{
    static const ATOM atom = [proc] {
        WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    (void)atom;
}
}  // namespace

TUtilityWindow::TUtilityWindow(TWindowProc proc) : FProc(std::move(proc))
{
    RegisterUtilityClass(StaticProc);
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    Win32Check(FHandle != nullptr);
}

TUtilityWindow::~TUtilityWindow()
{
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
}

LRESULT CALLBACK TUtilityWindow::StaticProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TUtilityWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || !self->FProc) return DefWindowProcW(wnd, message, wParam, lParam);
    try {
        return self->FProc(wnd, message, wParam, lParam);
    } catch (...) {
        HandleWindowProcException();
        return DefWindowProcW(wnd, message, wParam, lParam);
    }
}
