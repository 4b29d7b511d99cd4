#include "shell/ShellDataItem.h"

using Microsoft::WRL::ComPtr;

TShellDataItem::TShellDataItem(LPITEMIDLIST relativeIDList, LPITEMIDLIST absoluteIDList)
    : FRelativeIDList(relativeIDList), FAbsoluteIDList(absoluteIDList)
{
}

int TShellDataItem::ImageIndex()
{
    if (FImageIndex != -1) return FImageIndex;
    if (!ParentFolder()) return -1;
    // The system image list index comes from SHGetFileInfo, which asks the
    // folder's own icon handlers; an icon-file index would mean another image.
    FImageIndex = SysIconIndex(AbsoluteIDList(), false, false);
    return FImageIndex;
}

int TShellDataItem::SelectedIndex()
{
    if (FSelectedIndex == -1) FSelectedIndex = SysIconIndex(AbsoluteIDList(), false, true);
    return FSelectedIndex;
}

IShellFolder* TShellDataItem::ParentFolder()
{
    if (!FParentFolder) FParentFolder = BindParentFolder();
    return FParentFolder.Get();
}

ComPtr<IShellFolder> TShellDataItem::BindParentFolder()
{
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    if (Level() <= 1) return desktop;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(ParentIDList(), nullptr, IID_PPV_ARGS(&folder)))) return nullptr;
    return folder;
}

LPCITEMIDLIST TShellDataItem::FolderIDList()
{
    return Level() == 0 ? AbsoluteIDList() : RelativeIDList();
}

LPITEMIDLIST TShellDataItem::SetName(HWND owner, const std::wstring& newName, DWORD flags)
{
    IShellFolder* folder = ParentFolder();
    if (!folder) return nullptr;
    LPITEMIDLIST renamed = nullptr;
    const HRESULT result = folder->SetNameOf(owner, RelativeIDList(), newName.c_str(), flags, &renamed);
    if (SUCCEEDED(result)) return renamed;
    // Wine: the Desktop folder answers E_FAIL to every new name, though it calls its files renameable.
    return result == E_FAIL && Level() == 1 ? SetNameInDirectory(owner, newName, flags) : nullptr;
}

// The item's own directory renames it; the parent folder then hands out the item of the new name.
LPITEMIDLIST TShellDataItem::SetNameInDirectory(HWND owner, const std::wstring& newName, DWORD flags)
{
    TIDListPtr item;
    ComPtr<IShellFolder> directory;
    LPCITEMIDLIST child = nullptr;
    if (!IDListFromPath(Path(), item) || FAILED(SHBindToParent(item.get(), IID_PPV_ARGS(&directory), &child)))
        return nullptr;
    LPITEMIDLIST moved = nullptr;
    if (FAILED(directory->SetNameOf(owner, child, newName.c_str(), flags, &moved))) return nullptr;
    const TIDListPtr movedHolder(moved);
    std::wstring name;
    LPITEMIDLIST renamed = nullptr;
    if (!DisplayNameOf(directory.Get(), moved, SHGDN_INFOLDER | SHGDN_FORPARSING, name) ||
        FAILED(ParentFolder()->ParseDisplayName(owner, nullptr, name.data(), nullptr, &renamed, nullptr)))
        return nullptr;
    return renamed;
}

std::wstring TShellDataItem::DisplayName()
{
    if (FDisplayName.empty()) {
        if (IShellFolder* folder = ParentFolder()) DisplayNameOf(folder, FolderIDList(), SHGDN_INFOLDER, FDisplayName);
    }
    return FDisplayName;
}

bool TShellDataItem::HasAttribute(TShItemAttribute attribute)
{
    return HasShellAttribute(ParentFolder(), FolderIDList(), attribute);
}

TShItemIDType TShellDataItem::ItemType()
{
    return ItemIDTypeOf(Level(), RelativeIDList(),
                        [this](TShItemAttribute attribute) { return HasAttribute(attribute); });
}

ComPtr<IShellIconOverlay> TShellDataItem::IconOverlay()
{
    ComPtr<IShellIconOverlay> overlay;
    if (IShellFolder* folder = ParentFolder()) folder->QueryInterface(IID_IShellIconOverlay, reinterpret_cast<void**>(overlay.GetAddressOf()));
    return overlay;
}

int TShellDataItem::OverlayIndex()
{
    if (ComPtr<IShellIconOverlay> overlay = IconOverlay()) {
        int index = -1;
        return overlay->GetOverlayIndex(FolderIDList(), &index) == S_OK ? index - 1 : -1;
    }
    if (HasAttribute(iaShare)) return 0;
    if (HasAttribute(iaLink)) return 1;
    return -1;
}

bool TShellDataItem::ShownUnder(TShItemIDType parentType, TShVirtuaItems shown)
{
    switch (parentType) {
    case itDeskTop: {
        const TShItemIDType type = ItemType();
        return !(type == itBitBucket && !shown.Contains(itBitBucket)) &&
               !(type == itNetWork && !shown.Contains(itNetWork)) && type != itVirtual;
    }
    case itMyComputer:
        return ItemType() != itVirtual || shown.Contains(itVirtual);
    case itNetWork:
        return shown.Contains(itNetWork);
    default:
        return true;
    }
}

std::wstring TShellDataItem::Path()
{
    std::wstring path;
    PathFromIDList(Level() == 0 ? RelativeIDList() : AbsoluteIDList(), path);
    return path;
}

bool TShellDataItem::DropTarget(ComPtr<IDropTarget>& target)
{
    // The Desktop itself takes drops through the directory of its relative list, which that
    // directory's parent hands out: the Desktop folder has no target for its own empty list.
    if (Level() == 0) return DropTargetOfIDList(RelativeIDList(), MainWindow(), target);
    target.Reset();
    IShellFolder* folder = ParentFolder();
    LPCITEMIDLIST item = FolderIDList();
    if (!folder || !item) return false;
    return SUCCEEDED(folder->GetUIObjectOf(MainWindow(), 1, &item, IID_IDropTarget, nullptr,
                                           reinterpret_cast<void**>(target.ReleaseAndGetAddressOf())));
}
