#include "ui/TreeView.h"


#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace {
constexpr SIZE kDefaultSize{121, 97};
constexpr UINT kExpandActions = 0x0003;  // TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE

int CALLBACK CompareNodes(LPARAM node1, LPARAM node2, LPARAM compare)
{
    return (*reinterpret_cast<const TTVCompare*>(compare))(reinterpret_cast<TTreeNode*>(node1),
                                                          reinterpret_cast<TTreeNode*>(node2));
}
}  // namespace

// --- nodes ----------------------------------------------------------------------------------

std::wstring TTreeNode::Text() const
{
    wchar_t buffer[1024] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = FItem;
    item.pszText = buffer;
    item.cchTextMax = int(std::size(buffer));
    TreeView_GetItem(FOwner->Handle(), &item);
    return buffer;
}

void TTreeNode::SetText(const std::wstring& value)
{
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = FItem;
    item.pszText = const_cast<wchar_t*>(value.c_str());
    TreeView_SetItem(FOwner->Handle(), &item);
}

UINT TTreeNode::State(UINT mask) const
{
    return TreeView_GetItemState(FOwner->Handle(), FItem, mask) & mask;
}

void TTreeNode::SetState(UINT mask, UINT value)
{
    TreeView_SetItemState(FOwner->Handle(), FItem, value, mask);
}

void TTreeNode::SetOverlayIndex(int value)
{
    FOverlayIndex = value;
    SetState(TVIS_OVERLAYMASK, value >= 0 ? INDEXTOOVERLAYMASK(value + 1) : 0);
}

bool TTreeNode::HasChildren() const
{
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = FItem;
    TreeView_GetItem(FOwner->Handle(), &item);
    return item.cChildren != 0;
}

void TTreeNode::SetHasChildren(bool value)
{
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = FItem;
    item.cChildren = value ? 1 : 0;
    TreeView_SetItem(FOwner->Handle(), &item);
}

bool TTreeNode::Cut() const { return State(TVIS_CUT) != 0; }

void TTreeNode::SetCut(bool value) { SetState(TVIS_CUT, value ? TVIS_CUT : 0); }

bool TTreeNode::DropTarget() const { return FOwner->DropTarget() == this; }

void TTreeNode::SetDropTarget(bool value)
{
    if (value) FOwner->SetDropTarget(this);
    else if (DropTarget()) FOwner->SetDropTarget(nullptr);
}

bool TTreeNode::Selected() const { return TreeView_GetSelection(FOwner->Handle()) == FItem; }

bool TTreeNode::Expanded() const { return State(TVIS_EXPANDED) != 0; }

void TTreeNode::Expand(bool recurse)
{
    // An open node does not open again: nobody is asked, as the control asks nobody.
    if (!Expanded()) {
        if (!FOwner->CanExpand(this)) return;
        // The control asks once more only the first time; that question is answered already.
        TTreeNode* outer = std::exchange(FOwner->FExpandingByCode, this);
        TreeView_Expand(FOwner->Handle(), FItem, TVE_EXPAND);
        FOwner->FExpandingByCode = outer;
    }
    if (!recurse) return;
    for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling()) child->Expand(true);
}

void TTreeNode::Collapse(bool recurse)
{
    if (recurse)
        for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling()) child->Collapse(true);
    if (FOwner->CanCollapse(this)) TreeView_Expand(FOwner->Handle(), FItem, TVE_COLLAPSE);
}

void TTreeNode::SetExpanded(bool value)
{
    if (value) Expand(false);
    else Collapse(false);
}

bool TTreeNode::EditText()
{
    SetFocus(FOwner->Handle());
    return TreeView_EditLabel(FOwner->Handle(), FItem) != nullptr;
}

TTreeNode* TTreeNode::Parent() const { return FOwner->NodeFromItem(TreeView_GetParent(FOwner->Handle(), FItem)); }

TTreeNode* TTreeNode::GetFirstChild() const
{
    return FOwner->NodeFromItem(TreeView_GetChild(FOwner->Handle(), FItem));
}

TTreeNode* TTreeNode::GetLastChild() const
{
    TTreeNode* last = GetFirstChild();
    for (TTreeNode* next = last; next; next = next->GetNextSibling()) last = next;
    return last;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    return FOwner->NodeFromItem(TreeView_GetNextSibling(FOwner->Handle(), FItem));
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    return FOwner->NodeFromItem(TreeView_GetPrevSibling(FOwner->Handle(), FItem));
}

TTreeNode* TTreeNode::GetNext() const
{
    if (TTreeNode* child = GetFirstChild()) return child;
    for (const TTreeNode* node = this; node; node = node->Parent())
        if (TTreeNode* sibling = node->GetNextSibling()) return sibling;
    return nullptr;
}

TTreeNode* TTreeNode::GetNextVisible() const
{
    if (Expanded())
        if (TTreeNode* child = GetFirstChild()) return child;
    for (const TTreeNode* node = this; node; node = node->Parent())
        if (TTreeNode* sibling = node->GetNextSibling()) return sibling;
    return nullptr;
}

int TTreeNode::Count() const
{
    int count = 0;
    for (TTreeNode* child = GetFirstChild(); child; child = child->GetNextSibling()) ++count;
    return count;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (TTreeNode* node = Parent(); node; node = node->Parent()) ++level;
    return level;
}

int TTreeNode::AbsoluteIndex() const
{
    int index = 0;
    for (TTreeNode* node = FOwner->GetFirstNode(); node && node != this; node = node->GetNext()) ++index;
    return index;
}

bool TTreeNode::IsVisible() const
{
    for (TTreeNode* node = Parent(); node; node = node->Parent())
        if (!node->Expanded()) return false;
    return true;
}

void TTreeNode::Delete() { FOwner->DeleteNode(this); }

void TTreeNode::DeleteChildren()
{
    while (TTreeNode* child = GetFirstChild()) child->Delete();
}

void TTreeNode::CustomSort(const TTVCompare& compare)
{
    TVSORTCB sort{};
    sort.hParent = FItem;
    sort.lpfnCompare = CompareNodes;
    sort.lParam = LPARAM(&compare);
    TreeView_SortChildrenCB(FOwner->Handle(), &sort, FALSE);
}

// --- the tree -------------------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TLazyWinControl(owner, parent, bounds, kDefaultSize)
{
}

TCustomTreeView::~TCustomTreeView()
{
    if (HandleAllocated()) TCustomTreeView::DestroyWnd();
}

DWORD TCustomTreeView::CreateParams(DWORD style) const
{
    style |= WS_TABSTOP | TVS_INFOTIP;
    if (!FHideSelection) style |= TVS_SHOWSELALWAYS;
    if (!FReadOnly) style |= TVS_EDITLABELS;
    if (FShowButtons) style |= TVS_HASBUTTONS;
    if (FShowLines) style |= TVS_HASLINES;
    if (FShowRoot) style |= TVS_LINESATROOT;
    if (!FToolTips) style |= TVS_NOTOOLTIPS;
    if (FRowSelect) style |= TVS_FULLROWSELECT;
    if (FHotTrack) style |= TVS_TRACKSELECT;
    return style;
}

void TCustomTreeView::CreateWnd()
{
    CreateControlWnd(WC_TREEVIEWW, CreateParams(WS_VISIBLE), BorderExStyle(FBorderStyle));
    TreeView_SetIndent(Handle(), FIndent);
    if (FImages) TreeView_SetImageList(Handle(), FImages, TVSIL_NORMAL);
}

void TCustomTreeView::DestroyWnd()
{
    ClearNodes();
    FUpdateCount = 0;
    TLazyWinControl::DestroyWnd();
}

void TCustomTreeView::ApplyStyle()
{
    if (!HandleAllocated()) return;
    constexpr DWORD mask = TVS_SHOWSELALWAYS | TVS_EDITLABELS | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                           TVS_NOTOOLTIPS | TVS_FULLROWSELECT | TVS_TRACKSELECT;
    const DWORD kept = DWORD(GetWindowLongPtrW(Handle(), GWL_STYLE)) & ~mask;
    SetWindowLongPtrW(Handle(), GWL_STYLE, kept | (CreateParams(0) & mask));
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TCustomTreeView::ChangeStyleFlag(bool& flag, bool value)
{
    if (value == flag) return;
    flag = value;
    ApplyStyle();
}

void TCustomTreeView::SetReadOnly(bool value) { ChangeStyleFlag(FReadOnly, value); }

void TCustomTreeView::SetAutoExpand(bool value) { FAutoExpand = value; }

void TCustomTreeView::SetHideSelection(bool value) { ChangeStyleFlag(FHideSelection, value); }

void TCustomTreeView::SetShowButtons(bool value) { ChangeStyleFlag(FShowButtons, value); }

void TCustomTreeView::SetShowLines(bool value) { ChangeStyleFlag(FShowLines, value); }

void TCustomTreeView::SetShowRoot(bool value) { ChangeStyleFlag(FShowRoot, value); }

void TCustomTreeView::SetRowSelect(bool value) { ChangeStyleFlag(FRowSelect, value); }

void TCustomTreeView::SetHotTrack(bool value) { ChangeStyleFlag(FHotTrack, value); }

// The control makes or drops its tip window itself as the style changes.
void TCustomTreeView::SetToolTips(bool value) { ChangeStyleFlag(FToolTips, value); }

void TCustomTreeView::SetBorderStyle(TBorderStyle value)
{
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    ApplyBorderStyle(value);
}

int TCustomTreeView::Indent() const { return HandleAllocated() ? int(TreeView_GetIndent(Handle())) : FIndent; }

void TCustomTreeView::SetIndent(int value)
{
    FIndent = value;
    if (HandleAllocated()) TreeView_SetIndent(Handle(), value);
}

void TCustomTreeView::SetImageList(HIMAGELIST images)
{
    FImages = images;
    if (HandleAllocated()) TreeView_SetImageList(Handle(), images, TVSIL_NORMAL);
}

void TCustomTreeView::EndEditing(bool cancel)
{
    if (HandleAllocated()) TreeView_EndEditLabelNow(Handle(), cancel);
}

bool TCustomTreeView::IsEditing() const
{
    return HandleAllocated() && TreeView_GetEditControl(Handle()) != nullptr;
}

// --- nodes ----------------------------------------------------------------------------------

TTreeNode* TCustomTreeView::NodeFromItem(HTREEITEM item) const
{
    if (!item) return nullptr;
    auto found = FNodes.find(item);
    return found == FNodes.end() ? nullptr : found->second.get();
}

TTreeNode* TCustomTreeView::GetFirstNode() const
{
    return HandleAllocated() ? NodeFromItem(TreeView_GetRoot(Handle())) : nullptr;
}

TTreeNode* TCustomTreeView::Selected() const
{
    return HandleAllocated() ? NodeFromItem(TreeView_GetSelection(Handle())) : nullptr;
}

void TCustomTreeView::SetSelected(TTreeNode* node)
{
    if (HandleAllocated()) TreeView_SelectItem(Handle(), node ? node->FItem : nullptr);
}

TTreeNode* TCustomTreeView::DropTarget() const
{
    return FDropTarget;
}

void TCustomTreeView::SetDropTarget(TTreeNode* node)
{
    if (!HandleAllocated()) return;
    TTreeNode* previous = std::exchange(FDropTarget, node);
    TreeView_SelectDropTarget(Handle(), node ? node->FItem : nullptr);
    // Wine keeps the old highlight when asked for none: the state goes by hand.
    if (!node && previous) TreeView_SetItemState(Handle(), previous->FItem, 0, TVIS_DROPHILITED);
}

UINT TCustomTreeView::HitTest(int x, int y) const
{
    TVHITTESTINFO info{};
    info.pt = POINT{x, y};
    if (HandleAllocated()) TreeView_HitTest(Handle(), &info);
    return info.flags;
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const
{
    TVHITTESTINFO info{};
    info.pt = POINT{x, y};
    if (!HandleAllocated()) return nullptr;
    return NodeFromItem(TreeView_HitTest(Handle(), &info));
}

std::unique_ptr<TTreeNode> TCustomTreeView::CreateNode()
{
    return std::make_unique<TTreeNode>(this);
}

TTreeNode* TCustomTreeView::InsertNode(HTREEITEM parent, HTREEITEM after, const std::wstring& text, void* data)
{
    HandleNeeded();
    std::unique_ptr<TTreeNode> node = CreateNode();
    node->Data = data;
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    // Asked for as the node is drawn: the icon may cost a shell call.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = LPARAM(node.get());
    HTREEITEM item = TreeView_InsertItem(Handle(), &insert);
    if (!item) return nullptr;
    node->FItem = item;
    TTreeNode* result = node.get();
    FNodes[item] = std::move(node);
    return result;
}

TTreeNode* TCustomTreeView::AddChild(TTreeNode* parent, const std::wstring& text, void* data)
{
    return InsertNode(parent ? parent->FItem : nullptr, TVI_LAST, text, data);
}

TTreeNode* TCustomTreeView::InsertBefore(TTreeNode* sibling, const std::wstring& text, void* data)
{
    if (!sibling) return nullptr;
    TTreeNode* previous = sibling->GetPrevSibling();
    TTreeNode* parent = sibling->Parent();
    return InsertNode(parent ? parent->FItem : nullptr, previous ? previous->FItem : TVI_FIRST, text, data);
}

void TCustomTreeView::ForgetSubtree(HTREEITEM item)
{
    for (HTREEITEM child = TreeView_GetChild(Handle(), item); child; child = TreeView_GetNextSibling(Handle(), child))
        ForgetSubtree(child);
    if (TTreeNode* node = NodeFromItem(item)) Delete(node);
}

void TCustomTreeView::DeleteNode(TTreeNode* node)
{
    if (!node || !HandleAllocated()) return;
    const HTREEITEM item = node->FItem;
    std::vector<HTREEITEM> subtree;
    for (std::vector<HTREEITEM> pending{item}; !pending.empty();) {
        HTREEITEM next = pending.back();
        pending.pop_back();
        subtree.push_back(next);
        for (HTREEITEM child = TreeView_GetChild(Handle(), next); child;
             child = TreeView_GetNextSibling(Handle(), child))
            pending.push_back(child);
    }
    ForgetSubtree(item);
    TreeView_DeleteItem(Handle(), item);
    if (FDropTarget && std::find(subtree.begin(), subtree.end(), FDropTarget->FItem) != subtree.end())
        FDropTarget = nullptr;
    // The node objects outlive the items: the control may still name them while it deletes.
    for (HTREEITEM gone : subtree) FNodes.erase(gone);
}

void TCustomTreeView::ClearNodes()
{
    if (!HandleAllocated()) {
        FNodes.clear();
        return;
    }
    ++FClearing;
    BeginUpdate();
    for (HTREEITEM top = TreeView_GetRoot(Handle()); top; top = TreeView_GetNextSibling(Handle(), top))
        ForgetSubtree(top);
    TreeView_DeleteAllItems(Handle());
    FDropTarget = nullptr;
    FNodes.clear();
    EndUpdate();
    --FClearing;
}

void TCustomTreeView::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated()) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomTreeView::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0 || !HandleAllocated()) return;
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

// --- messages and notifications --------------------------------------------------------------

LRESULT TCustomTreeView::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CONTEXTMENU:
        return WMContextMenu(wParam, lParam);
    case WM_DESTROY:
        // Destroyed with the form: the nodes' data still goes through Delete.
        if (!FNodes.empty()) {
            ++FClearing;
            for (HTREEITEM top = TreeView_GetRoot(Handle()); top; top = TreeView_GetNextSibling(Handle(), top))
                ForgetSubtree(top);
            FDropTarget = nullptr;
            FNodes.clear();
            --FClearing;
        }
        break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

LRESULT TCustomTreeView::WMContextMenu(WPARAM wParam, LPARAM lParam)
{
    POINT pos{short(LOWORD(lParam)), short(HIWORD(lParam))};
    if (pos.x == -1 && pos.y == -1) {
        // From the keyboard: below the selected node's label.
        RECT r{};
        TTreeNode* selected = Selected();
        if (!selected || !TreeView_GetItemRect(Handle(), selected->FItem, &r, TRUE)) r = RECT{};
        pos = POINT{r.left, r.bottom};
    } else {
        ScreenToClient(Handle(), &pos);
    }
    bool handled = false;
    DoContextPopup(pos, handled);
    return handled ? 0 : DefaultHandler(WM_CONTEXTMENU, wParam, lParam);
}

LRESULT TCustomTreeView::CNNotify(NMHDR& header)
{
    switch (header.code) {
    case TVN_GETDISPINFOW:
        return GetDispInfo(reinterpret_cast<NMTVDISPINFOW&>(header));
    case TVN_ITEMEXPANDINGW:
        return ItemExpanding(reinterpret_cast<const NMTREEVIEWW&>(header));
    case TVN_SELCHANGINGW:
        return SelChanging(reinterpret_cast<const NMTREEVIEWW&>(header));
    case TVN_SELCHANGEDW:
        if (FClearing == 0)
            if (TTreeNode* node = NodeFromItem(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem))
                Change(node);
        return 0;
    case TVN_BEGINLABELEDITW: {
        TTreeNode* node = NodeFromItem(reinterpret_cast<const NMTVDISPINFOW&>(header).item.hItem);
        // TRUE keeps the control from editing.
        return node && CanEdit(node) ? FALSE : TRUE;
    }
    case TVN_ENDLABELEDITW:
        return EndLabelEdit(reinterpret_cast<NMTVDISPINFOW&>(header));
    case NM_RCLICK:
        // The menu is asked for here: Wine's control sends no WM_CONTEXTMENU after
        // its own right-button loop, and TRUE keeps Windows' control from sending a second.
        SendMessageW(Handle(), WM_CONTEXTMENU, WPARAM(Handle()), LPARAM(GetMessagePos()));
        return TRUE;
    }
    return 0;
}

LRESULT TCustomTreeView::GetDispInfo(NMTVDISPINFOW& info)
{
    TTreeNode* node = NodeFromItem(info.item.hItem);
    if (!node) return 0;
    if (info.item.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        info.item.iImage = node->ImageIndex;
    }
    if (info.item.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        info.item.iSelectedImage = node->SelectedIndex;
    }
    return 0;
}

LRESULT TCustomTreeView::ItemExpanding(const NMTREEVIEWW& info)
{
    TTreeNode* node = NodeFromItem(info.itemNew.hItem);
    if (!node) return FALSE;
    // TRUE refuses.
    if ((info.action & kExpandActions) == TVE_EXPAND) return node == FExpandingByCode || CanExpand(node) ? FALSE : TRUE;
    if ((info.action & kExpandActions) == TVE_COLLAPSE) return CanCollapse(node) ? FALSE : TRUE;
    return FALSE;
}

LRESULT TCustomTreeView::SelChanging(const NMTREEVIEWW& info)
{
    if (FClearing > 0) return FALSE;
    TTreeNode* node = NodeFromItem(info.itemNew.hItem);
    return !node || CanChange(node) ? FALSE : TRUE;
}

LRESULT TCustomTreeView::EndLabelEdit(NMTVDISPINFOW& info)
{
    TTreeNode* node = NodeFromItem(info.item.hItem);
    if (!node || !info.item.pszText) return FALSE;  // cancelled
    std::wstring text = info.item.pszText;
    Edit(node, text);
    // The node's caption is what Edit left there, not the control's copy of the edit.
    return FALSE;
}

bool TCustomTreeView::CanExpand(TTreeNode* node)
{
    bool allow = true;
    if (OnExpanding) OnExpanding(this, node, allow);
    return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode*) { return true; }

bool TCustomTreeView::CanChange(TTreeNode* node)
{
    bool allow = true;
    if (OnChanging) OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node)
{
    if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node)
{
    bool allow = !FReadOnly;
    if (allow && OnEditing) OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* node, std::wstring& text)
{
    if (OnEdited) OnEdited(this, node, text);
    node->SetText(text);
}

void TCustomTreeView::Delete(TTreeNode* node)
{
    if (OnDeletion) OnDeletion(this, node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node)
{
    if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node)
{
    if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

void TCustomTreeView::DoContextPopup(POINT mousePos, bool& handled)
{
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}
