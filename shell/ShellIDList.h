#pragma once
// A selection as it travels between the shell controls, the context menu and
// drag and drop: a parent folder's absolute list and the relative lists of
// the chosen children, with the folder-wide questions answered for all of
// them at once. TShellIDList borrows its lists, which must outlive it;
// TShellIDList2 owns its lists.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "shell/ShellIDFunc.h"
#include "shell/ShellUtils.h"
#include "ui/Component.h"

class TShellIDList : public TObject {
public:
    int Count() const { return int(FItems.size()); }
    // Appends a borrowed relative list.
    void Add(LPCITEMIDLIST item) { FItems.push_back(item); }
    virtual void Clear();

    // The entry, or none outside 0..Count-1.
    LPCITEMIDLIST IDList(int index) const;
    // The entries as one array for the shell's (count, array) calls; none when empty.
    LPCITEMIDLIST* IDListArray();
    LPCITEMIDLIST ParentIDList() const { return FParentIDList; }
    // Borrowed, like the entries.
    void SetParentIDList(LPCITEMIDLIST list) { FParentIDList = list; }

    int ParentLevel() const;
    // The parent's folder; the Desktop folder itself when the parent is the Desktop.
    Microsoft::WRL::ComPtr<IShellFolder> ParentShellFolder() const;
    // The capabilities (SFGAO_CAPABILITYMASK bits) that every entry has; 0 when not known.
    ULONG CommonAttributes() const;
    bool AllHaveAttribute(TShItemAttribute attribute) const;
    // The file-system path of the entry; empty when it has none.
    std::wstring ItemPath(int index) const;

private:
    // Asks the parent folder for `mask` on all entries; 0 without entries or an answer.
    ULONG AttributesOfAll(ULONG mask) const;

    std::vector<LPCITEMIDLIST> FItems;
    LPCITEMIDLIST FParentIDList = nullptr;
};

class TShellIDList2 : public TShellIDList {
public:
    using TShellIDList::Add;
    using TShellIDList::SetParentIDList;
    // Appends a relative list that this object frees.
    void Add(TIDListPtr item);
    // Takes the parent list over, freeing one it owned before.
    void SetParentIDList(TIDListPtr list);
    // Frees every owned entry and the owned parent list, then empties.
    void Clear() override;
    // Becomes an owned copy of the lists of `source`, which may borrow its own.
    void Assign(const TShellIDList& source);

private:
    std::vector<TIDListPtr> FOwnedItems;
    TIDListPtr FOwnedParent;
};
