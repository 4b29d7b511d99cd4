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
