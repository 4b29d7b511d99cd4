#include "trayicon/TrayIcon.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "trayicon/CallbackWindow.h"
#include "ui/Exceptions.h"

namespace {

const wchar_t kCannotRegister[] = L"タスクトレイにアイコンを登録できません。";

struct TTrayIconEntry {
    UINT ID;
    TTrayIcon* Icon;
};

// One entry per live icon, in order of creation.
std::vector<TTrayIconEntry> TrayIconList;
// Made with the first icon and gone with the last, so that it outlives
// whichever form owns an icon.
std::unique_ptr<TCallbackWindow> TheCallbackWindow;

}  // namespace

BOOL DefaultShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data)
{
    return Shell_NotifyIconW(message, data);
}

TShellNotifyIconFunc ShellNotifyIconFunc = DefaultShellNotifyIcon;

std::vector<TTrayIcon*> LiveTrayIcons()
{
    std::vector<TTrayIcon*> icons;
    for (const TTrayIconEntry& entry : TrayIconList) icons.push_back(entry.Icon);
    return icons;
}

TTrayIcon* FindTrayIcon(UINT id)
{
    auto found = std::find_if(TrayIconList.begin(), TrayIconList.end(),
                              [id](const TTrayIconEntry& entry) { return entry.ID == id; });
    return found == TrayIconList.end() ? nullptr : found->Icon;
}

TCallbackWindow* CallbackWindow()
{
    return TheCallbackWindow.get();
}

// Ids follow the newest icon's, so the ids of live icons never repeat.
TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner), FIconID(TrayIconList.empty() ? 1 : TrayIconList.back().ID + 1)
{
    if (TrayIconList.size() >= kMaxTrayIcons) throw EOutOfMemory(kCannotRegister);
    if (!TheCallbackWindow) TheCallbackWindow = std::make_unique<TCallbackWindow>();
    TrayIconList.push_back({FIconID, this});
    FNotifyData.cbSize = sizeof(FNotifyData);
    FNotifyData.uID = FIconID;
    FNotifyData.uCallbackMessage = WM_TRAYNOTIFY;
}

TTrayIcon::~TTrayIcon()
{
    if (FRegistered) UpdateTray(taDelete);
    std::erase_if(TrayIconList, [this](const TTrayIconEntry& entry) { return entry.Icon == this; });
    if (TrayIconList.empty()) TheCallbackWindow.reset();
}

void TTrayIcon::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    // One menu may be both the left and the right one.
    if (component == FLBPopupMenu) FLBPopupMenu = nullptr;
    if (component == FRBPopupMenu) FRBPopupMenu = nullptr;
    if (component == FAnimateIcons) FAnimateIcons = nullptr;
}

// Asks to hear of the new component's end, and no longer of the old one's
// once no property refers to it.
void TTrayIcon::ReferTo(TComponent* old, TComponent* value)
{
    if (value) value->FreeNotification(this);
    if (old && old != value && old != FLBPopupMenu && old != FRBPopupMenu && old != FAnimateIcons)
        RemoveFreeNotification(old);
}

void TTrayIcon::SetAnimateIcons(TImageList* value)
{
    ReferTo(std::exchange(FAnimateIcons, value), value);
}

void TTrayIcon::SetLBPopupMenu(TPopupMenu* value)
{
    ReferTo(std::exchange(FLBPopupMenu, value), value);
}

void TTrayIcon::SetRBPopupMenu(TPopupMenu* value)
{
    ReferTo(std::exchange(FRBPopupMenu, value), value);
}

void TTrayIcon::SetAnimateRate(int value)
{
    if (value != FAnimateRate) FAnimateRate = std::max(value, 100);
}

void TTrayIcon::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    if (FEnabled) return;
    FClickPending = false;
    FMenuWait = 0;
}

void TTrayIcon::SetIcon(const TIcon& value)
{
    if (&value == &FIcon) return;
    if (value.Empty()) {
        FIcon.SetHandle(nullptr);
        SetVisible(false);
        return;
    }
    FIcon = value;
    IconChanged();
}

void TTrayIcon::IconChanged()
{
    if (FRegistered) UpdateTray(taModify);
}

void TTrayIcon::SetTipHelp(const std::wstring& value)
{
    size_t length = std::min(value.size(), kMaxTipLength);
    if (length < value.size() && IS_HIGH_SURROGATE(value[length - 1])) --length;
    std::wstring tip = value.substr(0, length);
    if (tip == FTipHelp) return;
    FTipHelp = std::move(tip);
    if (FRegistered) UpdateTray(taModify);
}

void TTrayIcon::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value && !FIcon.Empty();
    if (FVisible) UpdateTray(taAdd);
    else if (FRegistered) UpdateTray(taDelete);
}

void TTrayIcon::UpdateTray(TTrayAction action)
{
    FNotifyData.hIcon = FIcon.Handle();
    FTipHelp.copy(FNotifyData.szTip, FTipHelp.size());
    FNotifyData.szTip[FTipHelp.size()] = L'\0';
    FNotifyData.uFlags = NIF_MESSAGE | NIF_ICON | (FTipHelp.empty() ? 0 : NIF_TIP);
    switch (action) {
    case taAdd:
        if (!FVisible) return;
        FNotifyData.hWnd = TheCallbackWindow->Handle();
        if (!ShellNotifyIconFunc(NIM_ADD, &FNotifyData)) throw EOutOfMemory(kCannotRegister);
        FRegistered = true;
        break;
    case taModify:
        if (!ShellNotifyIconFunc(NIM_MODIFY, &FNotifyData)) throw EOutOfMemory(kCannotRegister);
        break;
    case taDelete:
        ShellNotifyIconFunc(NIM_DELETE, &FNotifyData);
        FRegistered = false;
        break;
    }
}

void TTrayIcon::TaskbarCreated()
{
    // Also an icon that the tray refused before, as at logon before the taskbar was up.
    if (!FVisible) return;
    const bool wasRegistered = FRegistered;
    FRegistered = false;
    // The icon may have outlived the announcement (a taskbar that only
    // changed its settings): then it is brought up to date instead. A tray
    // that takes neither leaves the icon waiting for the next announcement.
    try {
        UpdateTray(taAdd);
    } catch (const EOutOfMemory&) {
        if (!wasRegistered) return;
        try {
            UpdateTray(taModify);
            FRegistered = true;
        } catch (const EOutOfMemory&) {
        }
    }
}
