#include "ui/StdCtrls.h"

TPanel::TPanel(TComponent* owner, TWinControl* parent, const TBounds& bounds, TAlign align)
    : TWinControl(owner)
{
    CreateWnd(parent, nullptr, OwnWindowClass(), WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
              bounds, L"");
    SetAlign(align);
}

TButton::TButton(TComponent* owner, TWinControl* parent, const TBounds& bounds, const std::wstring& caption)
    : TWinControl(owner)
{
    CreateWnd(parent, nullptr, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, bounds, caption);
}

void TButton::Click()
{
    if (OnClick) OnClick(this);
}

void TButton::CommandNotify(WORD code)
{
    if (code == BN_CLICKED) Click();
}

TLabel::TLabel(TComponent* owner, TWinControl* parent, const TBounds& bounds, const std::wstring& caption)
    : TWinControl(owner)
{
    CreateWnd(parent, nullptr, L"STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, bounds, caption);
}
