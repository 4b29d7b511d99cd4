#include "shell/ShellIDList.h"

using Microsoft::WRL::ComPtr;

void TShellIDList::Clear()
{
    FItems.clear();
    FParentIDList = nullptr;
}

LPCITEMIDLIST TShellIDList::IDList(int index) const
{
    return index >= 0 && index < Count() ? FItems[index] : nullptr;
}

LPCITEMIDLIST* TShellIDList::IDListArray()
{
    return FItems.empty() ? nullptr : FItems.data();
}

int TShellIDList::ParentLevel() const
{
    return IDListLevel(FParentIDList);
}

ComPtr<IShellFolder> TShellIDList::ParentShellFolder() const
{
    ComPtr<IShellFolder> desktop, folder;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    if (ParentLevel() == 0) return desktop;
    if (FAILED(desktop->BindToObject(FParentIDList, nullptr, IID_PPV_ARGS(&folder)))) return nullptr;
    return folder;
}

ULONG TShellIDList::AttributesOfAll(ULONG mask) const
{
    if (FItems.empty()) return 0;
    ComPtr<IShellFolder> folder = ParentShellFolder();
    if (!folder) return 0;
    ULONG attributes = mask;
    if (FAILED(folder->GetAttributesOf(UINT(FItems.size()), const_cast<LPCITEMIDLIST*>(FItems.data()), &attributes)))
        return 0;
    return attributes;
}

ULONG TShellIDList::CommonAttributes() const
{
    return AttributesOfAll(SFGAO_CAPABILITYMASK);
}

bool TShellIDList::AllHaveAttribute(TShItemAttribute attribute) const
{
    const ULONG mask = ShItemAttributeMask[attribute];
    return (AttributesOfAll(mask) & mask) == mask;
}

std::wstring TShellIDList::ItemPath(int index) const
{
    LPCITEMIDLIST item = IDList(index);
    if (!item || !FParentIDList) return {};
    TIDListPtr absolute(ConcatIDLists(FParentIDList, item));
    std::wstring path;
    PathFromIDList(absolute.get(), path);
    return path;
}

void TShellIDList2::Add(TIDListPtr item)
{
    TShellIDList::Add(item.get());
    FOwnedItems.push_back(std::move(item));
}

void TShellIDList2::SetParentIDList(TIDListPtr list)
{
    TShellIDList::SetParentIDList(list.get());
    FOwnedParent = std::move(list);
}

void TShellIDList2::Clear()
{
    TShellIDList::Clear();
    FOwnedItems.clear();
    FOwnedParent.reset();
}

void TShellIDList2::Assign(const TShellIDList& source)
{
    if (&source == this) return;
    Clear();
    if (source.ParentIDList()) SetParentIDList(TIDListPtr(CopyIDList(source.ParentIDList())));
    for (int i = 0; i < source.Count(); ++i) Add(TIDListPtr(CopyIDList(source.IDList(i))));
}
