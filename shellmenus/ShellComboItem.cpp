#include "shellmenus/ShellComboItem.h"

#include <algorithm>

#include "shellmenus/ShellComboBox.h"

// --- entries ----------------------------------------------------------------------------------

TShellComboItem::TShellComboItem(TShellComboList* comboList, bool temporary, TIDListPtr relativeIDList,
                                 TIDListPtr absoluteIDList, TShellComboItem* parentItem)
    : TShellDataItem(relativeIDList.release(), absoluteIDList.release()),
      FComboList(comboList),
      FParentItem(parentItem),
      FTemporary(temporary),
      FLevel(IDListLevel(FAbsoluteIDList.get()))
{
}

int TShellComboItem::ItemIndex() const
{
    return FComboList ? FComboList->IndexOf(this) : -1;
}

LPCITEMIDLIST TShellComboItem::ParentIDList()
{
    if (!FParentIDList) {
        // A child of the Desktop has the Desktop's empty list as its parent's, which joins like any other.
        if (FLevel == 1)
            SpecialFolderIDList(sfDesktop, FParentIDList);
        else
            FParentIDList.reset(ParentIDListOf(FAbsoluteIDList.get()));
    }
    return FParentIDList.get();
}

TShellComboItem* TShellComboItem::NextEntry() const
{
    const int index = ItemIndex();
    return index < 0 ? nullptr : FComboList->Items(index + 1);
}

TShellComboItem* TShellComboItem::PrevEntry() const
{
    const int index = ItemIndex();
    return index < 0 ? nullptr : FComboList->Items(index - 1);
}

TShellComboItem* TShellComboItem::FirstChild() const
{
    TShellComboItem* next = NextEntry();
    return next && next->FParentItem == this ? next : nullptr;
}

TShellComboItem* TShellComboItem::LastChild() const
{
    TShellComboItem* last = FirstChild();
    while (TShellComboItem* next = NextSibling(this, last)) last = next;
    return last;
}

TShellComboItem* TShellComboItem::NextSibling(const TShellComboItem* parent, const TShellComboItem* entry)
{
    if (!entry || entry->FParentItem != parent) return nullptr;
    const TShellComboList* list = entry->FComboList;
    const int index = entry->ItemIndex();
    if (index < 0) return nullptr;
    for (int i = index + 1; i < list->Count(); ++i) {
        TShellComboItem* other = list->Items(i);
        if (other->FLevel == entry->FLevel) return other->FParentItem == parent ? other : nullptr;
    }
    return nullptr;
}

TShellComboItem* TShellComboItem::PrevSibling(const TShellComboItem* parent, const TShellComboItem* entry)
{
    if (!entry || entry->FParentItem != parent) return nullptr;
    const TShellComboList* list = entry->FComboList;
    for (int i = entry->ItemIndex() - 1; i >= 0; --i) {
        TShellComboItem* other = list->Items(i);
        if (other->FLevel == entry->FLevel) return other->FParentItem == parent ? other : nullptr;
    }
    return nullptr;
}

void TShellComboItem::DeleteChildren()
{
    while (TShellComboItem* child = FirstChild()) {
        child->DeleteChildren();
        FComboList->DeleteEntry(child->ItemIndex());
    }
}

// --- the list ---------------------------------------------------------------------------------

TShellComboItem* TShellComboList::Items(int index) const
{
    return index >= 0 && index < Count() ? FItems[size_t(index)].get() : nullptr;
}

int TShellComboList::IndexOf(const TShellComboItem* entry) const
{
    auto found = std::find_if(FItems.begin(), FItems.end(), [entry](const auto& item) { return item.get() == entry; });
    return found == FItems.end() ? -1 : int(found - FItems.begin());
}

std::unique_ptr<TShellComboItem> TShellComboList::NewItem(TShellComboItem* parent, TIDListPtr absoluteIDList,
                                                          TIDListPtr relativeIDList)
{
    if (!absoluteIDList || !relativeIDList) return nullptr;
    return std::make_unique<TShellComboItem>(this, FComboBox->ListReady(), std::move(relativeIDList),
                                             std::move(absoluteIDList), parent);
}

TShellComboItem* TShellComboList::Insert(int index, std::unique_ptr<TShellComboItem> item)
{
    if (!item) return nullptr;
    TShellComboItem* entry = item.get();
    FItems.insert(FItems.begin() + index, std::move(item));
    FComboBox->InsertItem(index, std::wstring());
    return entry;
}

TShellComboItem* TShellComboList::InsertAfter(TShellComboItem* entry, std::unique_ptr<TShellComboItem> item)
{
    return Insert(entry ? IndexOf(entry) + 1 : 0, std::move(item));
}

TShellComboItem* TShellComboList::InsertBefore(TShellComboItem* entry, std::unique_ptr<TShellComboItem> item)
{
    const int index = IndexOf(entry);
    return index < 0 ? nullptr : Insert(index, std::move(item));
}

TShellComboItem* TShellComboList::AddChild(TShellComboItem* parent, std::unique_ptr<TShellComboItem> item)
{
    const int parentIndex = IndexOf(parent);
    if (!item || parentIndex < 0) return nullptr;
    item->FParentItem = parent;
    // Past the parent's subtree: its last child's own entries stay with that child.
    int index = parentIndex + 1;
    while (index < Count() && FItems[size_t(index)]->FLevel > parent->FLevel) ++index;
    return Insert(index, std::move(item));
}

void TShellComboList::DeleteEntry(int index)
{
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
    FComboBox->DeleteItem(index);
}

void TShellComboList::Clear()
{
    // The strings go first: a combo box that draws meanwhile finds no entry
    // rather than a freed one; an open list had shown the entries, so it closes.
    FComboBox->SetDroppedDown(false);
    FComboBox->BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i) FComboBox->DeleteItem(i);
    FItems.clear();
    FComboBox->EndUpdate();
}

void TShellComboList::RemoveTemporary()
{
    for (int i = Count() - 1; i >= 0; --i)
        if (FItems[size_t(i)]->FTemporary) DeleteEntry(i);
}
