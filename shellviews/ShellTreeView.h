#pragma once
// The shell tree view: the namespace as a folder hierarchy rooted at the
// Desktop. Children are enumerated when a node is first expanded and merged
// with the existing ones when folders change, so expansion and selection
// survive. The tree drives a linked list view (and combo box): its selected
// node is the folder they show.
#include <windows.h>
#include <oleidl.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/ShellCtrlList.h"
#include "shell/ShellFolderItem.h"
#include "shell/ShellIDList.h"
#include "shellmenus/ShellComboLink.h"
#include "shellmenus/ShellDragDrop.h"
#include "shell/ShellNotify.h"
#include "shellviews/ShellListView.h"
#include "ui/TreeView.h"

class TShellPopupMenu;
class TShellTreeView;

// A tree node's folder item.
class TShellTreeItem : public TShellFolderItem {
public:
    using TShellFolderItem::TShellFolderItem;
    // A child found in `parentFolder`, which it keeps instead of binding it again.
    TShellTreeItem(LPITEMIDLIST relativeIDList, LPITEMIDLIST absoluteIDList, IShellFolder* parentFolder)
        : TShellFolderItem(nullptr, relativeIDList, absoluteIDList)
    {
        FParentFolder = parentFolder;
    }
};

class TShellTreeNode : public TTreeNode, public TShellItemNode {
public:
    explicit TShellTreeNode(TShellTreeView* tree);

    TShellTreeItem* ShellItem() const { return static_cast<TShellTreeItem*>(Data); }

    // TShellItemNode
    TShellFolderItem* Item() const override { return ShellItem(); }
    int AbsoluteIndex() const override { return TTreeNode::AbsoluteIndex(); }
    void SetHasChildren(bool value) override { TTreeNode::SetHasChildren(value); }
    void SetOverlayIndex(int value) override { TTreeNode::SetOverlayIndex(value); }
    void SetText(const std::wstring& value) override { TTreeNode::SetText(value); }
    bool Expanded() const override { return TTreeNode::Expanded(); }
    void SetExpanded(bool value) override { TTreeNode::SetExpanded(value); }
    void DeleteChildren() override { TTreeNode::DeleteChildren(); }
    void SortSiblings(TCompare compare) override;
    void Refill() override;
    HWND TreeWindow() const override;

private:
    TShellTreeView* FTree;
};

using TShellTreeDragEnterEvent = TShellDragEnterEvent;
using TShellTreeDragEvent = TShellDragEvent<TTreeNode>;
using TShellTreeDropEvent = TShellDropEvent<TTreeNode>;
using TShTreeBeginDragEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, POINT Pt, int X, int Y, bool& CanDrag)>;

class TShellTreeView : public TCustomTreeView,
                       public TShellTreeLink,
                       public TShellComboTreeLink,
                       public TShellDeviceClient,
                       public TShellDropHost<TTreeNode> {
public:
    // The private message with which the tree takes the system's icons again after a settings change.
    static constexpr UINT WM_REBUILD = WM_USER + 1;

    TShellTreeView(TComponent* owner, TWinControl* parent, const TBounds& bounds = {});
    ~TShellTreeView() override;

    // Makes the window (the root, selected) and hands the linked views the tree's settings and folder.
    void Loaded();

    // TShellTreeLink: what the linked list view asks.
    bool SelectedFolderIDList(TIDListPtr& folder) override;
    void SelectIDList(LPCITEMIDLIST list) override;
    void SetIncludeHidden(bool value) override;
    void SetShVirtuaItems(TShVirtuaItems value) override;
    void RefreshTree() override;

    // TShellComboTreeLink: what the linked combo box asks besides.
    TComponent* TreeComponent() override { return this; }
    // The selected folder's absolute list, else the root's; none for an empty tree. The tree keeps it.
    LPCITEMIDLIST SelectedFolderIDList() override;
    // The node of the folder; the root when it cannot be found.
    TTreeNode* FindNodeByIDList(LPCITEMIDLIST list);
    // Builds the node's children anew from the shell, keeping the nodes that still exist.
    void FillNode(TTreeNode* node);
    void PauseWatch();
    void ResumeWatch();
    // The directory watcher's two reports; public so that a record can be handed in directly.
    void DirectoriesChanged();
    void DeviceChanged(std::unique_ptr<TDeviceChangeData> record);

    static TShellTreeItem* ItemOf(const TTreeNode* node);
    // The root paths of the fixed drives, as the watcher gets them.
    const std::vector<std::wstring>& WatchedDrives() const { return FWatchedDrives; }

    bool IncludeHidden() const { return FIncludeHidden; }
    TShVirtuaItems ShVirtuaItems() const { return FShVirtuaItems; }
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool value);
    TShellListView* ShellListView() const { return FListView; }
    void SetShellListView(TShellListView* view);
    TShellComboLink* ShellComboBox() const { return FCombo; }
    void SetShellComboBox(TShellComboLink* combo) override;
    TShellPopupMenu* ShellPopupMenu() const { return FPopupMenu; }
    void SetShellPopupMenu(TShellPopupMenu* menu);
    // 0 idle, 1 left or 2 right button down on a node, 3 a drag runs.
    BYTE MouseState() const { return FMouseState; }

    TShTreeBeginDragEvent OnShBeginDrag;


protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    DWORD CreateParams(DWORD style) const override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::unique_ptr<TTreeNode> CreateNode() override;
    bool CanExpand(TTreeNode* node) override;
    bool CanChange(TTreeNode* node) override;
    void Change(TTreeNode* node) override;
    bool CanEdit(TTreeNode* node) override;
    void Edit(TTreeNode* node, std::wstring& text) override;
    void Delete(TTreeNode* node) override;
    void GetImageIndex(TTreeNode* node) override;
    void GetSelectedIndex(TTreeNode* node) override;
    void DoContextPopup(POINT mousePos, bool& handled) override;
    void WinIniChange() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual bool DoShBeginDrag(POINT start, int x, int y);

    // TShellDropHost: the node under the pointer takes the drag; X and Y are client coordinates.
    TObject* DragSender() override;
    void DragAccepted() override;
    HRESULT ShDragOver(DWORD keyState, POINT pt, DWORD& effect) override;
    void ShDragLeave() override;
    HRESULT ShDrop(DWORD keyState, POINT pt, DWORD& effect) override;
    bool DoShDragDrop(TTreeNode* node, DWORD keyState, POINT pt, DWORD& effect) override;

    // TShellDeviceClient: the record travels through the watcher, which lets bursts settle.
    void ShellDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind) override;

    using TItems = std::vector<std::unique_ptr<TShellTreeItem>>;
    // The folder's subfolders as items, filtered by kind and sorted in the shell's order:
    // every read of a folder by the tree.
    virtual int EnumSubFolders(IShellFolder* folder, TShellTreeItem* parent, TItems& items);

private:
    TTreeNode* AddItemNode(TTreeNode* parent, TTreeNode* before, std::unique_ptr<TShellTreeItem> item);
    void BuildRoot();
    bool FillForExpansion(TTreeNode* node);
    void FillWatchedDrives();
    void MakeWatcher();
    void ListFolder(LPCITEMIDLIST list);
    void RefreshWithCombo();
    // The node that the record names; none when the tree does not show it.
    TTreeNode* DeviceNode(const TDeviceChangeData& record);
    LRESULT WMLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT WMLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT WMRButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT WMMouseMove(WPARAM wParam, LPARAM lParam);
    void ButtonReleased();
    // A move with a button held on a node: a drag starts, or the gesture ends here.
    void DragGesture(int x, int y);
    void StartDrag(TTreeNode* node);
    void Rebuild();
    void RevokeDropTarget();

    bool FIncludeHidden = true;
    bool FCheckboxes = false;
    bool FWindowGone = false;
    TIDListPtr FSavedSelection;
    BYTE FMouseState = 0;
    POINT FMouseDown{};
    int FHoverCount = 0;  // drag-overs in a row on the highlighted node
    TShVirtuaItems FShVirtuaItems{itBitBucket, itNetWork};
    std::vector<std::wstring> FWatchedDrives;
    TShellIDList FContextIDList;
    TShDirWatcher* FWatcher = nullptr;
    bool FDropRegistered = false;
    bool FDestroying = false;
    TShellPopupMenu* FPopupMenu = nullptr;
    TShellComboLink* FCombo = nullptr;
    TShellListView* FListView = nullptr;
};
