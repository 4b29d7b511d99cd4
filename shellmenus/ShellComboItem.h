#pragma once
// The combo box's entries: folders of the namespace kept as a tree stored
// flat. The list holds them in display order with each entry directly
// followed by its own subtree, so an entry's depth is its Level and its
// children are the entries after it that name it as their parent. The list
// keeps the combo box's strings parallel to itself: one empty string per
// entry, at the entry's index; everything shown is drawn from the entries.
#include <memory>
#include <vector>

#include "shell/ShellDataItem.h"

class TShellComboBox;
class TShellComboList;

class TShellComboItem : public TShellDataItem {
public:
    // Pixels of indent per level in the open list.
    static constexpr int kIndentPerLevel = 12;

    // Takes ownership of both lists. A temporary entry shows the path of a selected folder.
    TShellComboItem(TShellComboList* comboList, bool temporary, TIDListPtr relativeIDList,
                    TIDListPtr absoluteIDList, TShellComboItem* parentItem);

    int ItemIndex() const override;
    int Level() override { return FLevel; }
    LPCITEMIDLIST ParentIDList() override;
    LPCITEMIDLIST AbsoluteIDList() override { return FAbsoluteIDList.get(); }
    bool IsValid() const override { return FAbsoluteIDList && FRelativeIDList; }

    TShellComboItem* ParentItem() const { return FParentItem; }
    bool Temporary() const { return FTemporary; }
    int Indent() const { return FLevel * kIndentPerLevel; }
    // The folder that listed the entry, so that the entry need not bind it again.
    void ShareParentFolder(IShellFolder* folder) { FParentFolder = folder; }

    // The entry after this one in display order; none at the end or when the entry is not listed.
    TShellComboItem* NextEntry() const;
    // The entry before this one; none at the start or when the entry is not listed.
    TShellComboItem* PrevEntry() const;
    TShellComboItem* FirstChild() const;
    // The last of the entry's children; none when it has none.
    TShellComboItem* LastChild() const;
    // The next (previous) entry of the same level, when `entry` and it are both children of `parent`.
    static TShellComboItem* NextSibling(const TShellComboItem* parent, const TShellComboItem* entry);
    static TShellComboItem* PrevSibling(const TShellComboItem* parent, const TShellComboItem* entry);
    // Deletes every listed descendant, each child after its own children.
    void DeleteChildren();

private:
    TShellComboList* FComboList;
    TShellComboItem* FParentItem;
    bool FTemporary;
    int FLevel;  // the absolute list never changes

    friend class TShellComboList;
};

class TShellComboList {
public:
    explicit TShellComboList(TShellComboBox* comboBox) : FComboBox(comboBox) {}
    TShellComboList(const TShellComboList&) = delete;
    TShellComboList& operator=(const TShellComboList&) = delete;

    int Count() const { return int(FItems.size()); }
    // The entry at the index; none outside 0 .. Count - 1.
    TShellComboItem* Items(int index) const;
    TShellComboItem* First() const { return Items(0); }
    TShellComboItem* Last() const { return Items(Count() - 1); }
    // -1 when the entry is not listed.
    int IndexOf(const TShellComboItem* entry) const;

    // A new entry, temporary unless the combo box is rebuilding its list;
    // none when either list is missing. It is not listed yet.
    std::unique_ptr<TShellComboItem> NewItem(TShellComboItem* parent, TIDListPtr absoluteIDList,
                                             TIDListPtr relativeIDList);
    // Each answers the entry it listed, none for none.
    TShellComboItem* InsertAfter(TShellComboItem* entry, std::unique_ptr<TShellComboItem> item);
    TShellComboItem* InsertBefore(TShellComboItem* entry, std::unique_ptr<TShellComboItem> item);
    // The parent's last child: after the parent's whole subtree, so that
    // every entry stays directly followed by its own.
    TShellComboItem* AddChild(TShellComboItem* parent, std::unique_ptr<TShellComboItem> item);
    // Frees the entry at the index and takes its string out of the combo box.
    void DeleteEntry(int index);
    // Deletes the temporary entries, from the last to the first.
    void RemoveTemporary();
    // Frees every entry and takes every string out of the combo box.
    void Clear();

private:
    TShellComboItem* Insert(int index, std::unique_ptr<TShellComboItem> item);

    TShellComboBox* FComboBox;
    std::vector<std::unique_ptr<TShellComboItem>> FItems;
};
