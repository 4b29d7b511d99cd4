#pragma once
// The tree-view base: the common controls' tree view with node objects.
// Nodes are made by the tree (CreateNode lets a descendant make its own kind),
// found from their items through the item's lParam, and freed by the tree as
// their items go; Delete runs for every node before it is freed, children
// first. Expansion, selection and label editing become overridable
// operations, and images are asked for when the control draws a node. The
// window is made on demand (see TLazyWinControl).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "ui/LazyWinControl.h"

class TCustomTreeView;
class TTreeNode;

using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::wstring& S)>;
// Negative when node1 goes first, 0 when they are alike.
using TTVCompare = std::function<int(TTreeNode* node1, TTreeNode* node2)>;

class TTreeNode {
public:
    explicit TTreeNode(TCustomTreeView* owner) : FOwner(owner) {}
    virtual ~TTreeNode() = default;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    HTREEITEM ItemId() const { return FItem; }
    TCustomTreeView* TreeView() const { return FOwner; }
    void* Data = nullptr;

    std::wstring Text() const;
    void SetText(const std::wstring& value);
    int ImageIndex = -1;
    int SelectedIndex = -1;
    // Zero-based index into the image list's overlays; -1 for none.
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int value);
    bool HasChildren() const;
    void SetHasChildren(bool value);
    // Drawn ghosted, as an item that was cut.
    bool Cut() const;
    void SetCut(bool value);
    bool DropTarget() const;
    void SetDropTarget(bool value);
    bool Selected() const;
    bool Expanded() const;
    // Expanding a closed node asks the tree's CanExpand first, as a click on the button
    // does; an open node asks nobody, as the control does not.
    void Expand(bool recurse);
    void Collapse(bool recurse);
    void SetExpanded(bool value);
    bool EditText();

    TTreeNode* Parent() const;
    TTreeNode* GetFirstChild() const;
    TTreeNode* GetLastChild() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node in depth-first order, expanded or not.
    TTreeNode* GetNext() const;
    // The next node shown when every expanded node is open.
    TTreeNode* GetNextVisible() const;
    int Count() const;
    // 0 for a top node.
    int Level() const;
    // The node's position in depth-first order over the whole tree.
    int AbsoluteIndex() const;
    // Every ancestor is expanded.
    bool IsVisible() const;

    void Delete();
    void DeleteChildren();
    // Orders the children; an expanded node keeps its place among them.
    void CustomSort(const TTVCompare& compare);

private:
    UINT State(UINT mask) const;
    void SetState(UINT mask, UINT value);

    TCustomTreeView* FOwner;
    HTREEITEM FItem = nullptr;
    int FOverlayIndex = -1;

    friend class TCustomTreeView;
};

class TCustomTreeView : public TLazyWinControl {
public:
    // The window comes with HandleNeeded. Bounds are layout pixels.
    TCustomTreeView(TComponent* owner, TWinControl* parent, const TBounds& bounds);
    ~TCustomTreeView() override;

    // Nodes: none while the tree is empty or has no window.
    TTreeNode* GetFirstNode() const;
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    TTreeNode* DropTarget() const;
    void SetDropTarget(TTreeNode* node);
    TTreeNode* NodeFromItem(HTREEITEM item) const;
    TTreeNode* GetNodeAt(int x, int y) const;
    // TVHT_* flags of the point (client coordinates).
    UINT HitTest(int x, int y) const;
    int NodeCount() const { return int(FNodes.size()); }

    // A new last child of `parent` (a top node for none); the node takes `data`.
    TTreeNode* AddChild(TTreeNode* parent, const std::wstring& text, void* data);
    // A new node just before `sibling`, under the same parent.
    TTreeNode* InsertBefore(TTreeNode* sibling, const std::wstring& text, void* data);
    void ClearNodes();
    // Holds the control's drawing while nodes change; counted.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool AutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    // The plus and minus buttons beside nodes that have children.
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool value);
    // Lines and buttons also for the top nodes.
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool value);
    // A tip shows a node's text that the control cuts off.
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool value);
    // The selection spans the whole row; the control draws it so only without lines.
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);
    // Nodes light up under the pointer.
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    int Indent() const;
    void SetIndent(int value);
    void SetImageList(HIMAGELIST images);
    // Ends an in-place edit; the text is kept unless cancelled.
    void EndEditing(bool cancel);
    bool IsEditing() const;

    TTVExpandingEvent OnExpanding;
    TTVChangingEvent OnChanging;
    TTVChangedEvent OnChange;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVChangedEvent OnDeletion;
    TTVChangedEvent OnGetImageIndex;
    TTVChangedEvent OnGetSelectedIndex;
    TContextPopupEvent OnContextPopup;

protected:
    void CreateWnd() override;
    // The nodes go with the window.
    void DestroyWnd() override;
    // The window style; descendants add their bits.
    virtual DWORD CreateParams(DWORD style) const;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT CNNotify(NMHDR& header) override;

    virtual std::unique_ptr<TTreeNode> CreateNode();
    virtual bool CanExpand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual bool CanChange(TTreeNode* node);
    virtual void Change(TTreeNode* node);
    virtual bool CanEdit(TTreeNode* node);
    virtual void Edit(TTreeNode* node, std::wstring& text);
    // Runs for a node about to be freed, after its children.
    virtual void Delete(TTreeNode* node);
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // True while every node goes with the window: no selection change is reported.
    bool ClearingNodes() const { return FClearing > 0; }

private:
    TTreeNode* InsertNode(HTREEITEM parent, HTREEITEM after, const std::wstring& text, void* data);
    // Frees the node objects of an item's subtree (the control deletes the items).
    void ForgetSubtree(HTREEITEM item);
    void DeleteNode(TTreeNode* node);
    LRESULT GetDispInfo(NMTVDISPINFOW& info);
    LRESULT ItemExpanding(const NMTREEVIEWW& info);
    LRESULT SelChanging(const NMTREEVIEWW& info);
    LRESULT EndLabelEdit(NMTVDISPINFOW& info);
    LRESULT WMContextMenu(WPARAM wParam, LPARAM lParam);
    void ApplyStyle();
    // Compare, store, and put the style into a live window.
    void ChangeStyleFlag(bool& flag, bool value);

    std::unordered_map<HTREEITEM, std::unique_ptr<TTreeNode>> FNodes;
    TTreeNode* FExpandingByCode = nullptr;
    TTreeNode* FDropTarget = nullptr;
    int FUpdateCount = 0;
    int FClearing = 0;
    int FIndent = 19;
    bool FReadOnly = false;
    bool FAutoExpand = false;
    bool FHideSelection = true;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FToolTips = true;
    bool FRowSelect = false;
    bool FHotTrack = false;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    HIMAGELIST FImages = nullptr;

    friend class TTreeNode;
};
