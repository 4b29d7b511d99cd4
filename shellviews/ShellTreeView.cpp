#include "shellviews/ShellTreeView.h"

#include <utility>

#include "ui/Exceptions.h"
#include "ui/UpdateScope.h"

// --- nodes ----------------------------------------------------------------------------------

TShellTreeNode::TShellTreeNode(TShellTreeView* tree) : TTreeNode(tree), FTree(tree) {}

void TShellTreeNode::SortSiblings(TCompare compare)
{
    auto order = [compare](TTreeNode* a, TTreeNode* b) {
        return compare(static_cast<TShellTreeNode*>(a), static_cast<TShellTreeNode*>(b));
    };
    if (TTreeNode* parent = Parent()) parent->CustomSort(order);
}

void TShellTreeNode::Refill() { FTree->FillNode(this); }

HWND TShellTreeNode::TreeWindow() const { return FTree->Handle(); }

// --- life -----------------------------------------------------------------------------------

TShellTreeView::TShellTreeView(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TCustomTreeView(owner, parent, bounds)
{
    FillWatchedDrives();
    MakeWatcher();
    ShellCtrlList().AddControl(this);
}

TShellTreeView::~TShellTreeView()
{
    FDestroying = true;
    ShellCtrlList().RemoveControl(this);
    if (FListView) FListView->SetLinkedTree(nullptr);
    if (FCombo) FCombo->SetLinkedTree(nullptr);
    if (HandleAllocated()) DestroyWnd();
    if (FWatcher) {
        FWatcher->OnTerminate = nullptr;
        std::exchange(FWatcher, nullptr)->StopWatching();
    }
}

void TShellTreeView::Loaded()
{
    HandleNeeded();
    RefreshTree();
    if (FCombo) {
        FCombo->SetShVirtuaItems(FShVirtuaItems);
        FCombo->SetIncludeHidden(FIncludeHidden);
        FCombo->RebuildList();
        FCombo->SelectIDList(SelectedFolderIDList());
    }
    if (FListView) {
        FListView->SetShVirtuaItems(FShVirtuaItems);
        FListView->SetIncludeHidden(FIncludeHidden);
        ListFolder(SelectedFolderIDList());
    }
}

// --- the window -----------------------------------------------------------------------------

DWORD TShellTreeView::CreateParams(DWORD style) const
{
    style = TCustomTreeView::CreateParams(style);
    if (FCheckboxes) style |= TVS_CHECKBOXES;
    return style;
}

void TShellTreeView::SetCheckboxes(bool value)
{
    if (value == FCheckboxes) return;
    FCheckboxes = value;
    if (!HandleAllocated()) return;
    // The control cannot drop its state images: only a new window loses them.
    if (value) SetWindowLongPtrW(Handle(), GWL_STYLE, GetWindowLongPtrW(Handle(), GWL_STYLE) | TVS_CHECKBOXES);
    else RecreateWnd();
}

void TShellTreeView::CreateWnd()
{
    FWindowGone = false;
    TCustomTreeView::CreateWnd();
    SetImageList(SystemImageList(false));
    BuildRoot();
    if (FSavedSelection) {
        SelectIDList(FSavedSelection.get());
        FSavedSelection.reset();
    }
    OleCheck(RegisterDragDrop(Handle(), this));
    FDropRegistered = true;
    ResumeWatch();
}

void TShellTreeView::BuildRoot()
{
    TIDListPtr desktop, desktopDirectory;
    SpecialFolderIDList(sfDesktop, desktop);
    SpecialFolderIDList(sfDesktopDirectory, desktopDirectory);
    TUpdateScope update(*this);
    auto item = std::make_unique<TShellTreeItem>(nullptr, desktopDirectory.release(), desktop.release());
    if (TTreeNode* root = AddItemNode(nullptr, nullptr, std::move(item))) {
        root->Expand(false);
        if (TTreeNode* first = root->GetFirstChild()) first->Expand(false);
        SetSelected(root);
    }
}

void TShellTreeView::DestroyWnd()
{
    FWindowGone = true;
    PauseWatch();
    FSavedSelection.reset(CopyIDList(SelectedFolderIDList()));
    BeginUpdate();
    ClearNodes();
    EndUpdate();
    RevokeDropTarget();
    TCustomTreeView::DestroyWnd();
}

void TShellTreeView::RevokeDropTarget()
{
    if (!FDropRegistered || !HandleAllocated()) return;
    FDropRegistered = false;
    // Also reached from the destructor: a registration that is already gone leaves nothing to undo.
    RevokeDragDrop(Handle());
}

LRESULT TShellTreeView::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_REBUILD:
        Rebuild();
        return 0;
    case WM_DESTROY:
        FWindowGone = true;
        RevokeDropTarget();
        break;
    case WM_LBUTTONDOWN:
        return WMLButtonDown(wParam, lParam);
    case WM_LBUTTONUP:
        return WMLButtonUp(wParam, lParam);
    case WM_RBUTTONDOWN:
        return WMRButtonDown(wParam, lParam);
    case WM_MOUSEMOVE:
        return WMMouseMove(wParam, lParam);
    }
    return TCustomTreeView::WndProc(message, wParam, lParam);
}

void TShellTreeView::WinIniChange()
{
    TCustomTreeView::WinIniChange();
    // Later, outside the broadcast: the system image list may be a new one by then.
    if (HandleAllocated()) PostMessageW(Handle(), WM_REBUILD, 0, 0);
}

void TShellTreeView::Rebuild()
{
    SetImageList(SystemImageList(false));
    for (TTreeNode* node = GetFirstNode(); node; node = node->GetNext())
        if (TShellTreeItem* item = ItemOf(node)) item->ResetIcons();
    InvalidateRect(Handle(), nullptr, TRUE);
}

// --- items and nodes ------------------------------------------------------------------------

std::unique_ptr<TTreeNode> TShellTreeView::CreateNode() { return std::make_unique<TShellTreeNode>(this); }

TShellTreeItem* TShellTreeView::ItemOf(const TTreeNode* node)
{
    auto* item = node ? static_cast<TShellTreeItem*>(node->Data) : nullptr;
    return item && item->IsValid() ? item : nullptr;
}

TTreeNode* TShellTreeView::AddItemNode(TTreeNode* parent, TTreeNode* before, std::unique_ptr<TShellTreeItem> item)
{
    const std::wstring caption = item->DisplayName();
    TTreeNode* node = before ? InsertBefore(before, caption, item.get()) : AddChild(parent, caption, item.get());
    if (!node) return nullptr;
    TShellTreeItem* owned = item.release();
    owned->AttachNode(static_cast<TShellTreeNode*>(node));
    return node;
}

void TShellTreeView::Delete(TTreeNode* node)
{
    delete static_cast<TShellTreeItem*>(std::exchange(node->Data, nullptr));
    TCustomTreeView::Delete(node);
}

void TShellTreeView::GetImageIndex(TTreeNode* node)
{
    if (TShellTreeItem* item = ItemOf(node)) node->ImageIndex = item->ImageIndex();
    TCustomTreeView::GetImageIndex(node);
}

void TShellTreeView::GetSelectedIndex(TTreeNode* node)
{
    if (TShellTreeItem* item = ItemOf(node)) node->SelectedIndex = item->SelectedIndex();
    TCustomTreeView::GetSelectedIndex(node);
}
