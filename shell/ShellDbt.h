#pragma once
// A volume arrival or removal on its way from the control registry's
// broadcast window to a tree view, through the directory watcher.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "shell/ShellIDFunc.h"
#include "ui/Component.h"

// TDeviceChangeData::Kind values.
inline constexpr WORD dkMedia = 1;    // a media volume (DBTF_MEDIA)
inline constexpr WORD dkNetwork = 2;  // a network volume (DBTF_NET)

class TDeviceChangeData : public TObject {
public:
    // Keeps its own copy of `list` (none for network changes).
    TDeviceChangeData(std::wstring text, LPCITEMIDLIST list, WORD kind, DWORD event);

    // "label (X:)" on arrival, " (X:)" on removal, empty for network changes.
    const std::wstring& Text() const { return FText; }
    // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE.
    DWORD Event() const { return FEvent; }
    WORD Kind() const { return FKind; }
    // The volume root's absolute list, or none.
    LPCITEMIDLIST IDList() const { return FIDList.get(); }

private:
    std::wstring FText;
    DWORD FEvent;
    WORD FKind;
    TIDListPtr FIDList;
};
