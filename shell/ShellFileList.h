#pragma once
// The listing behind a shell list view: the rows of one folder, enumerated
// through the shell, filtered by kind and by the view, sorted by a column
// through the folder's own comparison, and kept current by two files
// watchers (names; attributes, sizes and times). The view runs in owner-data
// mode: it holds only the row count and asks the listing for rows by index.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "shell/ShellFileItem.h"
#include "shell/ShellIDList.h"
#include "shell/ShellItemHosts.h"
#include "shell/ShellUtils.h"
#include "ui/ListView.h"

class TShellFileList;
class TShFilesWatcher;

// What the listing asks of the view that owns it.
class TShellListHost {
public:
    virtual TCustomListView& ListControl() = 0;
    // The view's window is being destroyed.
    virtual bool WindowGoing() const = 0;
    virtual bool IncludeHidden() const = 0;
    virtual TShVirtuaItems ShVirtuaItems() const = 0;
    // The view's filter; false drops the row.
    virtual bool DoShFilter(TShellFileItem* item) = 0;
    virtual void DoShListChange(TShellFileList* list) = 0;
    // A mouse button is held on the view or a drag from it runs.
    virtual bool PointerBusy() const = 0;
    // The linked tree's current folder; false when no tree is linked.
    virtual bool LinkedTreeFolder(TIDListPtr& folder) = 0;
    // The header text of a column (0 name, 1 size, 2 type, 3 date, 4 attributes).
    virtual std::wstring ColumnCaption(int column) const = 0;
    // Holding the selection notification while many rows change state.
    virtual void BeginSelHold() = 0;
    virtual void EndSelHold() = 0;
    // The rows' find data were read again: sizes the view summed may have moved.
    virtual void FindDataReloaded() = 0;

protected:
    ~TShellListHost() = default;
};

class TShellFileList : public TObject, public TShellItemListing {
public:
    static constexpr int kColumns = 5;
    static constexpr int kAttributesColumn = 4;
    static constexpr DWORD kNameFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
    static constexpr DWORD kContentsFilter =
        FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

    // How long the watchers of listings made from now on let a burst settle;
    // the watchers' own settle time unless a test shortens it.
    static DWORD WatchSettleMs;

    // `watch` false makes a listing without watchers.
    explicit TShellFileList(TShellListHost& host, bool watch = true);
    ~TShellFileList() override;

    int Count() const { return int(FItems.size()); }
    // The row's item; none outside 0..Count-1.
    TShellFileItem* ItemAt(int index) const;
    void Clear() { FItems.clear(); }

    // TShellItemListing
    LPCITEMIDLIST FolderIDList() const override { return FFolderIDList.get(); }
    int FolderLevel() const override;
    // Bound once per folder and kept.
    Microsoft::WRL::ComPtr<IShellFolder> ShellFolder() const override;
    TViewStyle ViewStyle() const override;
    HWND ListWindow() const override;
    int IndexOf(const TShellFileItem* item) const override;
    // The row of the item the folder names `relative`; -1 when none is listed.
    int IndexOfIDList(LPCITEMIDLIST relative) const;

    LPCITEMIDLIST FolderParentIDList();
    LPCITEMIDLIST FolderLastItemID();
    Microsoft::WRL::ComPtr<IShellFolder> FolderParentFolder();
    bool FolderHasAttribute(TShItemAttribute attribute);
    TShItemIDType FolderType();
    // Empty for a folder outside the file system; the Desktop's directory for the Desktop.
    std::wstring FolderPath();
    Microsoft::WRL::ComPtr<IDropTarget> FolderDropTarget();
    // The selected rows (borrowed lists, in row order) with the folder as parent; reused.
    TShellIDList& SelectedIDList();

    // Lists the folder of `list` (a copy is kept) and fits the columns to its kind.
    void SetFolder(LPCITEMIDLIST list);
    // Enumerates the same folder again; answers the new row count. The rows
    // still listed keep their selection, the focused one the focus, and the
    // first row shown stays first.
    int Refresh();
    void Sort(int column);
    // Sorts with the selection and the focus kept on the same items.
    void SortByColumn(int column);
    // Drops the selected rows without asking the shell (their items are gone).
    void RemoveSelectedItems();
    // The watchers' hand-over, on the main thread.
    void FilesChanged(TObject* watcher, const std::wstring& path);
    // Pauses may nest; watching resumes when the outermost one ends, and then
    // looks for what others changed in the folder meanwhile.
    void StopWatchers();
    void RestartWatchers();
    // The folder's changes since the pause began are shown already (the
    // view's own rename or delete, or a new listing): the resume does not
    // look for them.
    void ForgetOwnChanges();

    int SortColumn() const { return FSortColumn; }
    // The direction factor per column: +1 ascending, -1 descending.
    std::array<int, kColumns> SortDirections{1, 1, 1, 1, 1};

private:
    int Reenumerate(bool keepPlace);
    void Relist(TCustomListView& view, bool keepPlace);
    int Enumerate(IShellFolder* folder, int level);
    void Resort(TCustomListView& view, int column);
    void FollowChange(TObject* watcher, const std::wstring& path);
    void WatchPath(const std::wstring& path);
    bool KindAccepted(int level, TShItemIDType folderType, TShellFileItem& item) const;
    void FreeFolderLists();
    void FolderVanished();
    void FitColumns();
    void WatcherTerminated(TObject* watcher);
    TShFilesWatcher* MakeWatcher(DWORD filter);

    TShellListHost& FHost;
    std::vector<std::unique_ptr<TShellFileItem>> FItems;
    int FSortColumn = 0;
    std::vector<int> FColumnOrder;
    std::vector<int> FColumnWidths;
    TIDListPtr FFolderIDList;
    TIDListPtr FFolderParentIDList;
    TIDListPtr FFolderLastItemID;
    mutable Microsoft::WRL::ComPtr<IShellFolder> FShellFolder;
    TShellIDList FSelection;
    // The folder, and its last-write time, when the watchers were last stopped:
    // names changed while nothing watched are looked for when they restart.
    std::wstring FPausedPath;
    ULONGLONG FPausedTicks = 0;
    int FPauseDepth = 0;
    bool FOwnChanges = false;  // the view changed the folder itself during this pause
    // Reports that came while watching paused (from a nested message loop):
    // the watchers are asked to report again when the pause ends.
    bool FMissedNames = false;
    bool FMissedContents = false;
    TShFilesWatcher* FNameWatcher = nullptr;
    TShFilesWatcher* FAttrWatcher = nullptr;
};
