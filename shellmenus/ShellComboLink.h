#pragma once
// The shell combo box and a shell tree view as each knows the other. The tree
// lives above the combo box, in the views: the combo box sees only this side
// of it, and the tree sees the combo box only through its own side.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "shell/ShellUtils.h"

class TComponent;
class TShellComboLink;

// The tree view as a linked combo box knows it (TShellTreeView implements it).
class TShellComboTreeLink {
public:
    // The component whose removal the combo box hears of.
    virtual TComponent* TreeComponent() = 0;
    // The tree's folder, kept by the tree; none for an empty tree.
    virtual LPCITEMIDLIST SelectedFolderIDList() = 0;
    virtual void SelectIDList(LPCITEMIDLIST list) = 0;
    // Links the tree to another combo box; none lets go of the present one.
    virtual void SetShellComboBox(TShellComboLink* combo) = 0;

protected:
    ~TShellComboTreeLink() = default;
};

// The combo box as a linked tree knows it (TShellComboBox implements it).
class TShellComboLink {
public:
    virtual TComponent* ComboComponent() = 0;
    virtual void SetLinkedTree(TShellComboTreeLink* tree) = 0;
    virtual void SetShVirtuaItems(TShVirtuaItems value) = 0;
    virtual void SetIncludeHidden(bool value) = 0;
    virtual void RebuildList() = 0;
    virtual void SelectIDList(LPCITEMIDLIST list) = 0;
    virtual void BeginItemsUpdate() = 0;
    virtual void EndItemsUpdate() = 0;
    // A volume changed under the entry of that folder: its icons are fetched anew, its caption is `text`.
    virtual void ResetEntry(LPCITEMIDLIST list, const std::wstring& text) = 0;

protected:
    ~TShellComboLink() = default;
};
