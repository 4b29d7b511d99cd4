#pragma once
// A message timer. It runs only while it is enabled, has an interval and has
// a handler; enabling a timer that already runs does not restart its interval.
#include <memory>

#include "ui/Component.h"
#include "ui/UtilityWindow.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner, unsigned interval = 1000, bool enabled = true);
    ~TTimer() override;

    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    void SetOnTimer(TNotifyEvent handler);
    // The timer is armed in the system (enabled, an interval and a handler).
    bool Running() const { return FRunning; }

private:
    void UpdateTimer();
    LRESULT WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    unsigned FInterval;
    bool FEnabled;
    bool FRunning = false;
    TNotifyEvent FOnTimer;
    std::unique_ptr<TUtilityWindow> FWindow;
};
