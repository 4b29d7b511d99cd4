#include "shell/ShellFileList.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "shell/RowMatch.h"
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

DWORD TShellFileList::WatchSettleMs = TShFilesWatcher::DefaultSettleMs;

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
    }, WatchSettleMs);
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
    return Reenumerate(true);
}

int TShellFileList::Reenumerate(bool keepPlace)
{
    StopWatchers();
    TCustomListView& view = FHost.ListControl();
    std::exception_ptr failure;
    {
        TUpdateScope update(view);
        try {
            Relist(view, keepPlace);
        } catch (...) {
            // A filter that failed halfway leaves no rows rather than some.
            Clear();
            view.SetItemCount(0);
            failure = std::current_exception();
        }
    }
    // The view hears of an empty listing too; the user sees the first error only.
    try {
        FHost.DoShListChange(this);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    // Watching goes on however the listing ended.
    RestartWatchers();
    if (failure) std::rethrow_exception(failure);
    return Count();
}

namespace {
// Where the user was among the rows of a folder: the rows themselves, which
// of them were selected and focused, and the first one shown.
struct TRowsPlace {
    std::vector<std::unique_ptr<TShellFileItem>> Rows;
    std::vector<int> Selected;
    int Focused = -1;
    int Top = 0;
};

TRowsPlace TakePlace(TCustomListView& view, std::vector<std::unique_ptr<TShellFileItem>>& rows)
{
    TRowsPlace place;
    place.Rows = std::move(rows);
    rows.clear();
    rows.reserve(std::max<size_t>(kInitialCapacity, place.Rows.size()));
    // Asking the control row by row is slow in a big folder; all rows (select-all) need no asking.
    if (view.SelCount() == int(place.Rows.size())) {
        place.Selected.resize(place.Rows.size());
        std::iota(place.Selected.begin(), place.Selected.end(), 0);
    } else {
        for (int i = view.NextItem(-1, LVNI_SELECTED); i >= 0; i = view.NextItem(i, LVNI_SELECTED))
            place.Selected.push_back(i);
    }
    place.Focused = view.NextItem(-1, LVNI_FOCUSED);
    place.Top = view.TopIndex();
    return place;
}

// Gives the place back to the same items in the new rows, touching only the
// rows whose state changes: a listing that found the same rows changes nothing.
void GivePlaceBack(TCustomListView& view, IShellFolder* folder, const std::vector<std::unique_ptr<TShellFileItem>>& rows,
                   const TRowsPlace& place)
{
    const int count = int(rows.size());
    std::vector<LPCITEMIDLIST> oldLists, newLists;
    oldLists.reserve(place.Rows.size());
    newLists.reserve(rows.size());
    for (const auto& row : place.Rows) oldLists.push_back(row->RelativeIDList());
    for (const auto& row : rows) newLists.push_back(row->RelativeIDList());
    const std::vector<int> oldOf = MatchRows(folder, oldLists, newLists);
    std::vector<int> newOf(place.Rows.size(), -1);
    for (int i = 0; i < count; ++i)
        if (oldOf[size_t(i)] >= 0) newOf[size_t(oldOf[size_t(i)])] = i;

    std::vector<bool> wanted(size_t(count), false), had(size_t(count), false);
    for (int old : place.Selected) {
        if (newOf[size_t(old)] >= 0) wanted[size_t(newOf[size_t(old)])] = true;
        if (old < count) had[size_t(old)] = true;
    }
    // Rows past the new end are let go while they still exist.
    for (int old : place.Selected)
        if (old >= count || !wanted[size_t(old)]) view.SetItemState(old, LVIS_SELECTED, false);
    if (view.ItemCount() != count) view.SetItemCount(count, LVSICF_NOSCROLL);
    for (int i = 0; i < count; ++i)
        if (wanted[size_t(i)] && !had[size_t(i)]) view.SetItemState(i, LVIS_SELECTED, true);
    if (count == 0) return;

    // A focused row that went leaves the focus to the row that took its place.
    int focus = place.Focused >= 0 ? newOf[size_t(place.Focused)] : 0;
    if (focus < 0) focus = std::min(place.Focused, count - 1);
    if (!view.ItemHasState(focus, LVIS_FOCUSED)) view.SetItemState(focus, LVIS_FOCUSED, true);
    // The first row shown stays first; when it went, the next one still listed does.
    for (size_t old = size_t(std::max(place.Top, 0)); old < newOf.size(); ++old) {
        if (newOf[old] < 0) continue;
        if (newOf[old] != view.TopIndex()) view.ScrollToTop(newOf[old]);
        break;
    }
}
}  // namespace

void TShellFileList::Relist(TCustomListView& view, bool keepPlace)
{
    // A folder that cannot be bound shows no rows rather than the last folder's.
    TRowsPlace place;
    if (keepPlace) {
        place = TakePlace(view, FItems);
    } else {
        Clear();
        if (view.ViewStyle() == vsList && view.ItemCount() > 0) view.MakeVisible(0, false);
        view.SetItemCount(0);
    }
    // The view keeps its style while the rows come: a detour through the
    // icon style would lay out every new row as an icon for nothing.
    ComPtr<IShellFolder> folder = ShellFolder();
    if (folder) Enumerate(folder.Get(), FolderLevel());
    if (keepPlace) {
        GivePlaceBack(view, folder.Get(), FItems, place);
    } else if (Count() > 0) {
        view.SetItemCount(Count());
        view.SetItemState(0, LVIS_FOCUSED, true);
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
    // The new folder's changes wait until it is listed and its columns fitted.
    StopWatchers();
    try {
        TUpdateScope update(view);
        const int rows = Reenumerate(false);
        view.SetItemCount(rows);
        if (rows > 0) view.MakeVisible(0, false);
    } catch (...) {
        RestartWatchers();
        FitColumns();  // the columns belong to the new folder, listed or not
        throw;
    }
    RestartWatchers();
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
    if (FPauseDepth > 0) {
        // Handed over inside a listing or a paused operation (a nested
        // message loop): following it now would list inside the listing.
        (watcher == FNameWatcher ? FMissedNames : FMissedContents) = true;
        return;
    }
    if (!IsExistingDirectory(listed)) {
        FolderVanished();
    } else if (watcher == FNameWatcher) {
        Refresh();
    } else if (watcher == FAttrWatcher) {
        for (const auto& item : FItems) item->ReloadFindData();
        FHost.ListControl().UpdateItems();
        FHost.FindDataReloaded();
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
            WatchPath(L"");
            FHost.DoShListChange(this);
        }
    }
}

void TShellFileList::WatchPath(const std::wstring& path)
{
    for (TShFilesWatcher* watcher : {FNameWatcher, FAttrWatcher})
        if (watcher) watcher->SetPath(path);
}

void TShellFileList::StopWatchers()
{
    const std::wstring path = FolderPath();
    // A pause within a pause of the same folder goes on looking from the first one's time.
    if (FPauseDepth++ > 0 && path == FPausedPath) return;
    WatchPath(L"");
    FPausedPath = path;
    FPausedTicks = LastWriteTicks(path);
    FOwnChanges = false;
}

void TShellFileList::RestartWatchers()
{
    if (FPauseDepth > 0 && --FPauseDepth > 0) return;
    const std::wstring path = FolderPath();
    // A folder's last-write time moves with every name made or taken in it:
    // the name watcher compares it once it watches again.
    const bool samePath = !path.empty() && path == FPausedPath;
    const bool own = samePath && std::exchange(FOwnChanges, false);
    if (FNameWatcher) FNameWatcher->SetPath(path, samePath ? FPausedTicks : 0, own);
    if (FAttrWatcher) FAttrWatcher->SetPath(path, 0, own);
    const bool names = std::exchange(FMissedNames, false);
    const bool contents = std::exchange(FMissedContents, false);
    if (names && FNameWatcher) FNameWatcher->Nudge();
    if (contents && FAttrWatcher) FAttrWatcher->Nudge();
}

void TShellFileList::ForgetOwnChanges()
{
    if (FPauseDepth == 0) return;
    FPausedTicks = LastWriteTicks(FPausedPath);
    FOwnChanges = true;
}
