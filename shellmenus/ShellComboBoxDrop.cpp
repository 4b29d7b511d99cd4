// The combo box as a drop target: no hit test and no highlight, since the
// whole control stands for its selected folder, which takes every drag
// through its shell drop target.
#include "shellmenus/ShellComboBox.h"

using Microsoft::WRL::ComPtr;

namespace {
ComPtr<IDropTarget> EntryDropTarget(TShellComboItem* entry)
{
    ComPtr<IDropTarget> target;
    // The Desktop takes drops whatever it reports of itself.
    if (entry && (entry->HasAttribute(iaDropTarget) || entry->Level() == 0)) entry->DropTarget(target);
    return target;
}
}  // namespace

HRESULT TShellComboBox::ShDragOver(DWORD keyState, POINT pt, DWORD& effect)
{
    TShellComboItem* entry = SelectedEntry();
    ComPtr<IDropTarget> target = EntryDropTarget(entry);
    if (!target) {
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const HRESULT answer = AskDropTarget(target.Get(), keyState, pt, effect);
    DoShDragOver(entry, keyState, pt);
    return answer;
}

void TShellComboBox::ShDragLeave()
{
    if (!DragObject()) return;
    DoShDragLeave();
    FreeDragObject();
}

HRESULT TShellComboBox::ShDrop(DWORD keyState, POINT pt, DWORD& effect)
{
    HRESULT answer = S_OK;
    TShellComboItem* entry = SelectedEntry();
    if (ComPtr<IDropTarget> target = EntryDropTarget(entry)) {
        if (DoShDragDrop(entry, keyState, pt, effect)) answer = DeliverDrop(target.Get(), keyState, pt, effect);
    } else {
        effect = DROPEFFECT_NONE;
    }
    FreeDragObject();
    return answer;
}
