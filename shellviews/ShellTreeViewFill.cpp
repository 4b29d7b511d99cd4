// The tree view's nodes filled from the shell: a node's subfolders are
// enumerated and merged with the children it has, and a folder is found by
// walking its list down from the root.
#include <algorithm>

#include "shellviews/ShellTreeView.h"
#include "ui/UpdateScope.h"

using Microsoft::WRL::ComPtr;

namespace {
ComPtr<IShellFolder> DesktopFolder()
{
    ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    return desktop;
}
}  // namespace

int TShellTreeView::EnumSubFolders(IShellFolder* folder, TShellTreeItem* parent, TItems& items)
{
    items.clear();
    SHCONTF flags = SHCONTF_FOLDERS;
    if (FIncludeHidden) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> enumerator;
    if (!folder || folder->EnumObjects(Handle(), flags, &enumerator) != S_OK || !enumerator) return 0;
    const int parentLevel = parent->Level();
    const TShItemIDType parentType = parent->ItemType();
    LPITEMIDLIST relative = nullptr;
    while (enumerator->Next(1, &relative, nullptr) == S_OK) {
        LPITEMIDLIST absolute = parentLevel == 0 ? CopyIDList(relative) : ConcatIDLists(parent->AbsoluteIDList(), relative);
        auto item = std::make_unique<TShellTreeItem>(relative, absolute, folder);
        relative = nullptr;
        if (item->ShownUnder(parentType, FShVirtuaItems)) items.push_back(std::move(item));
    }
    // A failed comparison counts as equal; a stable sort stays sound when the shell is not consistent.
    std::stable_sort(items.begin(), items.end(), [folder](const auto& a, const auto& b) {
        const HRESULT result = folder->CompareIDs(0, a->RelativeIDList(), b->RelativeIDList());
        return SUCCEEDED(result) && CompareIDsOrder(result) < 0;
    });
    return int(items.size());
}

void TShellTreeView::FillNode(TTreeNode* node)
{
    TShellTreeItem* item = ItemOf(node);
    if (!item || !HandleAllocated()) return;
    ComPtr<IShellFolder> folder;
    if (item->Level() == 0) {
        folder = DesktopFolder();
    } else if (IShellFolder* parent = item->ParentFolder()) {
        parent->BindToObject(item->RelativeIDList(), nullptr, IID_PPV_ARGS(&folder));
    }
    if (!folder) return;
    TItems items;
    EnumSubFolders(folder.Get(), item, items);
    // Each change to an open node's children lays the whole tree out again.
    TUpdateScope update(*this);
    TTreeNode* cursor = node->GetFirstChild();
    for (size_t i = 0; i < items.size();) {
        if (!cursor) {
            AddItemNode(node, nullptr, std::move(items[i++]));
            continue;
        }
        TShellTreeItem* existing = ItemOf(cursor);
        const HRESULT result =
            existing ? folder->CompareIDs(0, existing->RelativeIDList(), items[i]->RelativeIDList()) : E_FAIL;
        const short order = SUCCEEDED(result) ? CompareIDsOrder(result) : -1;
        if (order == 0) {
            cursor = cursor->GetNextSibling();
            ++i;
        } else if (order > 0) {
            AddItemNode(node, cursor, std::move(items[i++]));
        } else {
            // It sorts before the next folder there is: it no longer exists.
            TTreeNode* next = cursor->GetNextSibling();
            cursor->Delete();
            cursor = next;
        }
    }
    while (cursor) {
        TTreeNode* next = cursor->GetNextSibling();
        cursor->Delete();
        cursor = next;
    }
}

bool TShellTreeView::FillForExpansion(TTreeNode* node)
{
    FillNode(node);
    if (!node->GetFirstChild()) node->SetHasChildren(false);
    return true;
}

bool TShellTreeView::CanExpand(TTreeNode* node)
{
    if (FDestroying || FWindowGone) return false;
    if (TShellTreeItem* item = ItemOf(node)) {
        if (FMouseState == 3 && item->Level() >= 2) {
            const TShItemIDType type = item->ItemType();
            if (type == itVirtual) return false;
            if (type == itRootDrive) {
                // An empty drive must not bring up the system's "insert a disk" box while something is dragged.
                const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
                const bool ready = GetVolumeInformationW(IncludeBackslash(item->Path()).c_str(), nullptr, 0,
                                                         nullptr, nullptr, nullptr, nullptr, 0) != FALSE;
                SetErrorMode(mode);
                if (!ready) return false;
            }
        }
        // Only the first expansion reads the folder: refreshes keep the children it has current.
        if (!node->GetFirstChild()) FillForExpansion(node);
    }
    return TCustomTreeView::CanExpand(node);
}

TTreeNode* TShellTreeView::FindNodeByIDList(LPCITEMIDLIST list)
{
    TTreeNode* result = GetFirstNode();
    if (!result || !list) return result;
    TTreeNode* cursor = result->GetFirstChild();
    LPCITEMIDLIST remaining = list;
    // Each level's children are read again at most once: a folder that does
    // not exist lies between two siblings, and the search must not swing between them.
    bool refilled = false;
    auto stillChildOf = [](TTreeNode* parent, TTreeNode* node) {
        for (TTreeNode* child = parent ? parent->GetFirstChild() : nullptr; child; child = child->GetNextSibling())
            if (child == node) return true;
        return false;
    };
    while (TShellTreeItem* item = ItemOf(cursor)) {
        TIDListPtr first(CopyFirstItemID(remaining));
        IShellFolder* folder = item->ParentFolder();
        if (!first || !folder) break;
        const HRESULT compared = folder->CompareIDs(0, item->RelativeIDList(), first.get());
        if (FAILED(compared)) break;
        const short order = CompareIDsOrder(compared);
        TTreeNode* parent = cursor->Parent();
        if (order == 0) {
            remaining = NextItemID(remaining);
            if (IDListItemSize(remaining) == 0) return cursor;
            if (!cursor->GetFirstChild()) FillNode(cursor);
            cursor->Expand(false);
            cursor = cursor->GetFirstChild();
            refilled = false;
        } else if (order > 0) {
            if (refilled) break;
            if (FCombo) FCombo->RebuildList();
            FillNode(parent);
            refilled = true;
            if (!stillChildOf(parent, cursor)) break;
            cursor = cursor->GetPrevSibling();
        } else {
            TTreeNode* next = cursor->GetNextSibling();
            if (!next && !refilled) {
                FillNode(parent);
                refilled = true;
                if (!stillChildOf(parent, cursor)) break;
                next = cursor->GetNextSibling();
            }
            cursor = next;
        }
    }
    return result;
}

void TShellTreeView::RefreshTree()
{
    for (TTreeNode* node = GetFirstNode(); node; node = node->GetNextVisible()) {
        TShellTreeItem* item = ItemOf(node);
        if (!item) continue;
        if (node->Expanded() || node->GetFirstChild()) FillNode(node);
        else item->AttachNode(static_cast<TShellTreeNode*>(node));
    }
}
