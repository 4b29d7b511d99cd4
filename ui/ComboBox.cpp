#include "ui/ComboBox.h"

#include <windowsx.h>

#include <algorithm>

namespace {
constexpr SIZE kDefaultSize{145, 21};

TShiftState KeyboardShift(bool alt)
{
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    if (alt || GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    return shift;
}
}  // namespace

TCustomComboBox::TCustomComboBox(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TLazyWinControl(owner, parent, bounds, kDefaultSize)
{
}

TCustomComboBox::~TCustomComboBox()
{
    DestroyHandle();
}

DWORD TCustomComboBox::CreateParams(DWORD style) const
{
    style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
    if (FStyle == csOwnerDrawVariable) style |= CBS_OWNERDRAWVARIABLE;
    return style;
}

void TCustomComboBox::CreateWnd()
{
    CreateControlWnd(WC_COMBOBOXW, CreateParams(WS_VISIBLE), 0);
    if (FStyle == csOwnerDrawVariable) {
        // The control measures its field before the window is ours and may measure it
        // again by its font alone (Wine does so on WM_SETFONT): the field is measured here.
        int height = FItemHeight;
        MeasureItem(-1, height);
        SendMessageW(Handle(), CB_SETITEMHEIGHT, WPARAM(-1), std::max(height, 1));
    }
    if (FUpdateCount > 0) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    // Each string is measured as it goes in.
    for (size_t i = 0; i < FItems.size(); ++i)
        SendMessageW(Handle(), CB_INSERTSTRING, i, LPARAM(FItems[i].c_str()));
}

void TCustomComboBox::SetStyle(TComboBoxStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    RecreateWnd();
}

HFONT TCustomComboBox::Font() const
{
    return FOwnFont ? FFont.Handle() : TWinControl::Font();
}

void TCustomComboBox::SetFont(const TFontSpec& font)
{
    FFont.Create(font, Scale(font.Height));
    FOwnFont = true;
    FDesktopFont = false;
    RecreateWnd();
}

void TCustomComboBox::SetDesktopFont(bool value)
{
    if (value == FDesktopFont) return;
    FDesktopFont = value;
    if (!value) return;
    TakeIconFont();
    RecreateWnd();
}

void TCustomComboBox::TakeIconFont()
{
    LOGFONTW icon{};
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0)) return;
    FFont.Create(TFontSpec{icon.lfFaceName, int(icon.lfHeight), icon.lfCharSet}, int(icon.lfHeight));
    FOwnFont = true;
}

int TCustomComboBox::FontHeight() const
{
    LOGFONTW font{};
    HFONT handle = Font();
    GetObjectW(handle ? handle : HFONT(GetStockObject(DEFAULT_GUI_FONT)), sizeof font, &font);
    return int(font.lfHeight);
}

void TCustomComboBox::WinIniChange()
{
    TWinControl::WinIniChange();
    SysFontChanged();
}

void TCustomComboBox::SysFontChanged()
{
    if (!FDesktopFont) return;
    TakeIconFont();
    if (HandleAllocated()) SendMessageW(Handle(), WM_SETFONT, WPARAM(Font()), TRUE);
}

// --- items ------------------------------------------------------------------------------------

void TCustomComboBox::InsertItem(int index, const std::wstring& text)
{
    index = std::clamp(index, 0, ItemCount());
    FItems.insert(FItems.begin() + index, text);
    if (HandleAllocated()) SendMessageW(Handle(), CB_INSERTSTRING, WPARAM(index), LPARAM(FItems[size_t(index)].c_str()));
}

void TCustomComboBox::DeleteItem(int index)
{
    if (index < 0 || index >= ItemCount()) return;
    FItems.erase(FItems.begin() + index);
    if (HandleAllocated()) SendMessageW(Handle(), CB_DELETESTRING, WPARAM(index), 0);
}

void TCustomComboBox::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated()) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomComboBox::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0 || !HandleAllocated()) return;
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int TCustomComboBox::ItemIndex() const
{
    return HandleAllocated() ? int(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TCustomComboBox::SetItemIndex(int value)
{
    if (HandleAllocated()) SendMessageW(Handle(), CB_SETCURSEL, WPARAM(value), 0);
}

bool TCustomComboBox::DroppedDown() const
{
    return HandleAllocated() && SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void TCustomComboBox::SetDroppedDown(bool value)
{
    if (HandleAllocated()) SendMessageW(Handle(), CB_SHOWDROPDOWN, value, 0);
}

// --- notifications ----------------------------------------------------------------------------

LRESULT TCustomComboBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        if (!KeyMessage(message, wParam)) return 0;
        break;
    case WM_LBUTTONDBLCLK:
        DblClick();
        break;
    case WM_CONTEXTMENU:
        return WMContextMenu(wParam, lParam);
    }
    return TLazyWinControl::WndProc(message, wParam, lParam);
}

LRESULT TCustomComboBox::WMContextMenu(WPARAM wParam, LPARAM lParam)
{
    POINT pos{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (pos.x == -1 && pos.y == -1) {
        // From the keyboard: below the field.
        RECT field{};
        GetClientRect(Handle(), &field);
        pos = POINT{field.left, field.bottom};
    } else {
        ScreenToClient(Handle(), &pos);
    }
    bool handled = false;
    DoContextPopup(pos, handled);
    return handled ? 0 : DefaultHandler(WM_CONTEXTMENU, wParam, lParam);
}

void TCustomComboBox::DoContextPopup(POINT mousePos, bool& handled)
{
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

bool TCustomComboBox::KeyMessage(UINT message, WPARAM& wParam)
{
    if (message == WM_CHAR) {
        auto key = wchar_t(wParam);
        KeyPress(key);
        wParam = key;
        return key != 0;
    }
    WORD key = WORD(wParam);
    const TShiftState shift = KeyboardShift(message == WM_SYSKEYDOWN || message == WM_SYSKEYUP);
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) KeyDown(key, shift);
    else KeyUp(key, shift);
    wParam = key;
    return key != 0;
}

void TCustomComboBox::CommandNotify(WORD code)
{
    switch (code) {
    case CBN_SELCHANGE:
        Click();
        Change();
        break;
    case CBN_DROPDOWN:
        DropDown();
        break;
    case CBN_SETFOCUS:
        DoEnter();
        break;
    case CBN_KILLFOCUS:
        DoExit();
        break;
    }
}

void TCustomComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Click()
{
    if (OnClick) OnClick(this);
}

void TCustomComboBox::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TCustomComboBox::DoEnter()
{
    if (OnEnter) OnEnter(this);
}

void TCustomComboBox::DoExit()
{
    if (OnExit) OnExit(this);
}

void TCustomComboBox::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TCustomComboBox::KeyPress(wchar_t& key)
{
    if (OnKeyPress) OnKeyPress(this, key);
}

void TCustomComboBox::KeyUp(WORD& key, TShiftState shift)
{
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TCustomComboBox::DropDown()
{
    AdjustDropDown();
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::AdjustDropDown()
{
    // The window's height, while the list is closed, is what the open list spans with the field.
    const int shown = std::min(ItemCount(), std::max(FDropDownCount, 1));
    int listHeight = 2;  // the list's border
    for (int i = 0; i < shown; ++i) listHeight += int(SendMessageW(Handle(), CB_GETITEMHEIGHT, WPARAM(i), 0));
    if (shown == 0) listHeight += int(SendMessageW(Handle(), CB_GETITEMHEIGHT, 0, 0));
    RECT field{};
    GetWindowRect(Handle(), &field);
    SetWindowPos(Handle(), nullptr, 0, 0, field.right - field.left, field.bottom - field.top + listHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

bool TCustomComboBox::CNDrawItem(const DRAWITEMSTRUCT& draw)
{
    FCanvas.Attach(draw.hDC, GetSysColor(COLOR_WINDOWTEXT), Color());
    FCanvas.SetFont(Font());
    const int index = int(draw.itemID);
    if (index < 0) FCanvas.FillRect(draw.rcItem);
    else DrawItem(index, draw.rcItem, LOWORD(draw.itemState));
    FCanvas.Detach();
    return true;
}

bool TCustomComboBox::CNMeasureItem(MEASUREITEMSTRUCT& measure)
{
    int height = FItemHeight;
    MeasureItem(int(measure.itemID), height);
    measure.itemHeight = UINT(std::max(height, 1));
    return true;
}

void TCustomComboBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state)
{
    if (OnDrawItem) OnDrawItem(this, index, rect, state);
    else DrawPlainItem(FCanvas, rect, index < ItemCount() ? Item(index) : std::wstring(), state);
}

void TCustomComboBox::MeasureItem(int index, int& height)
{
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}
