#pragma once
// The hidden window that hears the shell about every tray icon of the
// program, and the short wait that tells a single click from the first half
// of a double click. The window is top-level: the taskbar's "TaskbarCreated"
// announcement is broadcast to top-level windows only.
#include "trayicon/TrayIcon.h"
#include "ui/Thread.h"
#include "ui/WinControl.h"

class TCallbackWindow : public TWinControl {
public:
    TCallbackWindow();

    // A single-click wait for the icon with this id has passed.
    void SingleClickDone(UINT iconID);
    // The wait of the left press numbered `wait` has passed: its menu comes up unless a double click came.
    void MenuWaitDone(UINT iconID, unsigned wait);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT WMTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT WMTaskbarCreated();
    void Dispatch(TTrayIcon& icon, LPARAM mouseMessage);
    // Shows the error in flight that an event handler of the icon raised (call it from a catch block).
    static void ShowEventError(UINT iconID);
    void ButtonDown(TTrayIcon& icon, TPopupMenu* menu, TMouseButton button, POINT pt);
    void LeftButtonDown(TTrayIcon& icon, POINT pt);
    void LeftButtonUp(TTrayIcon& icon);
};

// Sleeps for the double-click time and 50 ms more, then ends; it frees itself
// and calls `done` on the main thread.
class TSingleClick : public TThread {
public:
    explicit TSingleClick(std::function<void(TCallbackWindow&)> done);

protected:
    void Execute() override;
};
