#pragma once
// A hidden top-level window whose messages go to a procedure of the owner's
// choice: timers, the control registry's device broadcasts and the tray
// icon's callbacks arrive here. It is top-level (not message-only) so that
// system broadcasts reach it. The procedure runs inside an exception guard.
#include <windows.h>

#include <functional>

class TUtilityWindow {
public:
    using TWindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    explicit TUtilityWindow(TWindowProc proc);
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;
    ~TUtilityWindow();

    HWND Handle() const { return FHandle; }
    LRESULT WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

private:

    TWindowProc FProc;
    HWND FHandle = nullptr;
};
