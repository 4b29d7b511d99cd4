#pragma once
// An icon with a tooltip in the notification area of the taskbar. The shell
// reports the mouse on the icon to a hidden window shared by every tray icon
// of the program (see CallbackWindow.h), which turns the reports into menus
// and events.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Graphics.h"
#include "ui/ImageList.h"
#include "ui/Menus.h"
#include "ui/ShiftState.h"

// The message with which the shell reports on an icon: wParam is the icon's
// id, lParam the mouse message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 200;

// At most this many tray icons live at once.
constexpr size_t kMaxTrayIcons = 100;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// Every call to the notification area goes through this one function, so
// that a test can watch what is asked of it. By default Shell_NotifyIconW.
using TShellNotifyIconFunc = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;
extern TShellNotifyIconFunc ShellNotifyIconFunc;
BOOL DefaultShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data);

class TCallbackWindow;

class TTrayIcon : public TComponent {
public:
    // Raises EOutOfMemory when kMaxTrayIcons icons live already.
    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    // Kept for whoever animates the icon; the icon shown is always Icon.
    TImageList* AnimateIcons() const { return FAnimateIcons; }
    void SetAnimateIcons(TImageList* value);
    // Milliseconds, at least 100.
    int AnimateRate() const { return FAnimateRate; }
    void SetAnimateRate(int value);
    // A button press pops up that button's menu.
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    // When false, the mouse on the icon does nothing.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // The icon keeps a copy; an empty icon takes the icon out of the notification area.
    const TIcon& Icon() const { return FIcon; }
    void SetIcon(const TIcon& value);
    TPopupMenu* LBPopupMenu() const { return FLBPopupMenu; }
    void SetLBPopupMenu(TPopupMenu* value);
    TPopupMenu* RBPopupMenu() const { return FRBPopupMenu; }
    void SetRBPopupMenu(TPopupMenu* value);
    // At most kMaxTipLength UTF-16 code units are kept; a character is never cut in two.
    const std::wstring& TipHelp() const { return FTipHelp; }
    void SetTipHelp(const std::wstring& value);
    static constexpr size_t kMaxTipLength = 62;
    // Whether the icon is in the notification area; an icon without an image never is.
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    // The id under which the notification area knows the icon.
    UINT IconID() const { return FIconID; }
    // The notification area took the icon.
    bool Registered() const { return FRegistered; }
    // A left press waits out the double-click time before its menu comes up.
    bool MenuPending() const { return FMenuWait != 0; }

    // A single left click, reported when the double-click time has passed without a second one.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    // A button press that pops up no menu.
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCallbackWindow;
    enum TTrayAction { taAdd, taModify, taDelete };

    void IconChanged();
    void UpdateTray(TTrayAction action);
    // A new taskbar knows none of the icons that were there before it.
    void TaskbarCreated();
    void ReferTo(TComponent* old, TComponent* value);

    UINT FIconID;
    bool FRegistered = false;
    NOTIFYICONDATAW FNotifyData{};
    // A first left release happened and its single-click report waits.
    bool FClickPending = false;
    // The left press whose menu waits (0: none), and where it was.
    unsigned FMenuWait = 0;
    POINT FMenuAt{};

    TImageList* FAnimateIcons = nullptr;
    int FAnimateRate = 500;
    bool FAutoPopup = true;
    bool FEnabled = true;
    TIcon FIcon;
    TPopupMenu* FLBPopupMenu = nullptr;
    TPopupMenu* FRBPopupMenu = nullptr;
    std::wstring FTipHelp = L"TipHelp";
    bool FVisible = false;
};

// The live icons, in order of creation; and the icon with an id, or none.
std::vector<TTrayIcon*> LiveTrayIcons();
TTrayIcon* FindTrayIcon(UINT id);
// The window that hears the shell about every icon; none while no icon lives.
TCallbackWindow* CallbackWindow();
