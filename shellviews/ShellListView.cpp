#include "shellviews/ShellListView.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "shell/ShellClassCache.h"
#include "shellviews/ShellCtrlsRes.h"
#include "ui/Cursor.h"
#include "ui/Exceptions.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
// Upper case for every script, not only ASCII, as the search compares it.
std::wstring UpperCase(const std::wstring& text)
{
    if (text.empty()) return text;
    std::wstring upper(text.size() * 2 + 8, L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE | LCMAP_LINGUISTIC_CASING,
                                     text.c_str(), int(text.size()), upper.data(), int(upper.size()), nullptr,
                                     nullptr, 0);
    if (length <= 0) return text;
    upper.resize(size_t(length));
    return upper;
}

// The same item list, byte for byte.
bool SameIDList(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    const WORD size = IDListSize(a);
    return size == IDListSize(b) && (size == 0 || std::memcmp(a, b, size) == 0);
}
}  // namespace

TShellListView::TShellListView(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TCustomListView(owner, parent, bounds)
{
    SetOwnerData(true);
    TCustomListView::SetViewStyle(vsIcon);
    FFileList = std::make_unique<TShellFileList>(*this);
    const int width = ControlWidth() / TShellFileList::kColumns;
    for (int column = 0; column < TShellFileList::kColumns; ++column)
        AddColumn({ColumnCaption(column), width, column == 1 || column == 4 ? LVCFMT_RIGHT : LVCFMT_LEFT});
    ShellCtrlList().AddControl(this);
}

TShellListView::~TShellListView()
{
    FRowWorker.reset();
    ShellCtrlList().RemoveControl(this);
    // The window goes while this is still a shell view: its services are ours to release.
    if (HandleAllocated()) DestroyWnd();
    FFileList.reset();
}

void TShellListView::Loaded()
{
    HandleNeeded();
}

std::wstring TShellListView::ColumnCaption(int column) const
{
    return ResourceString(unsigned(IDS_SHELL_COLUMN_FIRST + column));
}

// --- the window -------------------------------------------------------------------------

void TShellListView::CreateWnd()
{
    FWindowGone = false;
    TCustomListView::CreateWnd();
    ListView_SetImageList(Handle(), SystemImageList(false), LVSIL_SMALL);
    ListView_SetImageList(Handle(), SystemImageList(true), LVSIL_NORMAL);
    OleCheck(RegisterDragDrop(Handle(), this));
    FDropRegistered = true;
    // A format listener, not the viewer chain: nobody else's failure can cut it.
    FClipboardListening = AddClipboardFormatListener(Handle());
    if (!FFileList->FolderIDList()) {
        TIDListPtr desktop;
        if (SpecialFolderIDList(sfDesktop, desktop)) SetFolderIDList(desktop.get());
    } else {
        // A new window shows the same folder again.
        TIDListPtr current(CopyIDList(FFileList->FolderIDList()));
        FFileList->SetFolder(current.get());
    }
}

void TShellListView::DestroyWnd()
{
    FWindowGone = true;
    ReleaseWindowServices();
    TCustomListView::DestroyWnd();
}

void TShellListView::ReleaseWindowServices()
{
    if (!HandleAllocated()) return;
    if (FClipboardListening) {
        FClipboardListening = false;
        RemoveClipboardFormatListener(Handle());
    }
    if (FDropRegistered) {
        FDropRegistered = false;
        // Also reached from the destructor: a registration that is already gone leaves nothing to undo.
        RevokeDragDrop(Handle());
    }
}

LRESULT TShellListView::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_REBUILD:
        // The system image list may have been rebuilt: class icons are asked anew.
        ClearShellClassCache();
        RecreateWnd();
        return 0;
    case WM_DESTROY:
        ReleaseWindowServices();
        break;
    case WM_CONTEXTMENU:
        // The menu key and Shift+F10 mean the selection, as a right press on it would.
        if (lParam == -1 && SelCount() > 0) FMouseState = 2;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        return WMButtonDown(message, wParam, lParam);
    case WM_LBUTTONUP:
        return WMButtonUp(message, wParam, lParam);
    case WM_MOUSEMOVE:
        return WMMouseMove(wParam, lParam);
    case WM_KEYDOWN:
        return WMKeyDown(wParam, lParam);
    case WM_CLIPBOARDUPDATE:
        return WMClipboardUpdate();
    }
    return TCustomListView::WndProc(message, wParam, lParam);
}

void TShellListView::WinIniChange()
{
    TCustomListView::WinIniChange();
    // Rebuilt later, outside the broadcast: the new window asks for the system image lists again.
    if (HandleAllocated()) PostMessageW(Handle(), WM_REBUILD, 0, 0);
}

void TShellListView::VisibleChanged()
{
    if (Visible()) DoShSelChange(FSelSize);
}

// --- navigation ---------------------------------------------------------------------------

void TShellListView::SetFolderIDList(LPCITEMIDLIST list)
{
    if (!list || !HandleAllocated()) return;
    LPCITEMIDLIST current = FFileList->FolderIDList();
    if (IDListLevel(list) == IDListLevel(current)) {
        ComPtr<IShellFolder> desktop;
        if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && CompareItemIDs(desktop.Get(), current, list) == crSame) return;
    }
    FFileList->SetFolder(list);
}

void TShellListView::RefreshList()
{
    // The user's way to have icons and types asked again, as after installing a program.
    ClearShellClassCache();
    // The listing has kept the user's place: the count must not scroll it away.
    SetItemCount(FFileList->Refresh(), LVSICF_NOSCROLL);
    UpdateItems();
}

bool TShellListView::LinkedTreeFolder(TIDListPtr& folder)
{
    return FTree && FTree->SelectedFolderIDList(folder);
}

// --- rows ---------------------------------------------------------------------------------

bool TShellListView::OwnerDataFetch(int index, unsigned request, TListRow& row)
{
    TShellFileItem* item = FFileList->ItemAt(index);
    if (!item || FWindowGone) return false;
    // The icon, the overlay and the type name come from the worker: until
    // they do, the row shows its kind's icon and no type.
    const bool large = ViewStyle() == vsIcon;
    const bool columns = ViewStyle() == vsReport && ColumnCount() > 1;
    const bool known = (request & (irImage | irState)) || ((request & irText) && columns)
                           ? RowInfoReady(index, *item, large)
                           : false;
    if (request & irImage)
        row.ImageIndex = known ? item->KnownImageIndex(large) : GenericIconIndex(item->HasAttribute(iaFolder), large);
    if (request & irText) row.Caption = item->DisplayName();
    if (request & irState) row.OverlayState = item->KnownOverlayState();
    row.Data = item;
    if ((request & irText) && columns) {
        row.SubItems = {item->SizeText(), item->KnownTypeName(), item->DateText()};
        if (!FAttributesImage.ImageList) row.SubItems.push_back(item->AttributeLetters());
    }
    return true;
}

bool TShellListView::OwnerDataHint(int startIndex, int endIndex)
{
    if (FWindowGone) return true;
    const bool large = ViewStyle() == vsIcon;
    for (int i = startIndex; i <= endIndex; ++i) {
        if (TShellFileItem* item = FFileList->ItemAt(i)) {
            item->DisplayName();
            RowInfoReady(i, *item, large);
        }
    }
    return true;
}

bool TShellListView::RowInfoReady(int index, TShellFileItem& item, bool large)
{
    if (item.RowInfoKnown(large)) return true;
    if (!FRowWorker) {
        FRowWorker.reset(new TShellRowWorker([this](std::vector<TRowAnswer>& answers) { TakeRowAnswers(answers); }));
        FRowWorker->NewListing(FFileList->FolderIDList());
    }
    if (FRowWorker->Asking(&item, large)) return false;
    // A row of a class the shell has told of already needs no trip to the worker.
    if (item.TakeClassInfo(large)) return true;
    FRowWorker->Ask(&item, index, item.RelativeIDList(), large);
    return false;
}

void TShellListView::TakeRowAnswers(std::vector<TRowAnswer>& answers)
{
    int first = -1, last = -1;
    for (const TRowAnswer& answer : answers) {
        // An answer for an earlier listing: its row may be gone, or be another item now.
        if (answer.Generation != FRowWorker->Generation()) continue;
        FRowWorker->Answered(answer.Row, answer.Info.Large);
        const auto* row = static_cast<const TShellFileItem*>(answer.Row);
        const int index = FFileList->ItemAt(answer.RowHint) == row ? answer.RowHint : FFileList->IndexOf(row);
        TShellFileItem* item = FFileList->ItemAt(index);
        // A rename or a listing from inside a nested message loop changed what the row is.
        if (!item || !SameIDList(item->RelativeIDList(), answer.Relative.get()) ||
            !SameIDList(FFileList->FolderIDList(), answer.Folder.get()))
            continue;
        item->SetRowInfo(answer.Info);
        first = first < 0 ? index : std::min(first, index);
        last = std::max(last, index);
    }
    if (last >= 0) RedrawRows(first, last);
}

int TShellListView::OwnerDataFind(TItemFind find, const std::wstring& text, void* data, int startIndex, bool wrap)
{
    const int count = FFileList->Count();
    if (find == ifData) return FFileList->IndexOf(static_cast<TShellFileItem*>(data));
    if ((find != ifPartialString && find != ifExactString) || count == 0) return -1;
    const std::wstring wanted = UpperCase(text);
    if (startIndex >= count && !wrap) return -1;
    const int start = startIndex >= 0 && startIndex < count ? startIndex : 0;
    int i = start;
    do {
        TShellFileItem* item = FFileList->ItemAt(i);
        if (!item) return -1;
        const std::wstring name = UpperCase(item->DisplayName());
        if (find == ifPartialString ? name.find(wanted) != std::wstring::npos : name.starts_with(wanted)) return i;
        if (++i >= count) {
            if (!wrap) return -1;
            i = 0;
        }
    } while (i != start);
    return -1;
}

void TShellListView::ColClick(int column)
{
    TCustomListView::ColClick(column);
    if (column < 0 || column >= TShellFileList::kColumns) return;
    BeginUpdate();
    try {
        TWaitCursor wait;
        int& factor = FFileList->SortDirections[size_t(column)];
        factor = -factor;
        FFileList->SortByColumn(column);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TShellListView::ItemActivate(int index, int subItem, TShiftState shift, POINT point)
{
    ExecuteItem(index, subItem, shift, point.x, point.y);
}

void TShellListView::ExecuteItem(int index, int subItem, TShiftState shift, int x, int y)
{
    TShellFileItem* item = FFileList->ItemAt(index);
    if (!item) return;
    // Listing another folder frees the rows: work on a copy of the item's list.
    TIDListPtr target(CopyIDList(item->AbsoluteIDList()));
    if (item->HasAttribute(iaFolder) && !item->HasAttribute(iaBrowsable)) {
        SetFolderIDList(target.get());
        if (FTree) FTree->SelectIDList(target.get());
        return;
    }
    bool defaultAction = true;
    DoShExecute(item, shift, subItem, x, y, defaultAction);
    if (!defaultAction || !target) return;
    // What is opened from a folder starts in it. The process keeps its own
    // current directory: one held there could not be deleted or renamed.
    const std::wstring directory = FFileList->FolderPath();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = Handle();
    info.nShow = SW_SHOWNORMAL;
    info.lpIDList = target.get();
    ShellExecuteExW(&info);
}

void TShellListView::DoShExecute(TShellFileItem* item, TShiftState shift, int subItem, int x, int y,
                                 bool& defaultAction)
{
    if (OnShExecute) OnShExecute(this, item, shift, subItem, x, y, defaultAction);
}

bool TShellListView::DoShFilter(TShellFileItem* item)
{
    bool accept = true;
    if (OnShFilter) OnShFilter(this, item, accept);
    return accept;
}

void TShellListView::DoShListChange(TShellFileList* list)
{
    // New rows carry no selection of the old ones, whatever the control told.
    FSelSize = SelectedSize();
    // What the worker was asked for the old rows is of no use now.
    if (FRowWorker) FRowWorker->NewListing(FFileList->FolderIDList());
    if (OnShListChange) OnShListChange(this, list);
}

// --- selection size -----------------------------------------------------------------------

DWORD TShellListView::SelectedSize() const
{
    DWORD size = 0;
    // Every row selected (select-all) is summed without asking the control row by row.
    if (SelCount() == FFileList->Count()) {
        for (int i = 0; i < FFileList->Count(); ++i) size += FFileList->ItemAt(i)->FileSize();
        return size;
    }
    for (int i = NextItem(-1, LVNI_SELECTED); i >= 0; i = NextItem(i, LVNI_SELECTED))
        if (TShellFileItem* item = FFileList->ItemAt(i)) size += item->FileSize();
    return size;
}

void TShellListView::ItemChanged(const NMLISTVIEW& change)
{
    TShellFileItem* item = FFileList->ItemAt(change.iItem);
    if (item && change.uChanged == LVIF_STATE) {
        const bool was = change.uOldState & LVIS_SELECTED, is = change.uNewState & LVIS_SELECTED;
        if (was && !is) FSelSize -= item->FileSize();
        if (!was && is) FSelSize += item->FileSize();
    } else if (!item) {
        FSelSize = SelectedSize();
    } else {
        return;
    }
    DoShSelChange(FSelSize);
}

bool TShellListView::OwnerDataStateChange(int startIndex, int endIndex, UINT oldState, UINT newState)
{
    // A range may be selected or deselected: what counts is what is selected now.
    FSelSize = SelectedSize();
    DoShSelChange(FSelSize);
    return TCustomListView::OwnerDataStateChange(startIndex, endIndex, oldState, newState);
}

// Selection changes add and take away one row's size at a time; a selected
// file that grew or shrank since would leave the sum off for good, so a
// reload counts the selected rows once more.
void TShellListView::FindDataReloaded()
{
    const DWORD size = SelectedSize();
    if (size == FSelSize) return;
    FSelSize = size;
    DoShSelChange(FSelSize);
}

void TShellListView::DoShSelChange(DWORD selSize)
{
    if (FSelHold <= 0 && OnShSelChange) OnShSelChange(this, selSize);
}

void TShellListView::BeginSelHold()
{
    ++FSelHold;
}

void TShellListView::EndSelHold()
{
    if (--FSelHold > 0) return;
    FSelHold = 0;
    DoShSelChange(FSelSize);
}

// --- properties ---------------------------------------------------------------------------

void TShellListView::SetIncludeHidden(bool value)
{
    if (value == FIncludeHidden) return;
    FIncludeHidden = value;
    if (FTree) FTree->SetIncludeHidden(value);
    if (HandleAllocated()) RefreshList();
}

void TShellListView::SetShVirtuaItems(TShVirtuaItems value)
{
    if (value == FShVirtuaItems) return;
    FShVirtuaItems = value;
    if (FTree) FTree->SetShVirtuaItems(value);
    if (HandleAllocated()) RefreshList();
}

void TShellListView::SetViewStyle(TViewStyle value)
{
    if (value == ViewStyle()) return;
    if (HandleAllocated()) {
        BeginUpdate();
        // The list style scrolls sideways: the first row is where both styles agree.
        if (ItemCount() > 0 && (value == vsList || ViewStyle() == vsList)) MakeVisible(0, true);
        EndUpdate();
    }
    TCustomListView::SetViewStyle(value);
}

void TShellListView::SetAttributesImage(const TAttributesImage* value)
{
    if (!value || *value == FAttributesImage) return;
    if (FAttributesImage.ImageList) FAttributesImage.ImageList->RemoveFreeNotification(this);
    FAttributesImage = *value;
    if (FAttributesImage.ImageList) FAttributesImage.ImageList->FreeNotification(this);
    UpdateItems();
}
