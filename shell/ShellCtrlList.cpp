#include "shell/ShellCtrlList.h"

#include <algorithm>

#include "shell/ShellClassCache.h"
#include "shell/ShellDbt.h"
#include "shell/ShellIDFunc.h"
#include "shell/ShellUtils.h"
#include "ui/Application.h"

namespace {
// How the shell tells the hidden window of a change it announced.
constexpr UINT WM_SHELLCHANGE = WM_APP + 1;
}  // namespace

std::wstring DriveFromUnitMask(DWORD unitMask)
{
    for (int bit = 0; bit < 26; ++bit)
        if (unitMask & (1u << bit)) return {wchar_t(L'A' + bit), L':'};
    return {};
}

void TShellCtrlList::AddControl(TShellDeviceClient* control)
{
    if (FControls.empty()) {
        FWindow = std::make_unique<TUtilityWindow>(
            [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return WindowProc(w, m, wp, lp); });
        WatchAssociations();
    }
    FControls.push_back(control);
}

void TShellCtrlList::RemoveControl(TShellDeviceClient* control)
{
    auto found = std::find(FControls.begin(), FControls.end(), control);
    if (found == FControls.end()) return;
    FControls.erase(found);
    // A process without shell views takes no volume broadcasts.
    if (!FControls.empty()) return;
    if (FAssociationsWatch) SHChangeNotifyDeregister(FAssociationsWatch);
    FAssociationsWatch = 0;
    FWindow.reset();
}

// A program installed or a type's icon changed: the shell announces it with
// SHChangeNotify, and every view would show the classes' old icons and type
// names until the program restarts.
void TShellCtrlList::WatchAssociations()
{
    TIDListPtr desktop;
    if (!SpecialFolderIDList(sfDesktop, desktop)) return;
    SHChangeNotifyEntry entry{desktop.get(), TRUE};
    FAssociationsWatch = SHChangeNotifyRegister(FWindow->Handle(), SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                                SHCNE_ASSOCCHANGED, WM_SHELLCHANGE, 1, &entry);
}

void TShellCtrlList::BroadcastDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind)
{
    // A copy: a view may unregister (or register another) while it handles the change.
    const std::vector<TShellDeviceClient*> controls = FControls;
    for (TShellDeviceClient* control : controls) {
        if (std::find(FControls.begin(), FControls.end(), control) == FControls.end()) continue;
        // One failing view is shown and keeps the change from none after it.
        try {
            control->ShellDeviceChange(text, event, list, kind);
        } catch (...) {
            if (!Application) throw;
            Application->HandleException(this);
        }
    }
}

LRESULT TShellCtrlList::WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DEVICECHANGE:
        return WMDeviceChange(wnd, wParam, lParam);
    case WM_SHELLCHANGE:
        return WMShellChange(wParam, lParam);
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

LRESULT TShellCtrlList::WMDeviceChange(HWND wnd, WPARAM wParam, LPARAM lParam)
{
    if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam)
        VolumeChanged(DWORD(wParam), reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
    return DefWindowProcW(wnd, WM_DEVICECHANGE, wParam, lParam);
}

LRESULT TShellCtrlList::WMShellChange(WPARAM wParam, LPARAM lParam)
{
    PIDLIST_ABSOLUTE* lists = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(HANDLE(wParam), DWORD(lParam), &lists, &event);
    if (!lock) return 0;
    SHChangeNotification_Unlock(lock);
    if (event & SHCNE_ASSOCCHANGED) ClearShellClassCache();
    return 0;
}

void TShellCtrlList::VolumeChanged(DWORD event, const DEV_BROADCAST_HDR* header)
{
    // Another process wrote the record: it is only as long as it says, and a volume's fields may be missing.
    if (header->dbch_size < sizeof(DEV_BROADCAST_HDR) || header->dbch_devicetype != DBT_DEVTYP_VOLUME ||
        header->dbch_size < sizeof(DEV_BROADCAST_VOLUME))
        return;
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
    if (volume->dbcv_flags & DBTF_MEDIA) {
        // Two volumes in one broadcast: only the lowest drive is told.
        const std::wstring drive = DriveFromUnitMask(volume->dbcv_unitmask);
        if (drive.empty()) return;
        const std::wstring root = IncludeBackslash(drive);
        TIDListPtr rootList;
        if (!IDListFromPath(root, rootList)) {
            // An arriving volume that cannot be named is not worth telling;
            // a drive that has gone may no longer parse, and its removal must
            // still reach the views: with a list built from the path alone
            // (the shell looks nothing up for it), or with none.
            if (event != DBT_DEVICEREMOVECOMPLETE) return;
            rootList.reset(SHSimpleIDListFromPath(root.c_str()));
        }
        std::wstring text = L" (" + drive + L")";
        if (event == DBT_DEVICEARRIVAL) {
            std::wstring label;
            VolumeLabelOf(root, label);
            text = label + text;
        }
        BroadcastDeviceChange(text, event, rootList.get(), dkMedia);
    } else if (volume->dbcv_flags & DBTF_NET) {
        BroadcastDeviceChange(L"", event, nullptr, dkNetwork);
    }
}

TShellCtrlList& ShellCtrlList()
{
    static TShellCtrlList registry;
    return registry;
}
