#include "shellviews/ShellTreeView.h"

#include <dbt.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "shellmenus/ShellPopupMenu.h"
#include "ui/Exceptions.h"
#include "ui/UpdateScope.h"

using Microsoft::WRL::ComPtr;

namespace {
ComPtr<IShellFolder> DesktopFolder()
{
    ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    return desktop;
}
}  // namespace

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

void TShellTreeView::FillWatchedDrives()
{
    FWatchedDrives.clear();
    wchar_t buffer[81] = {};
    const DWORD length = GetLogicalDriveStringsW(DWORD(std::size(buffer)), buffer);
    if (length == 0 || length > std::size(buffer)) return;
    for (const wchar_t* root = buffer; *root; root += wcslen(root) + 1)
        if (GetDriveTypeW(root) == DRIVE_FIXED) FWatchedDrives.push_back(root);
    std::sort(FWatchedDrives.begin(), FWatchedDrives.end());
}

void TShellTreeView::MakeWatcher()
{
    // Folders only: the tree shows nothing that a file's change could alter.
    FWatcher = new TShDirWatcher(
        nullptr, FILE_NOTIFY_CHANGE_DIR_NAME,
        [this](TObject*, std::unique_ptr<TDeviceChangeData> record) {
            FollowReport(this, [&] { DeviceChanged(std::move(record)); });
        },
        [this](TObject*) { FollowReport(this, [this] { DirectoriesChanged(); }); });
    FWatcher->OnTerminate = [this](TObject* sender) {
        if (sender == FWatcher) FWatcher = nullptr;
    };
}

void TShellTreeView::PauseWatch()
{
    if (FWatcher) FWatcher->SetDirectories(nullptr);
}

void TShellTreeView::ResumeWatch()
{
    if (FWatcher) FWatcher->SetDirectories(&FWatchedDrives);
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

int TShellTreeView::EnumSubFolders(IShellFolder* folder, TShellTreeItem* parent, TItems& items)
{
    items.clear();
    SHCONTF flags = SHCONTF_FOLDERS;
    if (FIncludeHidden) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> enumerator;
    if (!folder || folder->EnumObjects(Handle(), flags, &enumerator) != S_OK || !enumerator) return 0;
    const int parentLevel = parent->Level();
    const TShItemIDType parentType = parent->ItemType();
    LPITEMIDLIST relative = nullptr;
    while (enumerator->Next(1, &relative, nullptr) == S_OK) {
        LPITEMIDLIST absolute = parentLevel == 0 ? CopyIDList(relative) : ConcatIDLists(parent->AbsoluteIDList(), relative);
        auto item = std::make_unique<TShellTreeItem>(relative, absolute, folder);
        relative = nullptr;
        if (item->ShownUnder(parentType, FShVirtuaItems)) items.push_back(std::move(item));
    }
    // A failed comparison counts as equal; a stable sort stays sound when the shell is not consistent.
    std::stable_sort(items.begin(), items.end(), [folder](const auto& a, const auto& b) {
        const HRESULT result = folder->CompareIDs(0, a->RelativeIDList(), b->RelativeIDList());
        return SUCCEEDED(result) && CompareIDsOrder(result) < 0;
    });
    return int(items.size());
}

void TShellTreeView::FillNode(TTreeNode* node)
{
    TShellTreeItem* item = ItemOf(node);
    if (!item || !HandleAllocated()) return;
    ComPtr<IShellFolder> folder;
    if (item->Level() == 0) {
        folder = DesktopFolder();
    } else if (IShellFolder* parent = item->ParentFolder()) {
        parent->BindToObject(item->RelativeIDList(), nullptr, IID_PPV_ARGS(&folder));
    }
    if (!folder) return;
    TItems items;
    EnumSubFolders(folder.Get(), item, items);
    // Each change to an open node's children lays the whole tree out again.
    TUpdateScope update(*this);
    TTreeNode* cursor = node->GetFirstChild();
    for (size_t i = 0; i < items.size();) {
        if (!cursor) {
            AddItemNode(node, nullptr, std::move(items[i++]));
            continue;
        }
        TShellTreeItem* existing = ItemOf(cursor);
        const HRESULT result =
            existing ? folder->CompareIDs(0, existing->RelativeIDList(), items[i]->RelativeIDList()) : E_FAIL;
        const short order = SUCCEEDED(result) ? CompareIDsOrder(result) : -1;
        if (order == 0) {
            cursor = cursor->GetNextSibling();
            ++i;
        } else if (order > 0) {
            AddItemNode(node, cursor, std::move(items[i++]));
        } else {
            // It sorts before the next folder there is: it no longer exists.
            TTreeNode* next = cursor->GetNextSibling();
            cursor->Delete();
            cursor = next;
        }
    }
    while (cursor) {
        TTreeNode* next = cursor->GetNextSibling();
        cursor->Delete();
        cursor = next;
    }
}

bool TShellTreeView::FillForExpansion(TTreeNode* node)
{
    FillNode(node);
    if (!node->GetFirstChild()) node->SetHasChildren(false);
    return true;
}

bool TShellTreeView::CanExpand(TTreeNode* node)
{
    if (FDestroying || FWindowGone) return false;
    if (TShellTreeItem* item = ItemOf(node)) {
        if (FMouseState == 3 && item->Level() >= 2) {
            const TShItemIDType type = item->ItemType();
            if (type == itVirtual) return false;
            if (type == itRootDrive) {
                // An empty drive must not bring up the system's "insert a disk" box while something is dragged.
                const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
                const bool ready = GetVolumeInformationW(IncludeBackslash(item->Path()).c_str(), nullptr, 0,
                                                         nullptr, nullptr, nullptr, nullptr, 0) != FALSE;
                SetErrorMode(mode);
                if (!ready) return false;
            }
        }
        FillForExpansion(node);
    }
    return TCustomTreeView::CanExpand(node);
}

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

TTreeNode* TShellTreeView::FindNodeByIDList(LPCITEMIDLIST list)
{
    TTreeNode* result = GetFirstNode();
    if (!result || !list) return result;
    TTreeNode* cursor = result->GetFirstChild();
    LPCITEMIDLIST remaining = list;
    // Each level's children are read again at most once: a folder that does
    // not exist lies between two siblings, and the search must not swing between them.
    bool refilled = false;
    auto stillChildOf = [](TTreeNode* parent, TTreeNode* node) {
        for (TTreeNode* child = parent ? parent->GetFirstChild() : nullptr; child; child = child->GetNextSibling())
            if (child == node) return true;
        return false;
    };
    while (TShellTreeItem* item = ItemOf(cursor)) {
        TIDListPtr first(CopyFirstItemID(remaining));
        IShellFolder* folder = item->ParentFolder();
        if (!first || !folder) break;
        const HRESULT compared = folder->CompareIDs(0, item->RelativeIDList(), first.get());
        if (FAILED(compared)) break;
        const short order = CompareIDsOrder(compared);
        TTreeNode* parent = cursor->Parent();
        if (order == 0) {
            remaining = NextItemID(remaining);
            if (IDListItemSize(remaining) == 0) return cursor;
            if (!cursor->GetFirstChild()) FillNode(cursor);
            cursor->Expand(false);
            cursor = cursor->GetFirstChild();
            refilled = false;
        } else if (order > 0) {
            if (refilled) break;
            if (FCombo) FCombo->RebuildList();
            FillNode(parent);
            refilled = true;
            if (!stillChildOf(parent, cursor)) break;
            cursor = cursor->GetPrevSibling();
        } else {
            TTreeNode* next = cursor->GetNextSibling();
            if (!next && !refilled) {
                FillNode(parent);
                refilled = true;
                if (!stillChildOf(parent, cursor)) break;
                next = cursor->GetNextSibling();
            }
            cursor = next;
        }
    }
    return result;
}

void TShellTreeView::SelectIDList(LPCITEMIDLIST list)
{
    if (!list) return;
    TShellTreeItem* selected = ItemOf(Selected());
    if (selected && selected->Level() == IDListLevel(list) && IsSameIDList(selected->AbsoluteIDList(), list)) return;
    SetSelected(FindNodeByIDList(list));
}

void TShellTreeView::RefreshTree()
{
    for (TTreeNode* node = GetFirstNode(); node; node = node->GetNextVisible()) {
        TShellTreeItem* item = ItemOf(node);
        if (!item) continue;
        if (node->Expanded() || node->GetFirstChild()) FillNode(node);
        else item->AttachNode(static_cast<TShellTreeNode*>(node));
    }
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

// --- change notifications -------------------------------------------------------------------

void TShellTreeView::DirectoriesChanged()
{
    ReleaseDropTargets();
    // A button held on a node or a drag: the tree must not change under the pointer.
    if (FMouseState != 0 || !HandleAllocated()) return;
    RefreshWithCombo();
}

void TShellTreeView::ShellDeviceChange(const std::wstring& text, DWORD event, LPCITEMIDLIST list, WORD kind)
{
    auto record = std::make_unique<TDeviceChangeData>(text, list, kind, event);
    if (FWatcher) FWatcher->QueueDeviceChange(std::move(record));
    else DeviceChanged(std::move(record));
}

TTreeNode* TShellTreeView::DeviceNode(const TDeviceChangeData& record)
{
    if (record.IDList()) {
        // The search answers the root for a folder it cannot reach: that is not the drive.
        TTreeNode* node = FindNodeByIDList(record.IDList());
        TShellTreeItem* item = ItemOf(node);
        return item && IsSameIDList(item->AbsoluteIDList(), record.IDList()) ? node : nullptr;
    }
    // A drive that has gone may have no list: its " (X:)" names it.
    const size_t open = record.Text().rfind(L" (");
    if (open == std::wstring::npos) return nullptr;
    const std::wstring root = IncludeBackslash(record.Text().substr(open + 2, 2));
    for (TTreeNode* node = GetFirstNode(); node; node = node->GetNextVisible())
        if (TShellTreeItem* item = ItemOf(node); item && item->Level() == 2 && _wcsicmp(item->Path().c_str(), root.c_str()) == 0)
            return node;
    return nullptr;
}

void TShellTreeView::DeviceChanged(std::unique_ptr<TDeviceChangeData> record)
{
    if (!record || !HandleAllocated()) return;
    if (record->Kind() == dkMedia) {
        TTreeNode* node = DeviceNode(*record);
        TShellTreeItem* item = ItemOf(node);
        if (!item) return;
        item->ResetIcons();
        item->SetCachedName(record->Text());
        node->SetText(record->Text());
        if (FCombo) FCombo->ResetEntry(item->AbsoluteIDList(), record->Text());
        if (record->Event() == DBT_DEVICEREMOVECOMPLETE) {
            node->DeleteChildren();
            node->SetHasChildren(true);
            SetSelected(node->Parent());
        }
    } else if (record->Kind() == dkNetwork) {
        if (record->Event() == DBT_DEVICEARRIVAL) {
            RefreshTree();
            if (FCombo) FCombo->RebuildList();
        } else {
            if (FCombo) FCombo->RebuildList();
            SetSelected(GetFirstNode());
            RefreshTree();
        }
    }
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
