// The tree view's input: selection on button release, the start of a drag,
// the shell's context menu with its follow-ups and renaming in place.
#include "shellmenus/ShellPopupMenu.h"
#include "shellviews/DragGesture.h"
#include "shellviews/ShellTreeView.h"
#include "ui/Finally.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr UINT kOnItem = TVHT_ONITEM;  // icon, label or state icon
}  // namespace

// --- the mouse ------------------------------------------------------------------------------

LRESULT TShellTreeView::WMLButtonDown(WPARAM wParam, LPARAM lParam)
{
    FMouseState = 0;
    const POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
    TTreeNode* node = GetNodeAt(point.x, point.y);
    if (node && (HitTest(point.x, point.y) & kOnItem)) {
        node->SetDropTarget(true);
        FMouseState = 1;
        FMouseDown = point;
    } else if (node) {
        SetDropTarget(nullptr);
    }
    const LRESULT result = TCustomTreeView::WndProc(WM_LBUTTONDOWN, wParam, lParam);
    // The control follows the button in a loop of its own, which may take the release from us.
    if (FMouseState == 1 && !GestureButtonDown(FMouseState)) ButtonReleased();
    return result;
}

LRESULT TShellTreeView::WMLButtonUp(WPARAM wParam, LPARAM lParam)
{
    if (FMouseState == 1) ButtonReleased();
    FMouseState = 0;
    return TCustomTreeView::WndProc(WM_LBUTTONUP, wParam, lParam);
}

void TShellTreeView::ButtonReleased()
{
    TTreeNode* node = DropTarget();
    FMouseState = 0;
    if (!ItemOf(node)) return;
    SetSelected(node);
    SetDropTarget(nullptr);
    if (AutoExpand()) Change(Selected());
}

LRESULT TShellTreeView::WMRButtonDown(WPARAM wParam, LPARAM lParam)
{
    FMouseState = 0;
    const POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
    TTreeNode* node = GetNodeAt(point.x, point.y);
    if (TShellTreeItem* item = ItemOf(node); item && item->Level() != 0) {
        node->SetDropTarget(true);
        FMouseState = 2;
        FMouseDown = point;
    }
    return TCustomTreeView::WndProc(WM_RBUTTONDOWN, wParam, lParam);
}

LRESULT TShellTreeView::WMMouseMove(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = TCustomTreeView::WndProc(WM_MOUSEMOVE, wParam, lParam);
    if (FMouseState == 1 || FMouseState == 2) DragGesture(short(LOWORD(lParam)), short(HIWORD(lParam)));
    return result;
}

void TShellTreeView::DragGesture(int x, int y)
{
    // A press held within the distance may still become a click or a drag.
    if (GestureButtonDown(FMouseState) && NearPress(FMouseDown, x, y)) return;
    // Decided on this move, whether a drag runs, is refused or fails: until the
    // next press no move asks again, and notifications flow again.
    TFinally idle([this] {
        FMouseState = 0;
        SetDropTarget(nullptr);
    });
    if (DoShBeginDrag(FMouseDown, x, y)) StartDrag(DropTarget());
}

bool TShellTreeView::DoShBeginDrag(POINT start, int x, int y)
{
    TTreeNode* node = DropTarget();
    TShellTreeItem* item = ItemOf(node);
    if (!item || !GestureButtonDown(FMouseState)) return false;
    if (!item->HasAttribute(iaCanLink) && !item->HasAttribute(iaCanCopy) && !item->HasAttribute(iaCanMove))
        return false;
    if (NearPress(start, x, y)) return false;
    bool canDrag = true;
    if (OnShBeginDrag) OnShBeginDrag(this, node, start, x, y, canDrag);
    return canDrag;
}

void TShellTreeView::StartDrag(TTreeNode* node)
{
    TShellTreeItem* item = ItemOf(node);
    IShellFolder* folder = item ? item->ParentFolder() : nullptr;
    if (!folder) return;
    LPCITEMIDLIST child = item->Level() == 0 ? item->AbsoluteIDList() : item->RelativeIDList();
    SFGAOF attributes = SFGAO_CAPABILITYMASK;
    if (FAILED(folder->GetAttributesOf(1, &child, &attributes))) return;
    ComPtr<IDataObject> data;
    if (FAILED(folder->GetUIObjectOf(Handle(), 1, &child, IID_IDataObject, nullptr,
                                     reinterpret_cast<void**>(data.GetAddressOf()))))
        return;
    FMouseState = 3;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.Get(), this, attributes & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK), &effect);
}

// --- the context menu and renaming ------------------------------------------------------------

void TShellTreeView::DoContextPopup(POINT mousePos, bool& handled)
{
    TCustomTreeView::DoContextPopup(mousePos, handled);
    TTreeNode* node = DropTarget();
    TShellTreeItem* item = ItemOf(node);
    if (!handled && FMouseState == 2 && FPopupMenu && item && item->Level() != 0) {
        POINT screen = mousePos;
        ClientToScreen(Handle(), &screen);
        PauseWatch();
        try {
            TTreeNode* fallback = node->Selected() ? node->Parent() : nullptr;
            FContextIDList.Clear();
            FContextIDList.Add(item->RelativeIDList());
            FContextIDList.SetParentIDList(item->ParentIDList());
            FPopupMenu->SetPopupComponent(this);
            handled = true;
            switch (FPopupMenu->ShellPopup(&FContextIDList, screen)) {
            case shellResultDelete:
                if (fallback) {
                    if (FListView) {
                        FListView->PauseWatch();
                        FListView->SetFolderIDList(ItemOf(fallback) ? ItemOf(fallback)->AbsoluteIDList() : nullptr);
                    }
                    FMouseState = 0;
                    SetSelected(fallback);
                }
                // The deleted folder's node, and with it `node`, may be gone from here on.
                RefreshWithCombo();
                break;
            case shellResultRename:
                FMouseState = 0;
                node->EditText();
                break;
            case shellResultCut:
                node->SetCut(true);
                break;
            default:
                FMouseState = 0;
                break;
            }
        } catch (...) {
            ResumeWatch();
            SetDropTarget(nullptr);
            FMouseState = 0;
            throw;
        }
        ResumeWatch();
    }
    SetDropTarget(nullptr);
    FMouseState = 0;
}

bool TShellTreeView::CanEdit(TTreeNode* node)
{
    TShellTreeItem* item = ItemOf(node);
    if (!item || FMouseState != 0 || !item->HasAttribute(iaCanRename) || item->Level() == 0) return false;
    return TCustomTreeView::CanEdit(node);
}

void TShellTreeView::Edit(TTreeNode* node, std::wstring& text)
{
    TCustomTreeView::Edit(node, text);
    TShellTreeItem* item = ItemOf(node);
    if (!item) return;
    PauseWatch();
    if (FListView) FListView->PauseWatch();
    try {
        if (item->Rename(text)) {
            if (FCombo) {
                if (item->Level() == 1) FCombo->RebuildList();
                FCombo->SelectIDList(item->AbsoluteIDList());
            }
            ListFolder(item->AbsoluteIDList());
        }
    } catch (...) {
        if (FListView) FListView->ResumeWatch();
        ResumeWatch();
        throw;
    }
    if (FListView) FListView->ResumeWatch();
    ResumeWatch();
}
