#pragma once
// The shell combo box: a drop-down list of the namespace in the manner of an
// address box. It lists the Desktop, the Desktop's children, the children of
// the Desktop's first child and the chain of folders down to the folder
// selected at the moment, each entry with its small icon and indented by its
// depth; the closed control shows the selected folder by its path. It follows
// a linked shell tree view both ways, and a drop anywhere on it goes to the
// selected folder.
#include <windows.h>
#include <oleidl.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "shellmenus/ShellComboItem.h"
#include "shellmenus/ShellDragDrop.h"
#include "shellmenus/ShellComboLink.h"
#include "ui/ComboBox.h"

using TShellComboDragEnterEvent = TShellDragEnterEvent;
using TShellComboDragEvent = TShellDragEvent<TShellComboItem>;
using TShellComboDropEvent = TShellDropEvent<TShellComboItem>;

class TShellComboBox : public TCustomComboBox,
                       public TShellComboLink,
                       public TShellDropHost<TShellComboItem> {
public:
    // No window yet: Loaded, or the linked tree, makes it and with it the list.
    TShellComboBox(TComponent* owner, TWinControl* parent, const TBounds& bounds = {});
    ~TShellComboBox() override;

    // Makes the window, so that the list is there once the form is loaded.
    void Loaded();

    // TShellComboLink: what the linked tree view asks.
    TComponent* ComboComponent() override { return this; }
    void SetLinkedTree(TShellComboTreeLink* tree) override { FTree = tree; }
    void SetShVirtuaItems(TShVirtuaItems value) override { FShVirtuaItems = value; }
    void SetIncludeHidden(bool value) override { FIncludeHidden = value; }
    // Brings the permanent entries up to date with the shell; temporary ones go.
    void RebuildList() override;
    // Shows and selects the folder, listing the entries of its path that are missing.
    void SelectIDList(LPCITEMIDLIST list) override;
    void BeginItemsUpdate() override { BeginUpdate(); }
    void EndItemsUpdate() override { EndUpdate(); }
    void ResetEntry(LPCITEMIDLIST list, const std::wstring& text) override;

    // The index of the folder's entry, adding the missing entries of its path
    // as temporary ones; 0 (the Desktop) when the folder cannot be reached.
    int EntryOfIDList(LPCITEMIDLIST list);
    // The selected entry when it is valid; none otherwise.
    TShellComboItem* SelectedEntry() const;
    // The selected entry's absolute list, kept by the entry; none without one.
    LPCITEMIDLIST SelectedIDList() const;

    TShellComboList& ComboList() { return FComboList; }
    const TShellComboList& ComboList() const { return FComboList; }
    TShellComboTreeLink* LinkedTree() const { return FTree; }
    // False while the list is rebuilt: nothing is drawn then, and entries made then are permanent.
    bool ListReady() const { return FListReady; }
    bool IncludeHidden() const { return FIncludeHidden; }
    TShVirtuaItems ShVirtuaItems() const { return FShVirtuaItems; }

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Change() override;
    bool CNDrawItem(const DRAWITEMSTRUCT& draw) override;
    void DrawItem(int index, const RECT& rect, TOwnerDrawState state) override;
    void MeasureItem(int index, int& height) override;
    void SysFontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

    // TShellDropHost: the selected folder takes every drag; X and Y are screen coordinates.
    TObject* DragSender() override { return this; }
    HRESULT ShDragOver(DWORD keyState, POINT pt, DWORD& effect) override;
    void ShDragLeave() override;
    HRESULT ShDrop(DWORD keyState, POINT pt, DWORD& effect) override;

private:
    using TItems = std::vector<std::unique_ptr<TShellComboItem>>;
    TShellComboItem* AddDesktopEntry();
    // Merges the entry's listed children with a fresh enumeration of its folder.
    void FillChildren(TShellComboItem* entry);
    // The folder's subfolders as new entries of `parent`, filtered by kind and in the shell's order.
    int EnumChildren(IShellFolder* folder, TShellComboItem* parent, TItems& items);
    // Deletes a child that is gone, with its own entries; answers its next sibling.
    TShellComboItem* DeleteGoneChild(TShellComboItem* parent, TShellComboItem* child);
    // A new temporary entry for the first item of `relative` below `parent`.
    std::unique_ptr<TShellComboItem> PathEntry(TShellComboItem* parent, LPCITEMIDLIST parentList,
                                               LPCITEMIDLIST relative);
    TShellComboItem* FindEntry(LPCITEMIDLIST list) const;
    void RevokeDropTarget();

    bool FIncludeHidden = true;
    bool FListReady = false;
    bool FDrawingEdit = false;
    TIDListPtr FSavedIDList;
    TShVirtuaItems FShVirtuaItems{itBitBucket, itNetWork};
    TShellComboList FComboList{this};
    HIMAGELIST FImages;  // the system's small image list, shared: never destroyed here
    TShellComboTreeLink* FTree = nullptr;
    bool FDropRegistered = false;
};
