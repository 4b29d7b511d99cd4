#include "ui/UtilityWindow.h"

#include "ui/Exceptions.h"
#include "ui/WindowProc.h"

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
    RegisterUtilityClass(ObjectWindowProc<TUtilityWindow>);
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    Win32Check(FHandle != nullptr);
}

TUtilityWindow::~TUtilityWindow()
{
    ForgetWindowObject(FHandle);
    DestroyWindow(FHandle);
}

LRESULT TUtilityWindow::WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FProc ? FProc(wnd, message, wParam, lParam) : DefWindowProcW(wnd, message, wParam, lParam);
}
