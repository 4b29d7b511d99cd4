#pragma once
// One namespace item shown by a control: it owns the item's lists, binds
// lazily to its parent folder and caches what the control draws.
#include <windows.h>
#include <oleidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>

#include "shell/ShellIDFunc.h"
#include "shell/ShellUtils.h"
#include "ui/Component.h"

class TShellDataItem : public TObject {
public:
    // Takes ownership of both lists (either may be none).
    TShellDataItem(LPITEMIDLIST relativeIDList, LPITEMIDLIST absoluteIDList);

    // The small icon's index in the system image list; -1 without a parent folder.
    virtual int ImageIndex();
    virtual int ItemIndex() const = 0;
    // Items in the absolute list; 0 for the Desktop.
    virtual int Level() = 0;
    // The parent folder's absolute list; the item keeps it.
    virtual LPCITEMIDLIST ParentIDList() = 0;
    // The item's absolute list; the item keeps it.
    virtual LPCITEMIDLIST AbsoluteIDList() = 0;
    // The small open-state icon's index.
    virtual int SelectedIndex();
    virtual bool IsValid() const = 0;

    LPCITEMIDLIST RelativeIDList() const { return FRelativeIDList.get(); }
    // Bound once and kept; none when no folder could be had.
    IShellFolder* ParentFolder();
    std::wstring DisplayName();
    bool HasAttribute(TShItemAttribute attribute);
    TShItemIDType ItemType();
    // Zero-based overlay index for a tree node; -1 for none.
    int OverlayIndex();
    std::wstring Path();
    bool DropTarget(Microsoft::WRL::ComPtr<IDropTarget>& target);
    // Whether a folder of the kind `parentType` lists this child, with the virtual kinds `shown`:
    // the Desktop hides the kinds not shown and never lists a virtual item, the drives
    // folder hides virtual items and the network everything unless shown; deeper folders hide nothing.
    bool ShownUnder(TShItemIDType parentType, TShVirtuaItems shown);

    // A volume or settings change: the icons are fetched anew, the name is the one given.
    void ResetIcons() { FImageIndex = FSelectedIndex = -1; }
    bool IconsCached() const { return FImageIndex != -1 || FSelectedIndex != -1; }
    void SetCachedName(const std::wstring& name) { FDisplayName = name; }

protected:
    // Binds the folder that ParentFolder keeps; a descendant whose container
    // already holds that folder hands it over instead of binding it again.
    virtual Microsoft::WRL::ComPtr<IShellFolder> BindParentFolder();
    // The list that goes to ParentFolder: the absolute one for the Desktop itself.
    LPCITEMIDLIST FolderIDList();
    // Gives the item a new name through its parent folder; the new relative list, or none when refused.
    LPITEMIDLIST SetName(HWND owner, const std::wstring& newName, DWORD flags);
    // The parent folder's overlay interface; none when it has none.
    Microsoft::WRL::ComPtr<IShellIconOverlay> IconOverlay();

    Microsoft::WRL::ComPtr<IShellFolder> FParentFolder;
    TIDListPtr FRelativeIDList;
    TIDListPtr FAbsoluteIDList;
    TIDListPtr FParentIDList;
    int FSelectedIndex = -1;
    int FImageIndex = -1;
    std::wstring FDisplayName;

private:
    LPITEMIDLIST SetNameInDirectory(HWND owner, const std::wstring& newName, DWORD flags);
};
