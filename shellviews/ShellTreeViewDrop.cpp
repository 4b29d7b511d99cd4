// The tree view as a drop target: the node under the pointer takes the drag
// through its shell drop target, and a node held under a drag opens.
#include "shellviews/ShellTreeView.h"

using Microsoft::WRL::ComPtr;

namespace {
// Drag-over notifications on one node before it opens: about a second and a half.
constexpr int kHoverOpenCount = 30;

ComPtr<IDropTarget> NodeDropTarget(TShellTreeItem* item)
{
    ComPtr<IDropTarget> target;
    // The Desktop takes drops whatever it reports of itself.
    if (item && (item->HasAttribute(iaDropTarget) || item->Level() == 0)) item->DropTarget(target);
    return target;
}
}  // namespace

TObject* TShellTreeView::DragSender()
{
    return this;
}

void TShellTreeView::DragAccepted()
{
    FHoverCount = 0;
    FMouseState = 3;
}

HRESULT TShellTreeView::ShDragOver(DWORD keyState, POINT pt, DWORD& effect)
{
    POINT client = pt;
    ScreenToClient(Handle(), &client);
    HRESULT answer = S_OK;
    TTreeNode* node = GetNodeAt(client.x, client.y);
    if (!node) {
        effect = DROPEFFECT_NONE;
        SetDropTarget(nullptr);
    } else {
        TTreeNode* previous = DropTarget();
        SetDropTarget(node);
        if (TShellTreeItem* item = ItemOf(node)) {
            if (ComPtr<IDropTarget> target = NodeDropTarget(item)) {
                answer = AskDropTarget(target.Get(), keyState, pt, effect);
                DoShDragOver(node, keyState, client);
            } else {
                effect = DROPEFFECT_NONE;
            }
            if (node != previous) {
                FHoverCount = 0;
            } else if (++FHoverCount > kHoverOpenCount && node->HasChildren()) {
                node->Expand(false);
                FHoverCount = 0;
            }
        }
    }
    ScrollAtEdgeOf(Handle(), Font(), client);
    return answer;
}

void TShellTreeView::ShDragLeave()
{
    if (DragObject()) {
        FreeDragObject();
        DoShDragLeave();
    }
    SetDropTarget(nullptr);
    FMouseState = 0;
}

bool TShellTreeView::DoShDragDrop(TTreeNode* node, DWORD keyState, POINT pt, DWORD& effect)
{
    const bool defaultAction = TShellDropHost::DoShDragDrop(node, keyState, pt, effect);
    if (!defaultAction) SetDropTarget(nullptr);
    return defaultAction;
}

HRESULT TShellTreeView::ShDrop(DWORD keyState, POINT pt, DWORD& effect)
{
    HRESULT answer = S_OK;
    TTreeNode* node = DropTarget();
    POINT client = pt;
    ScreenToClient(Handle(), &client);
    if (TShellTreeItem* item = ItemOf(node)) {
        if (DoShDragDrop(node, keyState, client, effect)) {
            if (ComPtr<IDropTarget> target = NodeDropTarget(item))
                answer = DeliverDrop(target.Get(), keyState, pt, effect);
            else
                effect = DROPEFFECT_NONE;
        }
    } else {
        // Nothing took the drop: a source that moved would otherwise delete its files.
        effect = DROPEFFECT_NONE;
    }
    FreeDragObject();
    SetDropTarget(nullptr);
    FMouseState = 0;
    return answer;
}
