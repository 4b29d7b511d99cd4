// The tree view's links: the list view and the combo box follow the
// selected node, and the tree hands them its settings.
#include "shellmenus/ShellPopupMenu.h"
#include "shellviews/ShellTreeView.h"

// --- selection and the linked views ---------------------------------------------------------

bool TShellTreeView::CanChange(TTreeNode* node)
{
    if (FMouseState == 1 || FMouseState == 2 || FWindowGone) return false;
    return TCustomTreeView::CanChange(node);
}

void TShellTreeView::Change(TTreeNode* node)
{
    TCustomTreeView::Change(node);
    TShellTreeItem* item = ItemOf(node);
    if (!item || FWindowGone) return;
    if (FCombo) FCombo->SelectIDList(item->AbsoluteIDList());
    if (FListView) FListView->SetFolderIDList(item->AbsoluteIDList());
}

void TShellTreeView::ListFolder(LPCITEMIDLIST list)
{
    if (FListView && list && FListView->HandleAllocated()) FListView->FileList().SetFolder(list);
}

LPCITEMIDLIST TShellTreeView::SelectedFolderIDList()
{
    if (TShellTreeItem* item = ItemOf(Selected())) return item->AbsoluteIDList();
    if (TShellTreeItem* root = ItemOf(GetFirstNode())) return root->AbsoluteIDList();
    return nullptr;
}

bool TShellTreeView::SelectedFolderIDList(TIDListPtr& folder)
{
    folder.reset(CopyIDList(SelectedFolderIDList()));
    return folder != nullptr;
}

void TShellTreeView::SelectIDList(LPCITEMIDLIST list)
{
    if (!list) return;
    TShellTreeItem* selected = ItemOf(Selected());
    if (selected && selected->Level() == IDListLevel(list) && IsSameIDList(selected->AbsoluteIDList(), list)) return;
    SetSelected(FindNodeByIDList(list));
}

void TShellTreeView::RefreshWithCombo()
{
    if (!FCombo) {
        RefreshTree();
        return;
    }
    FCombo->BeginItemsUpdate();
    try {
        FCombo->RebuildList();
        RefreshTree();
        FCombo->SelectIDList(SelectedFolderIDList());
    } catch (...) {
        FCombo->EndItemsUpdate();
        throw;
    }
    FCombo->EndItemsUpdate();
}

// --- links and settings ---------------------------------------------------------------------

void TShellTreeView::SetShellListView(TShellListView* view)
{
    if (view == FListView) return;
    if (FListView) {
        FListView->SetLinkedTree(nullptr);
        FListView->RemoveFreeNotification(this);
    }
    FListView = view;
    if (!view) return;
    view->SetLinkedTree(this);
    view->SetShVirtuaItems(FShVirtuaItems);
    view->SetIncludeHidden(FIncludeHidden);
    view->FreeNotification(this);
    if (view->HandleAllocated()) view->SetFolderIDList(SelectedFolderIDList());
}

void TShellTreeView::SetShellComboBox(TShellComboLink* combo)
{
    if (combo == FCombo) return;
    if (FCombo) {
        FCombo->SetLinkedTree(nullptr);
        FCombo->ComboComponent()->RemoveFreeNotification(this);
    }
    FCombo = combo;
    if (!combo) return;
    combo->SetLinkedTree(this);
    combo->SetShVirtuaItems(FShVirtuaItems);
    combo->SetIncludeHidden(FIncludeHidden);
    combo->ComboComponent()->FreeNotification(this);
    if (HandleAllocated()) {
        combo->RebuildList();
        combo->SelectIDList(SelectedFolderIDList());
    }
}

void TShellTreeView::SetShellPopupMenu(TShellPopupMenu* menu)
{
    if (menu == FPopupMenu) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (!menu) return;
    menu->SetAutoPopup(false);
    menu->SetBiDiMode(bdLeftToRight);
    menu->FreeNotification(this);
}

void TShellTreeView::SetIncludeHidden(bool value)
{
    if (value == FIncludeHidden) return;
    FIncludeHidden = value;
    if (FListView) FListView->SetIncludeHidden(value);
    if (!HandleAllocated()) return;
    RefreshTree();
    if (FCombo) {
        FCombo->SetIncludeHidden(value);
        FCombo->RebuildList();
        FCombo->SelectIDList(SelectedFolderIDList());
    }
    ListFolder(SelectedFolderIDList());
}

void TShellTreeView::SetShVirtuaItems(TShVirtuaItems value)
{
    if (value == FShVirtuaItems) return;
    FShVirtuaItems = value;
    if (FListView) FListView->SetShVirtuaItems(value);
    if (!HandleAllocated()) return;
    RefreshTree();
    if (FCombo) {
        FCombo->SetShVirtuaItems(value);
        FCombo->RebuildList();
        FCombo->SelectIDList(SelectedFolderIDList());
    }
}

void TShellTreeView::Notification(TComponent* component, TOperation operation)
{
    TCustomTreeView::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == FListView) FListView = nullptr;
    if (component == FPopupMenu) FPopupMenu = nullptr;
    if (FCombo && component == FCombo->ComboComponent()) FCombo = nullptr;
}
