// The list view's input: the mouse states behind context menus and drags,
// the shell menu and what the view does after its commands, renaming in
// place, the keys of a file list, and the clipboard.
#include <windowsx.h>

#include "shellmenus/ShellPopupMenu.h"
#include "shellviews/DragGesture.h"
#include "shellviews/ShellListView.h"
#include "ui/Finally.h"

using Microsoft::WRL::ComPtr;

namespace {
bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// --- buttons and drags ------------------------------------------------------------------

// While a button is held on a row, change notifications wait: the rows under the pointer stay put.
LRESULT TShellListView::WMButtonDown(UINT message, WPARAM wParam, LPARAM lParam)
{
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (ListView_HitTest(Handle(), &hit) >= 0 && (hit.flags & LVHT_ONITEM)) {
        // A quick second press comes as a double click; it holds the row all the same.
        FMouseState = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? 1 : 2;
        FMouseDown = hit.pt;
    }
    const LRESULT result = TCustomListView::WndProc(message, wParam, lParam);
    // The control follows a left press in a loop of its own, which may take the release too:
    // asked of this thread's messages, as Wine may still report the button up that it read before the press.
    if (FMouseState == 1 && !(GetKeyState(VK_LBUTTON) & 0x8000)) FMouseState = 0;
    return result;
}

LRESULT TShellListView::WMButtonUp(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (FMouseState != 3) FMouseState = 0;
    return TCustomListView::WndProc(message, wParam, lParam);
}

LRESULT TShellListView::WMMouseMove(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = TCustomListView::WndProc(WM_MOUSEMOVE, wParam, lParam);
    if (FMouseState == 1 || FMouseState == 2) StartDrag(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return result;
}

void TShellListView::StartDrag(int x, int y)
{
    // A press held within the threshold may still become a click or a drag.
    if (GestureButtonDown(FMouseState) && NearPress(FMouseDown, x, y)) return;
    // Decided on this move, whether a drag runs, is refused or fails: until the
    // next press no move asks again, and notifications flow again.
    TFinally idle([this] { FMouseState = 0; });
    ComPtr<IShellFolder> folder = FFileList->ShellFolder();
    TShellIDList& selection = FFileList->SelectedIDList();
    if (!folder || selection.Count() == 0) return;
    if (!DoShBeginDrag(selection, FMouseDown, x, y)) return;
    ComPtr<IDataObject> data;
    if (FAILED(folder->GetUIObjectOf(Handle(), UINT(selection.Count()), selection.IDListArray(), IID_IDataObject,
                                     nullptr, reinterpret_cast<void**>(data.GetAddressOf()))))
        return;
    // The shell's capability bits for copy, move and link are the drop effects' own.
    const DWORD allowed = selection.CommonAttributes() & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    FMouseState = 3;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.Get(), this, allowed, &effect);
}

bool TShellListView::DoShBeginDrag(TShellIDList& idList, POINT start, int x, int y)
{
    if (!GestureButtonDown(FMouseState) || NearPress(start, x, y)) return false;
    bool canDrag = (idList.Count() > 0 && idList.AllHaveAttribute(iaCanLink)) ||
                   idList.AllHaveAttribute(iaCanCopy) || idList.AllHaveAttribute(iaCanMove);
    if (canDrag && OnShBeginDrag) OnShBeginDrag(this, idList, start, x, y, canDrag);
    return canDrag;
}

// --- the shell menu -----------------------------------------------------------------------

void TShellListView::SetShellPopupMenu(TShellPopupMenu* value)
{
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = value;
    if (!value) return;
    value->SetAutoPopup(false);
    const bool rightToLeft = HandleAllocated() && (GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    value->SetBiDiMode(rightToLeft ? bdRightToLeft : bdLeftToRight);
    value->FreeNotification(this);
}

void TShellListView::Notification(TComponent* component, TOperation operation)
{
    TCustomListView::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == FPopupMenu) FPopupMenu = nullptr;
    if (component == FAttributesImage.ImageList) {
        // The column shows the letters again rather than a destroyed list's images.
        FAttributesImage.ImageList = nullptr;
        UpdateItems();
    }
}

void TShellListView::DoContextPopup(POINT mousePos, bool& handled)
{
    TCustomListView::DoContextPopup(mousePos, handled);
    if (!handled && FMouseState == 2 && FPopupMenu) {
        ClientToScreen(Handle(), &mousePos);
        ShellMenuForSelection(mousePos);
        handled = true;
    }
    FMouseState = 0;
}

void TShellListView::ShellMenuForSelection(POINT screenPoint)
{
    PauseWatch();
    try {
        TShellIDList& selection = FFileList->SelectedIDList();
        if (selection.Count() > 0 && selection.ParentShellFolder()) {
            const std::wstring firstPath = selection.ItemPath(0);
            const bool firstWasFile = FileExists(firstPath);
            FPopupMenu->SetPopupComponent(this);
            FollowShellCommand(FPopupMenu->ShellPopup(&selection, screenPoint), firstPath, firstWasFile);
        }
    } catch (...) {
        FMouseState = 0;
        ResumeWatch();
        throw;
    }
    FMouseState = 0;
    ResumeWatch();
}

void TShellListView::FollowShellCommand(int result, const std::wstring& firstPath, bool firstWasFile)
{
    switch (result) {
    case shellResultLink:
        // The new listing shows the link and whatever else changed so far.
        if (!FFileList->FolderPath().empty()) {
            RefreshList();
            FFileList->ForgetOwnChanges();
        }
        break;
    case shellResultDelete:
        // A cancelled delete leaves the first item where it was.
        if (firstWasFile ? !FileExists(firstPath) : !IsExistingDirectory(firstPath)) {
            FFileList->RemoveSelectedItems();
            // The rows are gone already; a re-listing would only show it again.
            FFileList->ForgetOwnChanges();
            if (FTree) FTree->RefreshTree();
        }
        break;
    case shellResultRename:
        FMouseState = 0;
        EditCaption(NextItem(-1, LVNI_SELECTED));
        break;
    }
}

// --- renaming -----------------------------------------------------------------------------

bool TShellListView::CanEdit(int index)
{
    // Judged on the first selected row, which is the one a rename command means.
    TShellFileItem* first = FFileList->ItemAt(NextItem(-1, LVNI_SELECTED));
    if (!first || !first->HasAttribute(iaCanRename) || !TCustomListView::CanEdit(index)) return false;
    TShellFileItem* edited = FFileList->ItemAt(index);
    FEditedFolder.reset(CopyIDList(FFileList->FolderIDList()));
    FEditedItem.reset(edited ? CopyIDList(edited->RelativeIDList()) : nullptr);
    return true;
}

void TShellListView::Edit(int index, std::wstring& text)
{
    TCustomListView::Edit(index, text);
    // The row may have moved, or gone, while the name was typed.
    const TIDListPtr folder = std::move(FEditedFolder), edited = std::move(FEditedItem);
    if (!IsSameIDList(folder.get(), FFileList->FolderIDList())) return;
    TShellFileItem* item = FFileList->ItemAt(FFileList->IndexOfIDList(edited.get()));
    if (!item) return;
    PauseWatch();
    if (item->Rename(text)) FFileList->ForgetOwnChanges();
    ResumeWatch();
}

// --- keys ---------------------------------------------------------------------------------

LRESULT TShellListView::WMKeyDown(WPARAM wParam, LPARAM lParam)
{
    const bool plain = !(GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000);
    switch (plain ? wParam : 0) {
    case VK_F2:
        if (NextItem(-1, LVNI_FOCUSED) >= 0) EditCaption(NextItem(-1, LVNI_FOCUSED));
        return 0;
    case VK_F5:
        RefreshList();
        return 0;
    case VK_BACK:
        GoUp();
        return 0;
    case VK_DELETE:
        DeleteSelection();
        return 0;
    }
    return TCustomListView::WndProc(WM_KEYDOWN, wParam, lParam);
}

void TShellListView::GoUp()
{
    if (!FTree || FFileList->FolderLevel() <= 0) return;
    TIDListPtr parent(FFileList->FolderLevel() == 1 ? nullptr : ParentIDListOf(FFileList->FolderIDList()));
    if (!parent) SpecialFolderIDList(sfDesktop, parent);
    SetFolderIDList(parent.get());
    FTree->SelectIDList(parent.get());
}

void TShellListView::DeleteSelection()
{
    if (!FPopupMenu) return;
    PauseWatch();
    try {
        TShellIDList& selection = FFileList->SelectedIDList();
        if (selection.Count() > 0) {
            const std::wstring firstPath = selection.ItemPath(0);
            const bool firstWasFile = FileExists(firstPath);
            FollowShellCommand(FPopupMenu->ShellCommand(&selection, L"delete"), firstPath, firstWasFile);
        }
    } catch (...) {
        ResumeWatch();
        throw;
    }
    ResumeWatch();
}

// --- the clipboard ----------------------------------------------------------

LRESULT TShellListView::WMClipboardUpdate()
{
    bool contented = false;
    ComPtr<IDataObject> clipboard;
    if (SUCCEEDED(OleGetClipboard(&clipboard)) && clipboard) {
        FORMATETC format{ShellClipboardFormats().ShellIDList, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        contented = clipboard->QueryGetData(&format) == S_OK;
    }
    DoShClipboard(contented);
    return 0;
}

void TShellListView::DoShClipboard(bool contented)
{
    if (OnShClipboard) OnShClipboard(this, contented);
}
