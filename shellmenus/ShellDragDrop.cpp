#include "shellmenus/ShellDragDrop.h"

#include <cstdlib>

#include "shellviews/ShellCtrlsRes.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

const TShellClipboardFormats& ShellClipboardFormats()
{
    static const TShellClipboardFormats formats{
        CLIPFORMAT(RegisterClipboardFormatW(L"Shell IDList Array")),
        CLIPFORMAT(RegisterClipboardFormatW(L"Shell Object Offsets")),
        CLIPFORMAT(RegisterClipboardFormatW(L"FileNameMap")),
        CLIPFORMAT(RegisterClipboardFormatW(L"FileNameMapW")),
        CLIPFORMAT(RegisterClipboardFormatW(L"Performed DropEffect")),
    };
    return formats;
}

bool IsShellDrag(IDataObject* data)
{
    for (CLIPFORMAT format : {ShellClipboardFormats().ShellIDList, CLIPFORMAT(CF_HDROP)}) {
        FORMATETC record{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->QueryGetData(&record) == S_OK) return true;
    }
    return false;
}

TShellDragObject::TShellDragObject(IDataObject* dataObject) : FDataObject(dataObject)
{
    if (!dataObject) throw EInvalidOperation(ResourceString(IDS_SHELL_BAD_PARAMETER));
}

// --- the host ---------------------------------------------------------------------------------

namespace {
POINT PointOf(POINTL pt) { return POINT{pt.x, pt.y}; }
}  // namespace

// OLE gets an answer, never an exception. Whatever a handler throws ends the
// drag here: the control lets go of it, so that the steps still to come
// answer "no drop" instead of failing again. The message waits until the
// call has returned: the drag's loop may be another program's, and a box
// opened inside this call would hold it up until someone closed the box.
template <class TStep>
HRESULT TShellDragHost::Guarded(DWORD* effect, TStep step)
{
    try {
        return step();
    } catch (...) {
        if (effect) *effect = DROPEFFECT_NONE;
        FDragObject.reset();
        try {
            ShDragLeave();  // without a drag object it only clears the highlight and the state
            if (Application) Application->PostException(DragSender());
        } catch (...) {
        }
        return E_UNEXPECTED;
    }
}

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

HRESULT TShellDragHost::DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect)
{
    return Guarded(effect, [&] {
        FDragObject.reset();
        if (!data || !effect) return E_INVALIDARG;
        FRightDrag = keyState & MK_RBUTTON;
        if (!IsShellDrag(data)) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        FDragObject = std::make_unique<TShellDragObject>(data);
        if (!DoShDragEnter(keyState, PointOf(pt))) {
            *effect = DROPEFFECT_NONE;
            FDragObject.reset();
        } else {
            DragAccepted();
        }
        return S_OK;
    });
}

HRESULT TShellDragHost::DragOver(DWORD keyState, POINTL pt, DWORD* effect)
{
    return Guarded(effect, [&] {
        if (!effect) return E_INVALIDARG;
        if (!FDragObject) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        return ShDragOver(keyState, PointOf(pt), *effect);
    });
}

HRESULT TShellDragHost::DragLeave()
{
    return Guarded(nullptr, [&] {
        ShDragLeave();
        return S_OK;
    });
}

HRESULT TShellDragHost::Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect)
{
    return Guarded(effect, [&] {
        if (!data || !effect || !FDragObject) return E_INVALIDARG;
        return ShDrop(keyState, PointOf(pt), *effect);
    });
}

HRESULT TShellDragHost::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    const DWORD buttons = keyState & (MK_LBUTTON | MK_RBUTTON);
    if (escapePressed || buttons == (MK_LBUTTON | MK_RBUTTON)) return DRAGDROP_S_CANCEL;
    return buttons == 0 ? DRAGDROP_S_DROP : S_OK;
}

HRESULT TShellDragHost::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

bool TShellDragHost::DoShDragEnter(DWORD keyState, POINT pt)
{
    bool accept = true;
    if (OnShDragEnter) OnShDragEnter(DragSender(), FDragObject.get(), KeyStateToShift(keyState), pt, accept);
    return accept;
}

void TShellDragHost::DoShDragLeave()
{
    if (OnShDragLeave) OnShDragLeave(DragSender());
}

HRESULT TShellDragHost::AskDropTarget(IDropTarget* target, DWORD keyState, POINT pt, DWORD& effect) const
{
    const POINTL point{pt.x, pt.y};
    DWORD copy = effect;
    target->DragEnter(FDragObject->DataObject(), keyState, point, &copy);
    const HRESULT answer = target->DragOver(keyState, point, &effect);
    target->DragLeave();
    return answer;
}

HRESULT TShellDragHost::DeliverDrop(IDropTarget* target, DWORD keyState, POINT pt, DWORD& effect)
{
    // The button is up by now; the shell's target still has to see it held,
    // or it would take a right-button drop for a left one.
    const DWORD held = keyState | (FRightDrag ? MK_RBUTTON : MK_LBUTTON);
    const POINTL point{pt.x, pt.y};
    IDataObject* data = FDragObject->DataObject();
    DWORD copy = effect;
    if (FAILED(target->DragEnter(data, held, point, &copy))) {
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    copy = effect;
    if (FAILED(target->DragOver(held, point, &copy))) {
        target->DragLeave();
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const HRESULT answer = target->Drop(data, keyState, point, &effect);
    // Some shell targets finish their work after Drop returns, on their own.
    FKeptTargets.emplace_back(target);
    return answer;
}

void TShellDragHost::ReleaseDropTargets()
{
    for (size_t i = FKeptTargets.size(); i-- > 0;) {
        IDropTarget* target = FKeptTargets[i].Get();
        // Ours and the probe's are the only references of a target nobody else holds.
        target->AddRef();
        if (target->Release() <= 1) FKeptTargets.erase(FKeptTargets.begin() + std::ptrdiff_t(i));
    }
}

void ScrollAtEdgeOf(HWND window, HFONT font, POINT point)
{
    LOGFONTW logFont{};
    GetObjectW(font ? font : HFONT(GetStockObject(DEFAULT_GUI_FONT)), sizeof logFont, &logFont);
    const int margin = std::abs(int(logFont.lfHeight));
    auto scrollable = [&](int bar) {
        int low = 0, high = 0;
        return GetScrollRange(window, bar, &low, &high) && low != high;
    };
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const int h = scrollable(SB_HORZ) ? GetSystemMetrics(SM_CXHTHUMB) : 0;
    const int v = scrollable(SB_VERT) ? GetSystemMetrics(SM_CXHTHUMB) : 0;
    if (point.y < margin) SendMessageW(window, WM_VSCROLL, SB_LINEUP, 0);
    else if (point.y > height - v - margin) SendMessageW(window, WM_VSCROLL, SB_LINEDOWN, 0);
    if (point.x < margin) SendMessageW(window, WM_HSCROLL, SB_LINEUP, 0);
    else if (point.x > width - h - margin) SendMessageW(window, WM_HSCROLL, SB_LINEDOWN, 0);
}
