#pragma once
// A tree node's item: a folder of the namespace, with its absolute list.
#include "shell/ShellDataItem.h"
#include "shell/ShellItemHosts.h"

class TShellFolderItem : public TShellDataItem {
public:
    // Takes ownership of both lists; the node may come later through AttachNode.
    TShellFolderItem(TShellItemNode* node, LPITEMIDLIST relativeIDList, LPITEMIDLIST absoluteIDList);

    int ItemIndex() const override;
    int Level() override;
    LPCITEMIDLIST ParentIDList() override;
    LPCITEMIDLIST AbsoluteIDList() override;
    bool IsValid() const override;

    TShellItemNode* Node() const { return FNode; }
    // Shows the item on the node: its has-children flag and its overlay.
    void AttachNode(TShellItemNode* node);
    // Gives the item a new name through its folder; the node shows the name it ends with.
    bool Rename(const std::wstring& newName);

    // The tree's order of sibling nodes: the parent folder's CompareIDs; 0 when it cannot tell.
    static int CompareFolderNodes(TShellItemNode* node1, TShellItemNode* node2);

private:
    void RefreshNodeAfterRename();

    TShellItemNode* FNode;
};
