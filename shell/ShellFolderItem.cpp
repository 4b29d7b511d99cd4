#include "shell/ShellFolderItem.h"

namespace {
// SetNameOf flags that the tree passes with a new name.
constexpr DWORD TreeRenameFlags = 0x20;
}  // namespace

TShellFolderItem::TShellFolderItem(TShellItemNode* node, LPITEMIDLIST relativeIDList, LPITEMIDLIST absoluteIDList)
    : TShellDataItem(relativeIDList, absoluteIDList), FNode(node)
{
}

int TShellFolderItem::ItemIndex() const { return FNode ? FNode->AbsoluteIndex() : -1; }

int TShellFolderItem::Level() { return IDListLevel(FAbsoluteIDList.get()); }

LPCITEMIDLIST TShellFolderItem::ParentIDList()
{
    if (!FParentIDList) {
        // ParentIDListOf answers none for a child of the Desktop; its parent is the Desktop's list.
        if (Level() == 1)
            SpecialFolderIDList(sfDesktop, FParentIDList);
        else
            FParentIDList.reset(ParentIDListOf(FAbsoluteIDList.get()));
    }
    return FParentIDList.get();
}

LPCITEMIDLIST TShellFolderItem::AbsoluteIDList() { return FAbsoluteIDList.get(); }

bool TShellFolderItem::IsValid() const { return FAbsoluteIDList && FRelativeIDList; }

void TShellFolderItem::AttachNode(TShellItemNode* node)
{
    FNode = node;
    if (!FNode) return;
    FNode->SetHasChildren(HasAttribute(iaHasSubFolder));
    FNode->SetOverlayIndex(OverlayIndex());
}

bool TShellFolderItem::Rename(const std::wstring& newName)
{
    if (!HasAttribute(iaCanRename) || !ParentFolder()) return false;
    const int level = Level();
    LPCITEMIDLIST parent = ParentIDList();  // cached before the lists it derives from go
    LPITEMIDLIST newIDList = SetName(FNode ? FNode->TreeWindow() : nullptr, newName, TreeRenameFlags);
    const bool renamed = newIDList != nullptr;
    if (renamed) {
        FDisplayName.clear();
        FRelativeIDList.reset(newIDList);
        FAbsoluteIDList.reset(level == 1 ? CopyFirstItemID(newIDList) : ConcatIDLists(parent, newIDList));
        RefreshNodeAfterRename();
    }
    // A refused name puts the current one back on the node.
    if (FNode) FNode->SetText(DisplayName());
    return renamed;
}

void TShellFolderItem::RefreshNodeAfterRename()
{
    // Notifications about the old name must arrive before the node is rebuilt.
    SHChangeNotify(0, SHCNF_FLUSH, nullptr, nullptr);
    if (!FNode) return;
    const bool expanded = FNode->Expanded();
    FNode->DeleteChildren();
    FNode->SortSiblings(&CompareFolderNodes);
    FNode->Refill();
    if (expanded) FNode->SetExpanded(true);
}

int TShellFolderItem::CompareFolderNodes(TShellItemNode* node1, TShellItemNode* node2)
{
    TShellFolderItem* item1 = node1 ? node1->Item() : nullptr;
    TShellFolderItem* item2 = node2 ? node2->Item() : nullptr;
    if (!item1 || !item2) return 0;
    IShellFolder* folder = item1->ParentFolder();
    if (!folder) return 0;
    const HRESULT result = folder->CompareIDs(0, item1->RelativeIDList(), item2->RelativeIDList());
    return FAILED(result) ? 0 : CompareIDsOrder(result);
}
