// The list view as a drop target: the row under the pointer, or else the
// listed folder, takes the drag through its shell drop target.
#include "shellviews/ShellListView.h"

using Microsoft::WRL::ComPtr;

namespace {
// An icon's label box ends a little above where the eye puts it.
constexpr int kIconRetryRise = 2;
}  // namespace

TObject* TShellListView::DragSender()
{
    return this;
}

int TShellListView::DropRowAt(POINT client) const
{
    LVHITTESTINFO hit{};
    hit.pt = client;
    int row = ListView_HitTest(Handle(), &hit);
    if (row < 0 && ViewStyle() == vsIcon) {
        hit = LVHITTESTINFO{};
        hit.pt = POINT{client.x, client.y - kIconRetryRise};
        row = ListView_HitTest(Handle(), &hit);
    }
    return row;
}

void TShellListView::SetDropRow(int row)
{
    if (row == FDropRow) return;
    if (FDropRow >= 0) SetItemState(FDropRow, LVIS_DROPHILITED, false);
    FDropRow = row;
    if (row >= 0) SetItemState(row, LVIS_DROPHILITED, true);
}

ComPtr<IDropTarget> TShellListView::RowDropTarget(TShellFileItem* item) const
{
    ComPtr<IDropTarget> target;
    if (item && item->HasAttribute(iaDropTarget)) item->DropTarget(target);
    return target;
}

ComPtr<IDropTarget> TShellListView::FolderDropTarget() const
{
    // The Desktop's own directory takes drops whatever the Desktop reports of itself.
    if (FFileList->FolderLevel() != 0 && !FFileList->FolderHasAttribute(iaDropTarget)) return nullptr;
    return FFileList->FolderDropTarget();
}

HRESULT TShellListView::ShDragOver(DWORD keyState, POINT pt, DWORD& effect)
{
    POINT client = pt;
    ScreenToClient(Handle(), &client);
    const int row = DropRowAt(client);
    TShellFileItem* item = FFileList->ItemAt(row);
    HRESULT answer = S_OK;
    if (ComPtr<IDropTarget> target = RowDropTarget(item)) {
        answer = AskDropTarget(target.Get(), keyState, pt, effect);
        SetDropRow(row);
        DoShDragOver(item, keyState, pt);
    } else {
        SetDropRow(-1);
        if (ComPtr<IDropTarget> folder = FolderDropTarget()) {
            answer = AskDropTarget(folder.Get(), keyState, pt, effect);
            DoShDragOver(item, keyState, pt);
        } else {
            effect = DROPEFFECT_NONE;
        }
    }
    ScrollAtEdge(client);
    return answer;
}

void TShellListView::ShDragLeave()
{
    SetDropRow(-1);
    if (!DragObject()) return;
    FreeDragObject();
    DoShDragLeave();
}

HRESULT TShellListView::ShDrop(DWORD keyState, POINT pt, DWORD& effect)
{
    HRESULT answer = S_OK;
    const bool onRow = FDropRow >= 0;
    TShellFileItem* item = onRow ? FFileList->ItemAt(FDropRow) : nullptr;
    if (onRow && !item) {
        effect = DROPEFFECT_NONE;
    } else if (DoShDragDrop(item, keyState, pt, effect)) {
        if (ComPtr<IDropTarget> target = onRow ? RowDropTarget(item) : FolderDropTarget())
            answer = DeliverDrop(target.Get(), keyState, pt, effect);
        else
            effect = DROPEFFECT_NONE;
    }
    FreeDragObject();
    SetDropRow(-1);
    return answer;
}

void TShellListView::ScrollAtEdge(POINT point)
{
    if (HandleAllocated()) ScrollAtEdgeOf(Handle(), Font(), point);
}
