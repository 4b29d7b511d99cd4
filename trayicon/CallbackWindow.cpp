#include "trayicon/CallbackWindow.h"

#include "ui/Application.h"
#include "ui/Form.h"

namespace {

// The error of an event handler is being shown.
bool ShowingEventError = false;

TShiftStateItem ShiftOf(TMouseButton button)
{
    switch (button) {
    case mbLeft: return ssLeft;
    case mbRight: return ssRight;
    case mbMiddle: return ssMiddle;
    }
    return ssLeft;
}

void RaiseMouseUp(TTrayIcon& icon, TMouseButton button, POINT pt)
{
    if (icon.OnMouseUp) icon.OnMouseUp(&icon, button, TShiftState{ShiftOf(button)}, pt.x, pt.y);
}

}  // namespace

TCallbackWindow::TCallbackWindow() : TWinControl(nullptr)
{
    CreateWnd(nullptr, nullptr, OwnWindowClass(), WS_POPUP, WS_EX_TOOLWINDOW, TBounds{}, L"");
    // A program run as administrator hears the announcement from the
    // ordinary taskbar only when it lets the message in.
    ChangeWindowMessageFilterEx(Handle(), RegisterWindowMessageW(L"TaskbarCreated"), MSGFLT_ALLOW, nullptr);
}

LRESULT TCallbackWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (message == taskbarCreated) return WMTaskbarCreated();
    switch (message) {
    case WM_TRAYNOTIFY:
        return WMTrayNotify(wParam, lParam);
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

LRESULT TCallbackWindow::WMTaskbarCreated()
{
    for (TTrayIcon* icon : LiveTrayIcons()) icon->TaskbarCreated();
    return 0;
}

// An event handler may free the icon, this window with the last icon, or
// both: nothing is touched after a handler has run.
LRESULT TCallbackWindow::WMTrayNotify(WPARAM wParam, LPARAM lParam)
{
    TTrayIcon* icon = FindTrayIcon(UINT(wParam));
    if (!icon || !icon->Enabled() || ShowingEventError) return 0;
    try {
        Dispatch(*icon, lParam);
    } catch (...) {
        ShowEventError(UINT(wParam));
    }
    return 0;
}

void TCallbackWindow::Dispatch(TTrayIcon& icon, LPARAM mouseMessage)
{
    POINT pt{};
    GetCursorPos(&pt);
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        if (icon.OnMouseMove) icon.OnMouseMove(&icon, TShiftState{}, pt.x, pt.y);
        break;
    case WM_LBUTTONDOWN:
        LeftButtonDown(icon, pt);
        break;
    case WM_LBUTTONUP:
        if (icon.OnMouseUp) RaiseMouseUp(icon, mbLeft, pt);
        else LeftButtonUp(icon);
        break;
    case WM_LBUTTONDBLCLK:
        icon.FClickPending = true;
        icon.FMenuWait = 0;
        if (icon.OnDblClick) icon.OnDblClick(&icon);
        break;
    case WM_RBUTTONDOWN:
        ButtonDown(icon, icon.RBPopupMenu(), mbRight, pt);
        break;
    case WM_RBUTTONUP:
        RaiseMouseUp(icon, mbRight, pt);
        break;
    case WM_MBUTTONDOWN:
        ButtonDown(icon, nullptr, mbMiddle, pt);
        break;
    case WM_MBUTTONUP:
        RaiseMouseUp(icon, mbMiddle, pt);
        break;
    }
}

// The reports that come while the message is up (the pointer crossing the
// icon on its way to the message) would raise the error again and again:
// they are dropped. A click half-way ends with the error.
void TCallbackWindow::ShowEventError(UINT iconID)
{
    if (TTrayIcon* icon = FindTrayIcon(iconID)) icon->FClickPending = false;
    ShowingEventError = true;
    struct Done {
        ~Done() { ShowingEventError = false; }
    } done;
    if (Application) Application->HandleException(nullptr);
}

void TCallbackWindow::ButtonDown(TTrayIcon& icon, TPopupMenu* menu, TMouseButton button, POINT pt)
{
    if (menu && icon.AutoPopup()) {
        // A menu closes at a click elsewhere only when its program is in front.
        HWND owner = nullptr;
        if (auto* form = dynamic_cast<TForm*>(icon.Owner())) {
            owner = form->Handle();
            SetForegroundWindow(owner);
            if (Application) Application->ProcessMessages();
        }
        // Windows: without a message after a tray menu, the next one may close as
        // it opens; also after a command of the menu that failed.
        struct PostAfterMenu {
            HWND Owner;
            ~PostAfterMenu()
            {
                if (Owner) PostMessageW(Owner, WM_NULL, 0, 0);
            }
        } postAfter{owner};
        menu->Popup(pt.x, pt.y);
    } else if (icon.OnMouseDown) {
        icon.OnMouseDown(&icon, button, TShiftState{ShiftOf(button)}, pt.x, pt.y);
    }
}

// Where double clicks are heard, the left press's menu waits out the
// double-click time as a single click does: a menu up at once takes the
// second press in its own loop, so the double click would either be lost or
// bring the window in under a menu left open.
void TCallbackWindow::LeftButtonDown(TTrayIcon& icon, POINT pt)
{
    if (!icon.OnDblClick || !icon.LBPopupMenu() || !icon.AutoPopup()) {
        ButtonDown(icon, icon.LBPopupMenu(), mbLeft, pt);
        return;
    }
    static unsigned lastWait = 0;
    const unsigned wait = ++lastWait;
    icon.FMenuWait = wait;
    icon.FMenuAt = pt;
    // The waits name their icon by id: the icon may be gone when they end.
    new TSingleClick([id = icon.IconID(), wait](TCallbackWindow& window) { window.MenuWaitDone(id, wait); });
}

void TCallbackWindow::MenuWaitDone(UINT iconID, unsigned wait)
{
    TTrayIcon* icon = FindTrayIcon(iconID);
    if (!icon || icon->FMenuWait != wait) return;
    icon->FMenuWait = 0;
    if (ShowingEventError) return;
    try {
        ButtonDown(*icon, icon->LBPopupMenu(), mbLeft, icon->FMenuAt);
    } catch (...) {
        ShowEventError(iconID);
    }
}

// The first release waits out the double-click time before it counts as a
// click; the second release of a double click finds the wait begun and ends it.
void TCallbackWindow::LeftButtonUp(TTrayIcon& icon)
{
    if (!icon.OnClick || icon.FClickPending) {
        icon.FClickPending = false;
        return;
    }
    icon.FClickPending = true;
    new TSingleClick([id = icon.IconID()](TCallbackWindow& window) { window.SingleClickDone(id); });
}

void TCallbackWindow::SingleClickDone(UINT iconID)
{
    TTrayIcon* icon = FindTrayIcon(iconID);
    if (!icon || !icon->FClickPending) return;
    icon->FClickPending = false;
    if (!icon->OnClick || ShowingEventError) return;
    try {
        icon->OnClick(icon);
    } catch (...) {
        ShowEventError(iconID);
    }
}

TSingleClick::TSingleClick(std::function<void(TCallbackWindow&)> done)
{
    FreeOnTerminate = true;
    // This window may be gone, with the last icon, when the wait ends.
    OnTerminate = [done = std::move(done)](TObject*) {
        if (TCallbackWindow* window = CallbackWindow()) done(*window);
    };
    Start();
}

void TSingleClick::Execute()
{
    Sleep(GetDoubleClickTime() + 50);
}
