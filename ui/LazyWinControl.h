#pragma once
// A system control whose window is made on demand (HandleNeeded), so that a
// descendant's CreateWnd runs as a whole, and made again (RecreateWnd) where
// the last one was: the base of the list view, the tree view and the combo box.
#include <windows.h>

#include "ui/WinControl.h"

class TLazyWinControl : public TWinControl {
public:
    // Bounds are layout pixels; a width or height of 0 takes the control's default.
    TLazyWinControl(TComponent* owner, TWinControl* parent, const TBounds& bounds, SIZE defaultSize);

    void HandleNeeded();
    bool HandleAllocated() const { return Handle() != nullptr; }
    // Destroys the window and makes a new one through the descendant's CreateWnd.
    void RecreateWnd();
    // The control's width in device pixels, also before its window exists.
    int ControlWidth() const;

protected:
    // Makes the window; descendants add their own steps around it.
    virtual void CreateWnd() = 0;
    // Destroys the window; its place and size are kept for the next one.
    virtual void DestroyWnd();
    // The system control's window, subclassed, where the last one was (the
    // first time at the given bounds), and docked if the control is aligned.
    void CreateControlWnd(const wchar_t* className, DWORD style, DWORD exStyle);

private:
    TWinControl* FParentControl;
    TBounds FInitialBounds;
    RECT FBounds{};  // device pixels, for a window made again
};
