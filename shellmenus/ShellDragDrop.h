#pragma once
// OLE drag and drop as the shell controls take part in it. A control never
// reads the dragged data: it finds the shell item under the pointer and hands
// the drag on to that item's own drop target, so the shell decides what is
// copied, moved or linked.
#include <windows.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/ShellIDList.h"
#include "shell/ShellUtils.h"
#include "ui/Component.h"
#include "ui/ShiftState.h"

// The clipboard formats of shell data, registered once for the library.
struct TShellClipboardFormats {
    CLIPFORMAT ShellIDList, ObjectOffsets, FileNameMap, FileNameMapW, PerformedDropEffect;
};
const TShellClipboardFormats& ShellClipboardFormats();

// Whether a drag carries shell items: an item-list array or a file drop.
bool IsShellDrag(IDataObject* data);

// What the drag events are handed: the drag's data object, held while it lives.
class TShellDragObject : public TObject {
public:
    // Raises EInvalidOperation without a data object.
    explicit TShellDragObject(IDataObject* dataObject);

    IDataObject* DataObject() const { return FDataObject.Get(); }
    // Left empty here; handlers may fill them for one another.
    std::vector<std::wstring>& StringList() { return FStringList; }
    TShellIDList2& IDList() { return FIDList; }

private:
    // Released last: the lists may refer to the data.
    Microsoft::WRL::ComPtr<IDataObject> FDataObject;
    std::vector<std::wstring> FStringList;
    TShellIDList2 FIDList;
};

using TShellDragEnterEvent =
    std::function<void(TObject* Sender, TShellDragObject* DragObject, TShiftState Shift, POINT Pt, bool& Accept)>;
template <class TTarget>
using TShellDragEvent =
    std::function<void(TObject* Sender, TShellDragObject* DragObject, TTarget* Target, TShiftState Shift, int X, int Y)>;
template <class TTarget>
using TShellDropEvent = std::function<void(TObject* Sender, TShellDragObject* DragObject, TTarget* Target,
                                           TShiftState Shift, int X, int Y, bool& DefaultAction)>;

// The OLE side of a shell control: the drop target of its window and the
// drop source of the drags it starts. The control's owner decides its life,
// so references do not count. No exception leaves a COM method.
class TShellDragHost : public IDropTarget, public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) final;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) final;
    HRESULT STDMETHODCALLTYPE DragLeave() final;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) final;

    // Escape or a second button cancels a drag; it drops when no button is held.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    // The drag over the control now, accepted at its enter; none otherwise.
    TShellDragObject* DragObject() const { return FDragObject.get(); }
    // The shell targets that took a drop from this control, kept referenced.
    int KeptDropTargetCount() const { return int(FKeptTargets.size()); }
    IDropTarget* KeptDropTarget(int index) const { return FKeptTargets.at(size_t(index)).Get(); }

    TShellDragEnterEvent OnShDragEnter;
    TNotifyEvent OnShDragLeave;

protected:
    ~TShellDragHost() = default;

    // The control, as the events name it.
    virtual TObject* DragSender() = 0;
    // The control's share of each step, with a drag object (none at Over and
    // Drop when the enter was refused). Pt is in screen coordinates.
    virtual HRESULT ShDragOver(DWORD keyState, POINT pt, DWORD& effect) = 0;
    virtual void ShDragLeave() = 0;
    virtual HRESULT ShDrop(DWORD keyState, POINT pt, DWORD& effect) = 0;
    virtual void DragAccepted() {}

    // False when a handler refuses the drag.
    virtual bool DoShDragEnter(DWORD keyState, POINT pt);
    virtual void DoShDragLeave();

    // Asks the shell's target what the drag would do at the point, leaving
    // the target as it was; the effect is the target's answer.
    HRESULT AskDropTarget(IDropTarget* target, DWORD keyState, POINT pt, DWORD& effect) const;
    // Hands the drop to the shell's target and keeps the target referenced.
    HRESULT DeliverDrop(IDropTarget* target, DWORD keyState, POINT pt, DWORD& effect);
    // Lets go of the kept targets that nothing else holds any longer.
    void ReleaseDropTargets();
    void FreeDragObject() { FDragObject.reset(); }

private:
    template <class TStep>
    HRESULT Guarded(DWORD* effect, TStep step);

    std::unique_ptr<TShellDragObject> FDragObject;
    bool FRightDrag = false;
    std::vector<Microsoft::WRL::ComPtr<IDropTarget>> FKeptTargets;
};

// A drag host whose drops land on targets of one kind: rows, nodes or entries.
template <class TTarget>
class TShellDropHost : public TShellDragHost {
public:
    TShellDragEvent<TTarget> OnShDragOver;
    TShellDropEvent<TTarget> OnShDragDrop;

protected:
    virtual void DoShDragOver(TTarget* target, DWORD keyState, POINT pt)
    {
        if (OnShDragOver) OnShDragOver(DragSender(), DragObject(), target, KeyStateToShift(keyState), pt.x, pt.y);
    }
    // False when a handler keeps the drop from the shell; the effect is then none.
    virtual bool DoShDragDrop(TTarget* target, DWORD keyState, POINT pt, DWORD& effect)
    {
        bool defaultAction = true;
        if (OnShDragDrop)
            OnShDragDrop(DragSender(), DragObject(), target, KeyStateToShift(keyState), pt.x, pt.y, defaultAction);
        if (!defaultAction) effect = DROPEFFECT_NONE;
        return defaultAction;
    }

};

// Scrolls a view by a line when a point (client coordinates) passing in a
// drag comes within a font height of an edge.
void ScrollAtEdgeOf(HWND window, HFONT font, POINT point);
