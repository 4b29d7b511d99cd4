#include "ui/Menus.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"

namespace {
constexpr int kMargin = 3;
constexpr int kShortCutGap = 16;

// An item's id comes back when the item goes: a program that keeps making own items
// would otherwise climb into the ids the shell's entries of a context menu take.
class TCommandIds {
public:
    UINT Take()
    {
        const auto unused = std::find(FUsed.begin(), FUsed.end(), false);
        const size_t index = size_t(unused - FUsed.begin());
        if (unused == FUsed.end()) FUsed.push_back(true);
        else *unused = true;
        return UINT(index + 1);
    }
    // Allocates nothing: item destructors call it.
    void Give(UINT command) noexcept { FUsed[command - 1] = false; }

private:
    std::vector<bool> FUsed;  // by id - 1; id 0 means no command to Windows
};

TCommandIds& CommandIds()
{
    // Never destroyed: items of static objects go after the statics of this file.
    static TCommandIds* ids = new TCommandIds;
    return *ids;
}

// Selects the screen's menu font into a device context for as long as it lives.
class TMenuFontScope {
public:
    TMenuFontScope(HDC dc, bool bold, const wchar_t* face = nullptr) : FDC(dc), FSaved(SaveDC(dc))
    {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        if (bold) metrics.lfMenuFont.lfWeight = FW_BOLD;
        if (face) {
            wcsncpy(metrics.lfMenuFont.lfFaceName, face, LF_FACESIZE - 1);
            metrics.lfMenuFont.lfCharSet = SYMBOL_CHARSET;
        }
        FFont = CreateFontIndirectW(&metrics.lfMenuFont);
        SelectObject(dc, FFont);
    }
    ~TMenuFontScope()
    {
        RestoreDC(FDC, FSaved);
        DeleteObject(FFont);
    }
    TMenuFontScope(const TMenuFontScope&) = delete;
    TMenuFontScope& operator=(const TMenuFontScope&) = delete;

private:
    HDC FDC;
    int FSaved;
    HFONT FFont = nullptr;
};

std::wstring KeyName(WORD key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::wstring(1, wchar_t(key));
    if (key >= VK_F1 && key <= VK_F24) return L"F" + std::to_wstring(key - VK_F1 + 1);
    switch (key) {
    case VK_BACK: return L"BkSp";
    case VK_TAB: return L"Tab";
    case VK_RETURN: return L"Enter";
    case VK_ESCAPE: return L"Esc";
    case VK_SPACE: return L"Space";
    case VK_PRIOR: return L"PgUp";
    case VK_NEXT: return L"PgDn";
    case VK_END: return L"End";
    case VK_HOME: return L"Home";
    case VK_LEFT: return L"Left";
    case VK_UP: return L"Up";
    case VK_RIGHT: return L"Right";
    case VK_DOWN: return L"Down";
    case VK_INSERT: return L"Ins";
    case VK_DELETE: return L"Del";
    }
    wchar_t name[64] = {};
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan && GetKeyNameTextW(LONG(scan << 16), name, 64) > 0) return name;
    return {};
}

// The character after the first single "&", upper-cased; 0 for none ("&&" is a plain "&").
wchar_t MnemonicOf(const std::wstring& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return wchar_t(std::towupper(caption[i + 1]));
        ++i;
    }
    return 0;
}
}  // namespace

UINT DefaultTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    return UINT(TrackPopupMenuEx(menu, flags, x, y, owner, nullptr));
}

TTrackPopupMenuFunc TrackPopupMenuFunc = DefaultTrackPopupMenu;

std::wstring ShortCutToText(const TShortCut& shortCut)
{
    if (shortCut.Empty()) return {};
    std::wstring name = KeyName(shortCut.Key);
    if (name.empty()) return {};
    std::wstring text;
    if (shortCut.Shift.Contains(ssShift)) text += L"Shift+";
    if (shortCut.Shift.Contains(ssCtrl)) text += L"Ctrl+";
    if (shortCut.Shift.Contains(ssAlt)) text += L"Alt+";
    return text + name;
}

std::wstring GetShortHint(const std::wstring& hint)
{
    size_t bar = hint.find(L'|');
    return bar == std::wstring::npos ? hint : hint.substr(0, bar);
}

std::wstring GetLongHint(const std::wstring& hint)
{
    size_t bar = hint.find(L'|');
    return bar == std::wstring::npos ? hint : hint.substr(bar + 1);
}

// ---------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(CommandIds().Take()) {}

TMenuItem::~TMenuItem()
{
    if (FHandle) {
        // The sub-items' submenus go with the sub-items, not with this menu.
        while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
        DestroyMenu(FHandle);
    }
    if (FBitmap) DeleteObject(FBitmap);
    CommandIds().Give(FCommand);
}

TMenuItem* TMenuItem::Add(const std::wstring& caption)
{
    auto* item = Create<TMenuItem>();
    item->FParent = this;
    item->FCaption = caption;
    FItems.push_back(item);
    FRebuild = true;
    if (FItems.size() == 1) Changed();  // this entry now opens a submenu
    return item;
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = FItems.at(index);
    if (FHandle) RemoveMenu(FHandle, item->FCommand, MF_BYCOMMAND);
    FItems.erase(FItems.begin() + index);
    RemoveComponent(item).reset();
    FRebuild = true;
    if (FItems.empty()) Changed();
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

TPopupMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* item = this;
    while (item->FParent) item = item->FParent;
    return item->FMenu;
}

HMENU TMenuItem::Handle()
{
    if (!FHandle) {
        FHandle = CreatePopupMenu();
        Win32Check(FHandle != nullptr);
        FRebuild = true;
    }
    if (FRebuild) RebuildHandle();
    return FHandle;
}

void TMenuItem::RebuildHandle()
{
    FRebuild = false;
    while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
    for (TMenuItem* item : FItems) {
        if (!item->FVisible) continue;
        MENUITEMINFOW info;
        std::wstring text;
        item->MakeMenuItemInfo(info, text);
        Win32Check(InsertMenuItemW(FHandle, UINT(GetMenuItemCount(FHandle)), TRUE, &info));
    }
}

TMenuItem* TMenuItem::Find(UINT_PTR value, TFindItemKind kind)
{
    if (kind == fkCommand ? FCommand == value : FHandle && FHandle == reinterpret_cast<HMENU>(value)) return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->Find(value, kind)) return found;
    return nullptr;
}

void TMenuItem::Changed()
{
    if (FParent) FParent->FRebuild = true;
}

void TMenuItem::ChangedAll()
{
    FRebuild = true;
    for (TMenuItem* item : FItems) item->ChangedAll();
}

void TMenuItem::SetCaption(const std::wstring& value)
{
    if (value == FCaption) return;
    FCaption = value;
    Changed();
}

void TMenuItem::SetShortCut(const TShortCut& value)
{
    if (value == FShortCut) return;
    FShortCut = value;
    Changed();
}

void TMenuItem::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    Changed();
}

void TMenuItem::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    Changed();
}

void TMenuItem::SetChecked(bool value)
{
    if (value == FChecked) return;
    FChecked = value;
    Changed();
}

void TMenuItem::SetRadioItem(bool value)
{
    if (value == FRadioItem) return;
    FRadioItem = value;
    Changed();
}

void TMenuItem::SetDefault(bool value)
{
    if (value == FDefault) return;
    FDefault = value;
    Changed();
}

void TMenuItem::SetBreak(TMenuBreak value)
{
    if (value == FBreak) return;
    FBreak = value;
    Changed();
}

void TMenuItem::SetImageIndex(int value)
{
    if (value == FImageIndex) return;
    FImageIndex = value;
    Changed();
}

void TMenuItem::SetBitmap(HBITMAP value)
{
    if (value == FBitmap) return;
    if (FBitmap) DeleteObject(FBitmap);
    FBitmap = value;
    Changed();
}

bool TMenuItem::OwnerDrawn() const
{
    TPopupMenu* menu = GetParentMenu();
    return (menu && menu->Images()) || FBitmap;
}

void TMenuItem::MakeMenuItemInfo(MENUITEMINFOW& info, std::wstring& text)
{
    text = FCaption;
    if (FItems.empty() && !FShortCut.Empty()) text += L"\t" + ShortCutToText(FShortCut);
    info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_FTYPE;
    if (IsLine()) {
        info.fType = MFT_SEPARATOR;
    } else {
        // The text stays with an owner-drawn entry too: the system and
        // accessibility tools still read it.
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
        info.cch = UINT(text.size());
    }
    if (FRadioItem) info.fType |= MFT_RADIOCHECK;
    if (FBreak == mbBreak) info.fType |= MFT_MENUBREAK;
    else if (FBreak == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    if (OwnerDrawn()) info.fType |= MFT_OWNERDRAW;
    if (FChecked) info.fState |= MFS_CHECKED;
    if (!FEnabled) info.fState |= MFS_DISABLED | MFS_GRAYED;
    if (FDefault) info.fState |= MFS_DEFAULT;
    info.wID = FCommand;
    info.hSubMenu = FItems.empty() ? nullptr : Handle();
}

void TMenuItem::Click()
{
    if (OnClick) OnClick(this);
}

SIZE TMenuItem::ImageSize() const
{
    SIZE size{0, 0};
    TPopupMenu* menu = GetParentMenu();
    if (menu && menu->Images() && FImageIndex >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(menu->Images(), &cx, &cy);
        size = {cx, cy};
    } else if (FBitmap) {
        BITMAP bitmap{};
        GetObjectW(FBitmap, sizeof(bitmap), &bitmap);
        size = {bitmap.bmWidth, bitmap.bmHeight};
    }
    return size;
}

int TMenuItem::GutterWidth() const
{
    int widest = GetSystemMetrics(SM_CXMENUCHECK);
    if (TPopupMenu* menu = GetParentMenu(); menu && menu->Images()) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(menu->Images(), &cx, &cy);
        widest = std::max(widest, cx);
    }
    return std::max<int>(widest, ImageSize().cx) + 2 * kMargin;
}

void TMenuItem::MeasureItem(HDC dc, int& width, int& height) const
{
    if (IsLine()) {
        width = 0;
        height = std::max(GetSystemMetrics(SM_CYMENU) / 2, 2 * kMargin);
        return;
    }
    TMenuFontScope font(dc, FDefault);
    RECT text{};
    DrawTextW(dc, FCaption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    width = GutterWidth() + (text.right - text.left) + 2 * kMargin;
    if (FItems.empty() && !FShortCut.Empty()) {
        std::wstring shortCut = ShortCutToText(FShortCut);
        SIZE extent{};
        GetTextExtentPoint32W(dc, shortCut.c_str(), int(shortCut.size()), &extent);
        width += kShortCutGap + extent.cx;
    }
    height = std::max<int>(text.bottom - text.top + 2 * kMargin, ImageSize().cy + 2 * kMargin);
}

void TMenuItem::DrawItem(HDC dc, const RECT& rect, UINT state) const
{
    TMenuFontScope font(dc, FDefault);
    const bool selected = (state & ODS_SELECTED) && !IsLine();
    const bool grayed = (state & (ODS_GRAYED | ODS_DISABLED)) || !FEnabled;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (IsLine()) {
        RECT line = rect;
        line.top = (rect.top + rect.bottom) / 2;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const int gutter = GutterWidth();
    const SIZE image = ImageSize();
    const int x = rect.left + (gutter - image.cx) / 2, y = rect.top + (rect.bottom - rect.top - image.cy) / 2;
    TPopupMenu* menu = GetParentMenu();
    bool drewImage = false;
    if (menu && menu->Images() && FImageIndex >= 0) {
        drewImage = ImageList_Draw(menu->Images(), FImageIndex, dc, x, y,
                                   ILD_TRANSPARENT | (grayed ? ILD_BLEND50 : 0)) != FALSE;
    } else if (FBitmap) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, FBitmap);
        drewImage = BitBlt(dc, x, y, image.cx, image.cy, source, 0, 0, SRCCOPY) != FALSE;
        SelectObject(source, old);
        DeleteDC(source);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    if (FChecked) {
        if (drewImage) {
            RECT frame{x - 1, y - 1, x + image.cx + 1, y + image.cy + 1};
            DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
        } else {
            // Marlett's "a" is the check mark and "h" the bullet, in the text colour.
            TMenuFontScope marks(dc, false, L"Marlett");
            SetBkMode(dc, TRANSPARENT);
            RECT box{rect.left, rect.top, rect.left + gutter, rect.bottom};
            DrawTextW(dc, FRadioItem ? L"h" : L"a", 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    RECT text = rect;
    text.left += gutter;
    text.right -= 2 * kMargin;
    const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, FCaption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | prefix);
    if (FItems.empty() && !FShortCut.Empty()) {
        std::wstring shortCut = ShortCutToText(FShortCut);
        DrawTextW(dc, shortCut.c_str(), -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// ---------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner)
{
    FItems = Create<TMenuItem>();
    FItems->FMenu = this;
}

TPopupMenu::~TPopupMenu() = default;

TMenuItem* TPopupMenu::FindItem(UINT_PTR value, TFindItemKind kind) const
{
    // The root stands for the menu itself, not for an entry.
    for (int i = 0; i < FItems->Count(); ++i)
        if (TMenuItem* found = FItems->Items(i)->Find(value, kind)) return found;
    return nullptr;
}

bool TPopupMenu::IsOwnMenu(HMENU menu) const
{
    if (!menu) return false;
    return menu == FItems->ExistingHandle() || FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
}

void TPopupMenu::SetImages(HIMAGELIST value)
{
    if (value == FImages) return;
    FImages = value;
    // Every entry switches between drawn by the system and drawn by us.
    FItems->ChangedAll();
}

void TPopupMenu::SetPopupComponent(TComponent* value)
{
    if (value == FPopupComponent) return;
    if (FPopupComponent) RemoveFreeNotification(FPopupComponent);
    FPopupComponent = value;
    if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

UINT TPopupMenu::TrackFlags() const
{
    TPopupAlignment alignment = FAlignment;
    if (UseRightToLeftAlignment()) {
        if (alignment == paLeft) alignment = paRight;
        else if (alignment == paRight) alignment = paLeft;
    }
    static constexpr UINT kAlignments[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    return kAlignments[alignment] | (FTrackButton == tbRightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup) OnPopup(this);
    HMENU menu = Handle();
    if (!FWindow)
        FWindow = std::make_unique<TUtilityWindow>(
            [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return PopupWindowProc(w, m, wp, lp); });
    UINT command = TrackPopupMenuFunc(menu, TrackFlags() | TPM_RETURNCMD, x, y, FWindow->Handle());
    if (command == 0) return;
    if (TMenuItem* item = FindItem(command, fkCommand)) item->Click();
}

LRESULT TPopupMenu::PopupWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM:
        return DrawOwnItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
        return MeasureOwnItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), wnd);
    case WM_INITMENUPOPUP:
        DispatchPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        if (!ShowOwnHint(wParam, lParam) && Application) Application->SetHint(L"");
        return 0;
    case WM_MENUCHAR:
        return IsOwnMenu(reinterpret_cast<HMENU>(lParam)) ? ProcessMenuChar(wParam, lParam) : 0;
    case WM_HELP:
        ShowHelp(*reinterpret_cast<HELPINFO*>(lParam));
        return TRUE;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

bool TPopupMenu::DrawOwnItem(const DRAWITEMSTRUCT& draw) const
{
    if (draw.CtlType != ODT_MENU) return false;
    TMenuItem* item = FindItem(draw.itemID, fkCommand);
    if (!item) return false;
    item->DrawItem(draw.hDC, draw.rcItem, draw.itemState);
    return true;
}

bool TPopupMenu::MeasureOwnItem(MEASUREITEMSTRUCT& measure, HWND window) const
{
    if (measure.CtlType != ODT_MENU) return false;
    TMenuItem* item = FindItem(measure.itemID, fkCommand);
    if (!item) return false;
    HDC dc = GetWindowDC(window);
    int width = 0, height = 0;
    item->MeasureItem(dc, width, height);
    ReleaseDC(window, dc);
    measure.itemWidth = UINT(width);
    measure.itemHeight = UINT(height);
    return true;
}

bool TPopupMenu::DispatchPopup(HMENU menu)
{
    TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
    if (!item) return menu && menu == FItems->ExistingHandle();
    item->Click();
    // The handler may have changed the sub-items; the submenu is not shown yet.
    if (item->FRebuild) item->RebuildHandle();
    return true;
}

bool TPopupMenu::ShowOwnHint(WPARAM wParam, LPARAM lParam) const
{
    TMenuItem* item;
    if (HIWORD(wParam) & MF_POPUP) {
        HMENU menu = reinterpret_cast<HMENU>(lParam);
        HMENU submenu = menu ? GetSubMenu(menu, LOWORD(wParam)) : reinterpret_cast<HMENU>(-1);
        item = FindItem(reinterpret_cast<UINT_PTR>(submenu), fkHandle);
    } else {
        item = FindItem(LOWORD(wParam), fkCommand);
    }
    if (!item) return false;
    if (Application) Application->SetHint(GetLongHint(item->Hint));
    return true;
}

LRESULT TPopupMenu::ProcessMenuChar(WPARAM wParam, LPARAM lParam) const
{
    // Owner-drawn entries have no mnemonic for the system. The entries are
    // read by position, since foreign entries may stand between ours.
    const wchar_t key = wchar_t(std::towupper(LOWORD(wParam)));
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID;
        if (!GetMenuItemInfoW(menu, UINT(position), TRUE, &info)) continue;
        TMenuItem* item = FindItem(info.wID, fkCommand);
        if (item && item->Enabled() && MnemonicOf(item->Caption()) == key)
            return MAKELRESULT(position, MNC_EXECUTE);
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

void TPopupMenu::ShowHelp(const HELPINFO& help)
{
    HMENU menu = static_cast<HMENU>(help.hItemHandle);
    auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(GetActiveWindow()));
    if (!form || !IsOwnMenu(menu)) return;
    TMenuItem* item = FindItem(UINT_PTR(help.iCtrlId), fkCommand);
    if (!item) item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
    const int context = item ? item->HelpContext : 0;
    const bool helpButton = (GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
    if (OnHelp) OnHelp(this, helpButton ? HELP_CONTEXTPOPUP : HELP_CONTEXT, context);
}
