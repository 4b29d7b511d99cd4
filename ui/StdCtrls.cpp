#include "ui/StdCtrls.h"

#include <algorithm>

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

void TLabel::SetFont(const TFontSpec& request)
{
    FFontRequest = request;
    MakeFont();
}

// Made anew at the label's resolution; the window drops the old one first.
void TLabel::MakeFont()
{
    auto font = std::make_unique<TFont>();
    font->Create(*FFontRequest, Scale(FFontRequest->Height));
    SendMessageW(Handle(), WM_SETFONT, WPARAM(font->Handle()), TRUE);
    FFont = std::move(font);
}

void TLabel::ChangeDpi(int screenDpi)
{
    TWinControl::ChangeDpi(screenDpi);
    if (FFontRequest) MakeFont();
}

HFONT TLabel::Font() const
{
    return FFont ? FFont->Handle() : TWinControl::Font();
}

TEdit::TEdit(TComponent* owner, TWinControl* parent, const TBounds& bounds) : TWinControl(owner)
{
    CreateWnd(parent, nullptr, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, bounds, L"");
}

void TEdit::CommandNotify(WORD code)
{
    if (code == EN_CHANGE) Change();
}

void TEdit::Change()
{
    if (OnChange) OnChange(this);
}

namespace {
// Nobody reads further into a line than the list box is wide; a line of
// megabytes would cost its whole length on every paint.
constexpr size_t kDrawnChars = 1024;
}  // namespace

TListBox::TListBox(TComponent* owner, TWinControl* parent, const TBounds& bounds, int itemHeight)
    : TWinControl(owner)
{
    CreateWnd(parent, nullptr, L"LISTBOX",
              WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE, bounds, L"");
    SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, Scale(itemHeight));
}

void TListBox::SetItems(std::vector<std::wstring> items)
{
    FItems = std::move(items);
    SendMessageW(Handle(), LB_SETCOUNT, FItems.size(), 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int TListBox::ItemIndex() const
{
    return int(SendMessageW(Handle(), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int value)
{
    SendMessageW(Handle(), LB_SETCURSEL, WPARAM(value), 0);
}

int TListBox::TopIndex() const
{
    return int(SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0));
}

bool TListBox::CNDrawItem(const DRAWITEMSTRUCT& draw)
{
    if (draw.itemID == UINT(-1) || draw.itemID >= FItems.size()) {
        // An empty list that has the focus shows where it is.
        if (draw.itemAction & ODA_FOCUS) DrawFocusRect(draw.hDC, &draw.rcItem);
        return true;
    }
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int saved = SaveDC(draw.hDC);
    SelectObject(draw.hDC, Font());
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring& line = FItems[draw.itemID];
    RECT text = draw.rcItem;
    text.left += 2;
    DrawTextW(draw.hDC, line.c_str(), int(std::min(line.size(), kDrawnChars)), &text,
              DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | DT_VCENTER);
    RestoreDC(draw.hDC, saved);
    if (draw.itemState & ODS_FOCUS) DrawFocusRect(draw.hDC, &draw.rcItem);
    return true;
}

TIconView::TIconView(TComponent* owner, TWinControl* parent, const TBounds& bounds) : TWinControl(owner)
{
    // SS_CENTERIMAGE keeps the control's size instead of taking the icon's.
    CreateWnd(parent, nullptr, L"STATIC", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, bounds, L"");
}

void TIconView::SetIcon(const TIcon& value)
{
    FIcon = value;
    SendMessageW(Handle(), STM_SETICON, WPARAM(FIcon.Handle()), 0);
}
