#pragma once
// The registry of live shell views. It keeps one hidden top-level window
// while at least one view is registered; the system's volume arrival and
// removal broadcasts reach that window and go on to every registered view,
// and the shell's association changes clear the classes' icons and names.
#include <windows.h>
#include <dbt.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/UtilityWindow.h"

// What a registered view offers the registry: its handler of volume changes.
// `text` is "label (X:)" or " (X:)" for a media volume and empty for a network
// change; `kind` is dkMedia or dkNetwork. `list` is the volume root's absolute
// list, borrowed for the call. It is none for a network change, and may be
// none for a removed media volume, whose root can no longer be named once the
// drive has gone (a view then finds the drive by the text's " (X:)"). An
// error the handler raises is shown, and the other views are told all the same.
class TShellDeviceClient {
public:
    virtual void ShellDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind) = 0;

protected:
    ~TShellDeviceClient() = default;
};

// The drive of the lowest set bit of a volume unit mask ("A:" for bit 0);
// empty for an empty mask.
std::wstring DriveFromUnitMask(DWORD unitMask);

class TShellCtrlList : public TObject {
public:
    // Main thread only, like everything here.
    void AddControl(TShellDeviceClient* control);
    void RemoveControl(TShellDeviceClient* control);
    int Count() const { return int(FControls.size()); }
    // Hands a volume change to every registered view, in the order of
    // registration; a view's error goes to the application's handler.
    void BroadcastDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind);
    // The hidden window; none while no view is registered.
    HWND Handle() const { return FWindow ? FWindow->Handle() : nullptr; }

private:
    LRESULT WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WMDeviceChange(HWND wnd, WPARAM wParam, LPARAM lParam);
    LRESULT WMShellChange(WPARAM wParam, LPARAM lParam);
    void WatchAssociations();
    void VolumeChanged(DWORD event, const DEV_BROADCAST_HDR* header);

    std::vector<TShellDeviceClient*> FControls;
    std::unique_ptr<TUtilityWindow> FWindow;
    ULONG FAssociationsWatch = 0;  // the shell's registration, 0 for none
};

// The registry of the process, made on first use.
TShellCtrlList& ShellCtrlList();
