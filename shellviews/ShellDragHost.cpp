#include "shellviews/ShellDragHost.h"

HRESULT TShellDragHost::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    if (riid == IID_IDropSource) {
        *object = static_cast<IDropSource*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TShellDragHost::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect)
{
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TShellDragHost::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TShellDragHost::DragLeave()
{
    return S_OK;
}

HRESULT TShellDragHost::Drop(IDataObject*, DWORD, POINTL, DWORD* effect)
{
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TShellDragHost::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed) return DRAGDROP_S_CANCEL;
    return keyState & (MK_LBUTTON | MK_RBUTTON) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT TShellDragHost::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}
