#include "shell/ShellFileList.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "shell/ShellNotify.h"
#include "ui/Cursor.h"
#include "ui/UpdateScope.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr int kInitialCapacity = 1000;

ComPtr<IShellFolder> DesktopFolder()
{
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    return desktop;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    const std::wstring x = IncludeBackslash(a), y = IncludeBackslash(b);
    return CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE) == CSTR_EQUAL;
}

// A file-system folder whose directory is no longer there.
bool IsVanishedDirectory(LPCITEMIDLIST folder)
{
    std::wstring path;
    return PathFromIDList(folder, path) && !path.empty() && !IsExistingDirectory(path);
}
}  // namespace

TShellFileList::TShellFileList(TShellListHost& host, bool watch) : FHost(host)
{
    FItems.reserve(kInitialCapacity);
    if (watch) {
        FNameWatcher = MakeWatcher(kNameFilter);
        FAttrWatcher = MakeWatcher(kContentsFilter);
    }
}

TShellFileList::~TShellFileList()
{
    // The watchers free themselves; from here on they call nothing of ours.
    for (TShFilesWatcher* watcher : {FNameWatcher, FAttrWatcher}) {
        if (!watcher) continue;
        watcher->OnTerminate = nullptr;
        watcher->StopWatching();
    }
}

TShFilesWatcher* TShellFileList::MakeWatcher(DWORD filter)
{
    auto* watcher = new TShFilesWatcher(L"", filter, [this](TObject* sender, const std::wstring& path) {
        FilesChanged(sender, path);
    });
    watcher->OnTerminate = [this](TObject* sender) { WatcherTerminated(sender); };
    return watcher;
}

void TShellFileList::WatcherTerminated(TObject* watcher)
{
    if (watcher == FNameWatcher) FNameWatcher = nullptr;
    if (watcher == FAttrWatcher) FAttrWatcher = nullptr;
}

TShellFileItem* TShellFileList::ItemAt(int index) const
{
    return index >= 0 && index < Count() ? FItems[size_t(index)].get() : nullptr;
}

int TShellFileList::IndexOf(const TShellFileItem* item) const
{
    auto found = std::find_if(FItems.begin(), FItems.end(), [&](const auto& row) { return row.get() == item; });
    return found == FItems.end() ? -1 : int(found - FItems.begin());
}

int TShellFileList::IndexOfIDList(LPCITEMIDLIST relative) const
{
    ComPtr<IShellFolder> folder = ShellFolder();
    if (!folder || !relative) return -1;
    auto found = std::find_if(FItems.begin(), FItems.end(), [&](const auto& row) {
        const HRESULT result = folder->CompareIDs(0, row->RelativeIDList(), relative);
        return SUCCEEDED(result) && CompareIDsOrder(result) == 0;
    });
    return found == FItems.end() ? -1 : int(found - FItems.begin());
}

int TShellFileList::FolderLevel() const
{
    return IDListLevel(FFolderIDList.get());
}

ComPtr<IShellFolder> TShellFileList::ShellFolder() const
{
    if (FShellFolder || !FFolderIDList) return FShellFolder;
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (!desktop) return nullptr;
    if (FolderLevel() == 0) {
        FShellFolder = desktop;
    } else {
        ComPtr<IShellFolder> folder;
        if (SUCCEEDED(desktop->BindToObject(FFolderIDList.get(), nullptr, IID_PPV_ARGS(&folder))))
            FShellFolder = folder;
    }
    return FShellFolder;
}

TViewStyle TShellFileList::ViewStyle() const
{
    return FHost.ListControl().ViewStyle();
}

HWND TShellFileList::ListWindow() const
{
    return FHost.ListControl().Handle();
}

LPCITEMIDLIST TShellFileList::FolderParentIDList()
{
    if (!FFolderParentIDList) {
        if (FolderLevel() == 1) SpecialFolderIDList(sfDesktop, FFolderParentIDList);
        else FFolderParentIDList.reset(ParentIDListOf(FFolderIDList.get()));
    }
    return FFolderParentIDList.get();
}

LPCITEMIDLIST TShellFileList::FolderLastItemID()
{
    if (!FFolderLastItemID) FFolderLastItemID.reset(LastItemIDOf(FFolderIDList.get()));
    return FFolderLastItemID.get();
}

ComPtr<IShellFolder> TShellFileList::FolderParentFolder()
{
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (!desktop || FolderLevel() <= 1) return desktop;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(FolderParentIDList(), nullptr, IID_PPV_ARGS(&folder)))) return nullptr;
    return folder;
}

bool TShellFileList::FolderHasAttribute(TShItemAttribute attribute)
{
    ComPtr<IShellFolder> parent = FolderParentFolder();
    return HasShellAttribute(parent.Get(), FolderLevel() >= 2 ? FolderLastItemID() : FFolderIDList.get(), attribute);
}

TShItemIDType TShellFileList::FolderType()
{
    return ItemIDTypeOf(FolderLevel(), FFolderIDList.get(),
                        [this](TShItemAttribute attribute) { return FolderHasAttribute(attribute); });
}

std::wstring TShellFileList::FolderPath()
{
    std::wstring path;
    if (FolderLevel() == 0) {
        TIDListPtr directory;
        if (SpecialFolderIDList(sfDesktopDirectory, directory)) PathFromIDList(directory.get(), path);
    } else {
        PathFromIDList(FFolderIDList.get(), path);
    }
    return path;
}

ComPtr<IDropTarget> TShellFileList::FolderDropTarget()
{
    ComPtr<IDropTarget> target;
    if (!FFolderIDList) return target;
    if (FolderLevel() != 0) {
        ComPtr<IShellFolder> parent = FolderParentFolder();
        LPCITEMIDLIST item = FolderLastItemID();
        if (parent && item)
            parent->GetUIObjectOf(MainWindow(), 1, &item, IID_IDropTarget, nullptr,
                                  reinterpret_cast<void**>(target.GetAddressOf()));
        return target;
    }
    // The Desktop itself takes drops through its file-system directory, which
    // its own parent folder hands out: a folder answers only for its children.
    TIDListPtr directory;
    if (SpecialFolderIDList(sfDesktopDirectory, directory)) DropTargetOfIDList(directory.get(), ShellOwnerWindow(), target);
    return target;
}

TShellIDList& TShellFileList::SelectedIDList()
{
    FSelection.Clear();
    FSelection.SetParentIDList(FFolderIDList.get());
    const TCustomListView& view = FHost.ListControl();
    for (int i = view.NextItem(-1, LVNI_SELECTED); i >= 0; i = view.NextItem(i, LVNI_SELECTED))
        if (TShellFileItem* item = ItemAt(i)) FSelection.Add(item->RelativeIDList());
    return FSelection;
}

void TShellFileList::FreeFolderLists()
{
    FShellFolder.Reset();
    FFolderIDList.reset();
    FFolderParentIDList.reset();
    FFolderLastItemID.reset();
}

// --- enumeration and sorting ----------------------------------------------------------

bool TShellFileList::KindAccepted(int level, TShItemIDType folderType, TShellFileItem& item) const
{
    const TShVirtuaItems shown = FHost.ShVirtuaItems();
    if (level == 0) {
        const TShItemIDType kind = item.ItemType();
        if (kind == itBitBucket || kind == itNetWork) return shown.Contains(kind);
        return true;
    }
    if (level == 1) {
        if (folderType == itMyComputer && item.ItemType() == itVirtual) return shown.Contains(itVirtual);
        if (folderType == itNetWork) return shown.Contains(itNetWork);
    }
    return true;
}

int TShellFileList::Enumerate(IShellFolder* folder, int level)
{
    if (!FFolderIDList || !folder) return 0;
    DWORD flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    if (FHost.IncludeHidden()) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> enumerator;
    // S_FALSE without an enumerator: an empty folder, or the user cancelled.
    if (folder->EnumObjects(ListWindow(), flags, &enumerator) != S_OK || !enumerator) return 0;
    TWaitCursor wait;
    const TShItemIDType folderType = level == 1 ? FolderType() : itUnknown;
    LPITEMIDLIST relative = nullptr;
    while (enumerator->Next(1, &relative, nullptr) == S_OK) {
        auto item = std::make_unique<TShellFileItem>(this, std::exchange(relative, nullptr));
        if (KindAccepted(level, folderType, *item) && FHost.DoShFilter(item.get())) FItems.push_back(std::move(item));
    }
    if (!(FSortColumn == kAttributesColumn && FolderPath().empty())) Sort(FSortColumn);
    return Count();
}

void TShellFileList::Sort(int column)
{
    if (Count() < 2 || column < 0 || column >= kColumns) return;
    ComPtr<IShellFolder> folder = ShellFolder();
    if (!folder) return;
    const int factor = SortDirections[size_t(column)];
    // A merge sort: O(n log n) at worst, and safe with a shell whose order is not consistent.
    std::stable_sort(FItems.begin(), FItems.end(), [&](const auto& a, const auto& b) {
        const HRESULT result = folder->CompareIDs(LPARAM(column), a->RelativeIDList(), b->RelativeIDList());
        return SUCCEEDED(result) && CompareIDsOrder(result) * factor < 0;
    });
}

void TShellFileList::SortByColumn(int column)
{
    if (column == kAttributesColumn && FolderPath().empty()) return;
    TCustomListView& view = FHost.ListControl();
    TUpdateScope update(view);
    // The selection notification waits for the whole re-selection; a handler
    // that throws there must not meet the sort's own unwinding.
    FHost.BeginSelHold();
    try {
        Resort(view, column);
    } catch (...) {
        FHost.EndSelHold();
        throw;
    }
    FHost.EndSelHold();
}

void TShellFileList::Resort(TCustomListView& view, int column)
{
    FSortColumn = column;

    TShellFileItem* focused = ItemAt(view.NextItem(-1, LVNI_FOCUSED));
    // Only the smaller of the selected and unselected sets is remembered.
    const int rows = Count(), selected = view.SelCount();
    const bool keepUnselected = rows - selected < selected;
    std::vector<TShellFileItem*> remembered;
    if (keepUnselected) {
        for (int i = 0; i < rows && int(remembered.size()) < rows - selected; ++i)
            if (!view.ItemHasState(i, LVIS_SELECTED)) remembered.push_back(ItemAt(i));
    } else {
        for (int i = view.NextItem(-1, LVNI_SELECTED); i >= 0; i = view.NextItem(i, LVNI_SELECTED))
            remembered.push_back(ItemAt(i));
    }

    Sort(column);

    std::unordered_map<const TShellFileItem*, int> rowOf;
    rowOf.reserve(FItems.size());
    for (int i = 0; i < rows; ++i) rowOf.emplace(FItems[size_t(i)].get(), i);
    view.SetItemState(-1, LVIS_SELECTED, keepUnselected);
    for (TShellFileItem* item : remembered)
        if (auto found = rowOf.find(item); found != rowOf.end())
            view.SetItemState(found->second, LVIS_SELECTED, !keepUnselected);
    if (auto found = rowOf.find(focused); focused && found != rowOf.end())
        view.SetItemState(found->second, LVIS_FOCUSED, true);
}

// --- folder changes -------------------------------------------------------------------

int TShellFileList::Refresh()
{
    StopWatchers();
    TCustomListView& view = FHost.ListControl();
    std::exception_ptr failure;
    {
        TUpdateScope update(view);
        try {
            Relist(view);
        } catch (...) {
            // A filter that failed halfway leaves no rows rather than some.
            Clear();
            view.SetItemCount(0);
            failure = std::current_exception();
        }
    }
    // Watching goes on however the listing ended.
    RestartWatchers();
    if (!failure) {
        FHost.DoShListChange(this);
        return Count();
    }
    // The view hears of the empty listing too; the user sees the first error only.
    try {
        FHost.DoShListChange(this);
    } catch (...) {
    }
    std::rethrow_exception(failure);
}

void TShellFileList::Relist(TCustomListView& view)
{
    const TViewStyle style = view.ViewStyle();
    // A folder that cannot be bound shows no rows rather than the last folder's.
    Clear();
    if (style == vsList && view.ItemCount() > 0) view.MakeVisible(0, false);
    view.SetItemCount(0);
    // The view keeps its style while the rows come: a detour through the
    // icon style would lay out every new row as an icon for nothing.
    if (ComPtr<IShellFolder> folder = ShellFolder()) {
        if (Enumerate(folder.Get(), FolderLevel()) > 0) {
            view.SetItemCount(Count());
            view.SetItemState(0, LVIS_FOCUSED, true);
        }
    }
}

void TShellFileList::SetFolder(LPCITEMIDLIST list)
{
    TCustomListView& view = FHost.ListControl();
    if (!view.HandleAllocated() || FHost.WindowGoing()) return;
    // A folder shown with a single column keeps the layout saved before it.
    if (view.ColumnCount() > 1) {
        FColumnOrder = view.ColumnOrder();
        FColumnWidths.clear();
        for (int i = 0; i < view.ColumnCount(); ++i) FColumnWidths.push_back(view.Column(i).Width);
    }
    FreeFolderLists();
    FFolderIDList.reset(CopyIDList(list));
    {
        TUpdateScope update(view);
        try {
            const int rows = Refresh();
            view.SetItemCount(rows);
            if (rows > 0) view.MakeVisible(0, false);
        } catch (...) {
            FitColumns();  // the columns belong to the new folder, listed or not
            throw;
        }
    }
    FitColumns();
}

void TShellFileList::FitColumns()
{
    TCustomListView& view = FHost.ListControl();
    if (FolderPath().empty()) {
        // Outside the file system only the name means anything.
        if (view.ColumnCount() > 0) view.ClearColumns();
        view.AddColumn({FHost.ColumnCaption(0), view.ControlWidth() / 2, LVCFMT_LEFT});
    } else if (view.ColumnCount() <= 1) {
        view.ClearColumns();
        for (size_t i = 0; i < FColumnWidths.size(); ++i)
            view.AddColumn({FHost.ColumnCaption(int(i)), FColumnWidths[i], i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT});
        view.SetColumnOrder(FColumnOrder);
    }
}

void TShellFileList::RemoveSelectedItems()
{
    TCustomListView& view = FHost.ListControl();
    if (view.SelCount() == 0 || FItems.empty()) return;
    for (int i = view.NextItem(-1, LVNI_SELECTED); i >= 0; i = view.NextItem(i, LVNI_SELECTED))
        if (i < Count()) FItems[size_t(i)].reset();
    std::erase(FItems, nullptr);
    view.SetItemCount(Count());
    view.SetItemState(-1, LVIS_SELECTED, false);
    view.UpdateItems();
    FHost.DoShListChange(this);
}

void TShellFileList::FilesChanged(TObject* watcher, const std::wstring& path)
{
    FollowReport(this, [&] { FollowChange(watcher, path); });
}

void TShellFileList::FollowChange(TObject* watcher, const std::wstring& path)
{
    if (FHost.PointerBusy()) return;
    const std::wstring listed = FolderPath();
    // A folder outside the file system is not watched; a report for a folder listed before is old news.
    if (listed.empty() || (!path.empty() && !SamePath(path, listed))) return;
    if (!IsExistingDirectory(listed)) {
        FolderVanished();
    } else if (watcher == FNameWatcher) {
        Refresh();
    } else if (watcher == FAttrWatcher) {
        for (const auto& item : FItems) item->ReloadFindData();
        FHost.ListControl().UpdateItems();
    }
}

void TShellFileList::FolderVanished()
{
    TCustomListView& view = FHost.ListControl();
    {
        TUpdateScope update(view);
        FreeFolderLists();
        Clear();
        view.SetItemCount(0);
        TIDListPtr treeFolder;
        // The tree may not have heard yet that its folder went too.
        if (FHost.LinkedTreeFolder(treeFolder) && treeFolder && !IsVanishedDirectory(treeFolder.get())) {
            SetFolder(treeFolder.get());
        } else {
            // Nothing to show and nothing to watch; the view learns it like any other change.
            StopWatchers();
            FHost.DoShListChange(this);
        }
    }
}

void TShellFileList::StopWatchers()
{
    for (TShFilesWatcher* watcher : {FNameWatcher, FAttrWatcher})
        if (watcher) watcher->SetPath(L"");
    FPausedPath = FolderPath();
    FPausedTicks = LastWriteTicks(FPausedPath);
}

void TShellFileList::RestartWatchers()
{
    if (!FNameWatcher && !FAttrWatcher) return;
    const std::wstring path = FolderPath();
    for (TShFilesWatcher* watcher : {FNameWatcher, FAttrWatcher})
        if (watcher) watcher->SetPath(path);
    // A folder's last-write time moves with every name made or taken in it.
    if (FNameWatcher && !path.empty() && path == FPausedPath && LastWriteTicks(path) != FPausedTicks)
        FNameWatcher->Nudge();
}
