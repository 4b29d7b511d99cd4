#include "shellmenus/ShellComboBox.h"

#include <algorithm>

#include "ui/Exceptions.h"

using Microsoft::WRL::ComPtr;

namespace {
// Holds the control's drawing and marks the list as being rebuilt until it goes, also on failure.
class TRebuildScope {
public:
    TRebuildScope(TCustomComboBox& combo, bool& listReady) : FCombo(combo), FListReady(listReady)
    {
        FCombo.BeginUpdate();
    }
    ~TRebuildScope()
    {
        if (FCombo.ItemIndex() < 0) FCombo.SetItemIndex(0);
        FListReady = true;
        FCombo.EndUpdate();
    }
    TRebuildScope(const TRebuildScope&) = delete;
    TRebuildScope& operator=(const TRebuildScope&) = delete;

private:
    TCustomComboBox& FCombo;
    bool& FListReady;
};
}  // namespace

// --- life -------------------------------------------------------------------------------------

TShellComboBox::TShellComboBox(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TCustomComboBox(owner, parent, bounds), FImages(SystemImageList(false))
{
    SetStyle(csOwnerDrawVariable);
}

TShellComboBox::~TShellComboBox()
{
    // The tree lets go while this object is whole: it still asks the link questions as it does.
    if (FTree) FTree->SetShellComboBox(nullptr);
    if (HandleAllocated()) DestroyWnd();
}

void TShellComboBox::Loaded()
{
    HandleNeeded();
}

void TShellComboBox::CreateWnd()
{
    TCustomComboBox::CreateWnd();
    RebuildList();
    if (FSavedIDList) {
        SelectIDList(FSavedIDList.get());
        FSavedIDList.reset();
    } else if (FTree) {
        // A window made after the tree chose its folder shows that folder, not the Desktop.
        SelectIDList(FTree->SelectedFolderIDList());
    }
    OleCheck(RegisterDragDrop(Handle(), static_cast<IDropTarget*>(this)));
    FDropRegistered = true;
}

void TShellComboBox::DestroyWnd()
{
    FSavedIDList.reset(CopyIDList(SelectedIDList()));
    RevokeDropTarget();
    TCustomComboBox::DestroyWnd();
}

void TShellComboBox::RevokeDropTarget()
{
    if (!FDropRegistered || !HandleAllocated()) return;
    FDropRegistered = false;
    // Also reached from the destructor: a registration that is already gone leaves nothing to undo.
    RevokeDragDrop(Handle());
}

LRESULT TShellComboBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        // Destroyed with its form: the registration goes while the window is still there.
        RevokeDropTarget();
        break;
    }
    return TCustomComboBox::WndProc(message, wParam, lParam);
}

void TShellComboBox::SysFontChanged()
{
    const int before = FontHeight();
    TCustomComboBox::SysFontChanged();
    // The items were measured in the old font: a new window measures them again.
    if (DesktopFont() && FontHeight() != before) RecreateWnd();
}

void TShellComboBox::Notification(TComponent* component, TOperation operation)
{
    TCustomComboBox::Notification(component, operation);
    if (operation == TOperation::opRemove && FTree && component == FTree->TreeComponent()) FTree = nullptr;
}

// --- the list ---------------------------------------------------------------------------------

void TShellComboBox::RebuildList()
{
    FListReady = false;
    if (!HandleAllocated()) return;
    TRebuildScope scope(*this, FListReady);
    FComboList.RemoveTemporary();
    TShellComboItem* root = FComboList.First();
    if (!root) root = AddDesktopEntry();
    if (!root) return;
    FillChildren(root);
    if (TShellComboItem* first = root->FirstChild()) FillChildren(first);
}

// The Desktop's entry takes its name, icons, path and drop target from the Desktop's directory.
TShellComboItem* TShellComboBox::AddDesktopEntry()
{
    TIDListPtr desktop, directory;
    SpecialFolderIDList(sfDesktop, desktop);
    SpecialFolderIDList(sfDesktopDirectory, directory);
    return FComboList.InsertAfter(nullptr, FComboList.NewItem(nullptr, std::move(desktop), std::move(directory)));
}

void TShellComboBox::FillChildren(TShellComboItem* entry)
{
    IShellFolder* parentFolder = entry && entry->IsValid() ? entry->ParentFolder() : nullptr;
    if (!parentFolder) return;
    ComPtr<IShellFolder> folder;
    if (entry->Level() == 0)
        parentFolder->QueryInterface(IID_PPV_ARGS(&folder));
    else
        parentFolder->BindToObject(entry->RelativeIDList(), nullptr, IID_PPV_ARGS(&folder));
    if (!folder) return;
    TItems fresh;
    EnumChildren(folder.Get(), entry, fresh);
    TShellComboItem* old = entry->FirstChild();
    for (size_t i = 0; i < fresh.size();) {
        if (!old || !old->IsValid()) {
            FComboList.AddChild(entry, std::move(fresh[i++]));
            continue;
        }
        switch (CompareItemIDs(folder.Get(), old->RelativeIDList(), fresh[i]->RelativeIDList())) {
        case crSame:
            old = TShellComboItem::NextSibling(entry, old);
            ++i;
            break;
        case crGreater:
            FComboList.InsertBefore(old, std::move(fresh[i++]));
            break;
        default:
            // It sorts before the next folder there is: it no longer exists.
            old = DeleteGoneChild(entry, old);
        }
    }
    while (old) old = DeleteGoneChild(entry, old);
}

TShellComboItem* TShellComboBox::DeleteGoneChild(TShellComboItem* parent, TShellComboItem* child)
{
    TShellComboItem* next = TShellComboItem::NextSibling(parent, child);
    // Its own entries would be left naming a parent that is no more.
    child->DeleteChildren();
    FComboList.DeleteEntry(child->ItemIndex());
    return next;
}

int TShellComboBox::EnumChildren(IShellFolder* folder, TShellComboItem* parent, TItems& items)
{
    items.clear();
    SHCONTF flags = SHCONTF_FOLDERS;
    if (FIncludeHidden) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(Handle(), flags, &enumerator) != S_OK || !enumerator) return 0;
    const int parentLevel = parent->Level();
    // Only the Desktop and the two virtual folders below it filter their children.
    const TShItemIDType parentType = parentLevel <= 1 ? parent->ItemType() : itFolder;
    LPITEMIDLIST next = nullptr;
    while (enumerator->Next(1, &next, nullptr) == S_OK) {
        TIDListPtr relative(next);
        TIDListPtr absolute(parentLevel == 0 ? CopyIDList(relative.get())
                                             : ConcatIDLists(parent->AbsoluteIDList(), relative.get()));
        std::unique_ptr<TShellComboItem> item = FComboList.NewItem(parent, std::move(absolute), std::move(relative));
        if (!item) continue;
        item->ShareParentFolder(folder);
        if (item->ShownUnder(parentType, FShVirtuaItems)) items.push_back(std::move(item));
    }
    // A failed comparison counts as equal; a stable sort stays sound when the shell is not consistent.
    std::stable_sort(items.begin(), items.end(), [folder](const auto& a, const auto& b) {
        return CompareItemIDs(folder, a->RelativeIDList(), b->RelativeIDList()) == crLess;
    });
    return int(items.size());
}

// --- selection --------------------------------------------------------------------------------

TShellComboItem* TShellComboBox::SelectedEntry() const
{
    TShellComboItem* entry = FComboList.Items(ItemIndex());
    return entry && entry->IsValid() ? entry : nullptr;
}

LPCITEMIDLIST TShellComboBox::SelectedIDList() const
{
    TShellComboItem* entry = SelectedEntry();
    return entry ? entry->AbsoluteIDList() : nullptr;
}

void TShellComboBox::SelectIDList(LPCITEMIDLIST list)
{
    TShellComboItem* selected = SelectedEntry();
    if (!list || !FListReady || !selected) return;
    if (selected->Level() == IDListLevel(list) && IsSameIDList(selected->AbsoluteIDList(), list)) return;
    // The list may belong to an entry that is about to go.
    TIDListPtr wanted(CopyIDList(list));
    FComboList.RemoveTemporary();
    SetItemIndex(EntryOfIDList(wanted.get()));
}

std::unique_ptr<TShellComboItem> TShellComboBox::PathEntry(TShellComboItem* parent, LPCITEMIDLIST parentList,
                                                           LPCITEMIDLIST relative)
{
    TIDListPtr item(CopyFirstItemID(relative));
    TIDListPtr absolute(ConcatIDLists(parentList, item.get()));
    return FComboList.NewItem(parent, std::move(absolute), std::move(item));
}

int TShellComboBox::EntryOfIDList(LPCITEMIDLIST list)
{
    if (IDListLevel(list) <= 0) return 0;
    LPCITEMIDLIST rest = list;
    TShellComboItem* entry = FComboList.Items(1);
    // A parent's children are read again at most once: a folder that the
    // enumeration does not list lies between two siblings, and the walk must
    // not swing between them for ever.
    const TShellComboItem* refilled = nullptr;
    while (entry && entry->IsValid()) {
        IShellFolder* folder = entry->ParentFolder();
        if (!folder) break;
        TIDListPtr first(CopyFirstItemID(rest));
        TShellComboItem* parent = entry->ParentItem();
        switch (CompareItemIDs(folder, entry->RelativeIDList(), first.get())) {
        case crSame:
            rest = NextIDListItem(rest);
            if (!rest) return entry->ItemIndex();
            if (TShellComboItem* child = entry->FirstChild())
                entry = child;
            else
                entry = FComboList.InsertAfter(entry, PathEntry(entry, entry->AbsoluteIDList(), rest));
            break;
        case crGreater: {
            // Only the Desktop's and the drives folder's children are all listed.
            const bool complete = entry->Level() == 1 || (parent && parent->ItemType() == itMyComputer);
            if (!complete || parent == refilled) return 0;
            FillChildren(parent);
            refilled = parent;
            if (FComboList.IndexOf(entry) < 0) return 0;  // only entries that existed before went
            entry = TShellComboItem::PrevSibling(parent, entry);
            break;
        }
        case crLess:
            if (TShellComboItem* next = TShellComboItem::NextSibling(parent, entry))
                entry = next;
            else
                entry = FComboList.AddChild(parent, PathEntry(parent, entry->ParentIDList(), first.get()));
            break;
        case crFailed:
            return 0;
        }
    }
    return 0;
}

TShellComboItem* TShellComboBox::FindEntry(LPCITEMIDLIST list) const
{
    const int level = IDListLevel(list);
    for (int i = 0; i < FComboList.Count(); ++i) {
        TShellComboItem* entry = FComboList.Items(i);
        if (entry->Level() == level && IsSameIDList(entry->AbsoluteIDList(), list)) return entry;
    }
    return nullptr;
}

// Only an entry that is there already: a volume's record must not add one, nor rename another.
void TShellComboBox::ResetEntry(LPCITEMIDLIST list, const std::wstring& text)
{
    TShellComboItem* entry = FindEntry(list);
    if (!entry) return;
    entry->ResetIcons();
    entry->SetCachedName(text);
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TShellComboBox::Change()
{
    TCustomComboBox::Change();
    TShellComboItem* entry = SelectedEntry();
    if (!entry) return;
    if (!entry->Temporary()) {
        FComboList.RemoveTemporary();
    } else if (TShellComboItem* child = entry->FirstChild(); child && child->Temporary()) {
        // The deeper path below the chosen folder goes.
        entry->DeleteChildren();
    }
    if (!FTree) return;
    // The tree may rebuild this list while it searches, and the entry with it.
    TIDListPtr folder(CopyIDList(entry->AbsoluteIDList()));
    FTree->SelectIDList(folder.get());
}
