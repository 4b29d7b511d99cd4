#include "ui/Timer.h"

#include "ui/Exceptions.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner, unsigned interval, bool enabled)
    : TComponent(owner), FInterval(interval), FEnabled(enabled)
{
}

TTimer::~TTimer()
{
    if (FRunning) KillTimer(FWindow->Handle(), kTimerId);
}

void TTimer::SetInterval(unsigned value)
{
    if (value == FInterval) return;
    FInterval = value;
    FRunning = false;  // a new interval starts afresh
    if (FWindow) KillTimer(FWindow->Handle(), kTimerId);
    UpdateTimer();
}

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    bool wanted = FEnabled && FInterval != 0 && FOnTimer;
    if (wanted == FRunning) return;
    if (wanted) {
        if (!FWindow)
            FWindow = std::make_unique<TUtilityWindow>(
                [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return WindowProc(w, m, wp, lp); });
        Win32Check(SetTimer(FWindow->Handle(), kTimerId, FInterval, nullptr) != 0);
    } else {
        KillTimer(FWindow->Handle(), kTimerId);
    }
    FRunning = wanted;
}

LRESULT TTimer::WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kTimerId) {
        if (FOnTimer) FOnTimer(this);
        return 0;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}
