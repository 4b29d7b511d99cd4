// The tree view's change watcher: folder changes on the fixed drives and
// the arrival and removal of volumes, as the watcher hands them over.
#include "shellviews/ShellTreeView.h"

#include <dbt.h>

#include <algorithm>
#include <iterator>

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
            // The rebuilt combo box would show the Desktop: it is put back on the tree's folder.
            RefreshWithCombo();
        } else {
            if (FCombo) FCombo->RebuildList();
            SetSelected(GetFirstNode());
            RefreshTree();
        }
    }
}
