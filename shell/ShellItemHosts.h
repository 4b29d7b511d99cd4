#pragma once
// What the item objects ask of the controls that hold them: a tree node for
// a folder item, the folder listing for a file row. The tree view and the
// listing implement these; the shell layer knows the views only this way.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>

#include "ui/ViewStyle.h"

class TShellFolderItem;
class TShellFileItem;

class TShellItemNode {
public:
    using TCompare = int (*)(TShellItemNode* node1, TShellItemNode* node2);

    virtual ~TShellItemNode() = default;
    // The folder item the node shows; none for a node without one.
    virtual TShellFolderItem* Item() const = 0;
    // The node's position counted over the whole tree.
    virtual int AbsoluteIndex() const = 0;
    virtual void SetHasChildren(bool value) = 0;
    virtual void SetOverlayIndex(int value) = 0;
    virtual void SetText(const std::wstring& value) = 0;
    virtual bool Expanded() const = 0;
    virtual void SetExpanded(bool value) = 0;
    virtual void DeleteChildren() = 0;
    // Orders the node and its siblings with the comparison.
    virtual void SortSiblings(TCompare compare) = 0;
    // Lets the tree fill the node's children from the shell again.
    virtual void Refill() = 0;
    virtual HWND TreeWindow() const = 0;
};

class TShellItemListing {
public:
    virtual ~TShellItemListing() = default;
    // Absolute list of the listed folder, owned by the listing; none before a folder is set.
    virtual LPCITEMIDLIST FolderIDList() const = 0;
    virtual int FolderLevel() const = 0;
    virtual Microsoft::WRL::ComPtr<IShellFolder> ShellFolder() const = 0;
    virtual TViewStyle ViewStyle() const = 0;
    // The list view's window.
    virtual HWND ListWindow() const = 0;
    // The row of the item; -1 when the listing does not hold it.
    virtual int IndexOf(const TShellFileItem* item) const = 0;
};
