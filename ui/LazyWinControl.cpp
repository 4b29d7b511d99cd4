#include "ui/LazyWinControl.h"

TLazyWinControl::TLazyWinControl(TComponent* owner, TWinControl* parent, const TBounds& bounds, SIZE defaultSize)
    : TWinControl(owner), FParentControl(parent), FInitialBounds(bounds)
{
    if (FInitialBounds.Width == 0) FInitialBounds.Width = defaultSize.cx;
    if (FInitialBounds.Height == 0) FInitialBounds.Height = defaultSize.cy;
}

void TLazyWinControl::HandleNeeded()
{
    if (!HandleAllocated()) CreateWnd();
}

void TLazyWinControl::RecreateWnd()
{
    if (!HandleAllocated()) return;
    DestroyWnd();
    CreateWnd();
}

int TLazyWinControl::ControlWidth() const
{
    return HandleAllocated() ? Width() : FParentControl->Scale(FInitialBounds.Width);
}

void TLazyWinControl::CreateControlWnd(const wchar_t* className, DWORD style, DWORD exStyle)
{
    const bool again = FBounds.right > FBounds.left;
    TWinControl::CreateWnd(FParentControl, nullptr, className, style, exStyle, again ? TBounds{} : FInitialBounds, L"");
    SubclassControl();
    if (again) SetBounds(FBounds.left, FBounds.top, FBounds.right - FBounds.left, FBounds.bottom - FBounds.top);
    if (Align() != TAlign::alNone) FParentControl->Realign();
}

void TLazyWinControl::DestroyWnd()
{
    FBounds = BoundsRect();
    DestroyHandle();
}
