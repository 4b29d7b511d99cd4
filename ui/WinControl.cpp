#include "ui/WinControl.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "ui/Exceptions.h"
#include "ui/WindowProc.h"

namespace {
// A control's window, and the procedure of the system control it replaced
// when it subclassed one.
struct TWindowEntry {
    TWinControl* Control;
    WNDPROC Default;
};

// The controls by window. A window property would cost a server round trip
// under Wine for every notification a control sends, and comctl32's
// subclassing looks one up for every message. Controls make and destroy
// their windows on the main thread.
std::unordered_map<HWND, TWindowEntry>& Windows()
{
    static std::unordered_map<HWND, TWindowEntry> windows;
    return windows;
}

TWindowEntry* EntryOf(HWND wnd)
{
    const auto found = Windows().find(wnd);
    return found == Windows().end() ? nullptr : &found->second;
}

// Forgets the window if it is still the control's (its handle may be another
// window's by now).
void ForgetWindow(HWND wnd, const TWinControl* control)
{
    if (const TWindowEntry* entry = EntryOf(wnd); entry && entry->Control == control) Windows().erase(wnd);
}

// The control whose window CreateWindowEx is making: an owner-drawn control
// is measured before its window is known as the control's.
thread_local TWinControl* CreatingControl = nullptr;

// Each child window gets an identifier of its own: a measure request names its control only by that.
UINT_PTR NextControlId()
{
    static UINT_PTR last = 0;
    last = last % 0xFFFF + 1;
    return last;
}
}  // namespace

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {}

TWinControl::~TWinControl()
{
    // Child controls go first, while this window still exists.
    DestroyComponents();
    if (FParent) std::erase(FParent->FControls, this);
    DestroyHandle();
}

void TWinControl::DestroyHandle()
{
    if (!FHandle) return;
    // The object no longer hears its window: a descendant's part may already be gone.
    if (TWindowEntry* entry = EntryOf(FHandle); entry && entry->Control == this) {
        if (!entry->Default) {
            Windows().erase(FHandle);
        } else if (GetWindowLongPtrW(FHandle, GWLP_WNDPROC) == LONG_PTR(&SubclassProc)) {
            SetWindowLongPtrW(FHandle, GWLP_WNDPROC, LONG_PTR(entry->Default));
            Windows().erase(FHandle);
        } else {
            // Somebody subclassed the window after us: our procedure stays in
            // the chain and passes the last messages on until WM_NCDESTROY.
            entry->Control = nullptr;
        }
    }
    ForgetWindowObject(FHandle);
    DestroyWindow(std::exchange(FHandle, nullptr));
}

void TWinControl::SubclassControl()
{
    TWindowEntry* entry = EntryOf(FHandle);
    if (!entry || entry->Default) return;
    entry->Default = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(FHandle, GWLP_WNDPROC, LONG_PTR(&SubclassProc)));
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TWindowEntry* entry = EntryOf(wnd);
    if (!entry) return DefWindowProcW(wnd, message, wParam, lParam);
    const WNDPROC original = entry->Default;
    TWinControl* self = entry->Control;
    if (message == WM_NCDESTROY || !self) {
        // Destroyed with its parent: the control lives on without a window.
        if (message == WM_NCDESTROY) {
            Windows().erase(wnd);
            if (self) self->FHandle = nullptr;
        }
        return CallWindowProcW(original, wnd, message, wParam, lParam);
    }
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (...) {
        HandleWindowProcException();
        return CallWindowProcW(original, wnd, message, wParam, lParam);
    }
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const TWindowEntry* entry = EntryOf(FHandle); entry && entry->Default)
        return CallWindowProcW(entry->Default, FHandle, message, wParam, lParam);
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

const wchar_t* TWinControl::OwnWindowClass()
{
    static const wchar_t name[] = L"TessalyWindow";
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ObjectWindowProc<TWinControl>;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        return RegisterClassExW(&wc);
    }();
    (void)atom;
    return name;
}

TWinControl* TWinControl::FromHandle(HWND wnd)
{
    const TWindowEntry* entry = wnd ? EntryOf(wnd) : nullptr;
    return entry ? entry->Control : nullptr;
}

void TWinControl::SetLayoutDpi(int layoutDpi, int screenDpi)
{
    FLayoutDpi = layoutDpi;
    FScreenDpi = screenDpi;
}

void TWinControl::ChangeDpi(int screenDpi)
{
    const int old = FScreenDpi;
    FScreenDpi = screenDpi;
    for (TWinControl* child : FControls) {
        if (child->FHandle) {
            const RECT r = child->BoundsRect();
            child->SetBounds(MulDiv(r.left, screenDpi, old), MulDiv(r.top, screenDpi, old),
                             MulDiv(r.right - r.left, screenDpi, old), MulDiv(r.bottom - r.top, screenDpi, old));
            if (HFONT font = child->Font()) SendMessageW(child->FHandle, WM_SETFONT, WPARAM(font), TRUE);
        }
        child->ChangeDpi(screenDpi);
    }
}

void TWinControl::CreateWnd(TWinControl* parent, HWND owner, const wchar_t* className, DWORD style,
                            DWORD exStyle, const TBounds& bounds, const std::wstring& caption)
{
    FParent = parent;
    if (parent) {
        FLayoutDpi = parent->FLayoutDpi;
        FScreenDpi = parent->FScreenDpi;
        style |= WS_CHILD | WS_CLIPSIBLINGS;
    }
    // Own-class windows find their object from WM_NCCREATE on.
    TWinControl* const outer = std::exchange(CreatingControl, this);
    if (!FEnabled) style |= WS_DISABLED;
    if (FTabStop) style = *FTabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP;
    FHandle = CreateWindowExW(exStyle, className, caption.c_str(), style, Scale(bounds.Left),
                              Scale(bounds.Top), Scale(bounds.Width), Scale(bounds.Height),
                              parent ? parent->Handle() : owner,
                              parent ? reinterpret_cast<HMENU>(NextControlId()) : nullptr,
                              GetModuleHandleW(nullptr), this);
    CreatingControl = outer;
    Win32Check(FHandle != nullptr);
    Windows().insert_or_assign(FHandle, TWindowEntry{this, nullptr});
    if (HFONT font = Font()) SendMessageW(FHandle, WM_SETFONT, WPARAM(font), FALSE);
    // A control that makes its window again keeps its place among the children.
    if (parent && std::find(parent->FControls.begin(), parent->FControls.end(), this) == parent->FControls.end())
        parent->FControls.push_back(this);
    if (FTabOrder >= 0) ApplyTabOrder();
}

LRESULT TWinControl::WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!FHandle) FHandle = wnd;  // messages sent while CreateWindowEx runs
    if (message == WM_NCDESTROY) ForgetWindow(wnd, this);
    return WndProc(message, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return WMCommand(wParam, lParam);
    case WM_NOTIFY:
        return WMNotify(wParam, lParam);
    case WM_DRAWITEM:
        return WMDrawItem(wParam, lParam);
    case WM_MEASUREITEM:
        return WMMeasureItem(wParam, lParam);
    case WM_SIZE:
        WMSize();
        break;
    }
    return DefaultHandler(message, wParam, lParam);
}

// A notification from a window that is no control of ours (a system
// control's own part, such as a combo box's list) is the window's business.
LRESULT TWinControl::WMCommand(WPARAM wParam, LPARAM lParam)
{
    TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
    if (!child) return DefaultHandler(WM_COMMAND, wParam, lParam);
    child->CommandNotify(HIWORD(wParam));
    return 0;
}

// A child control's notification goes back to the control that sent it.
LRESULT TWinControl::WMNotify(WPARAM wParam, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (TWinControl* child = FromHandle(header->hwndFrom)) return child->CNNotify(*header);
    return DefaultHandler(WM_NOTIFY, wParam, lParam);
}

LRESULT TWinControl::CNNotify(NMHDR&)
{
    return 0;
}

// Menus draw their own items; a control's request goes back to the control.
LRESULT TWinControl::WMDrawItem(WPARAM wParam, LPARAM lParam)
{
    const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw.CtlType != ODT_MENU)
        if (TWinControl* child = FromHandle(draw.hwndItem); child && child->CNDrawItem(draw)) return TRUE;
    return DefaultHandler(WM_DRAWITEM, wParam, lParam);
}

LRESULT TWinControl::WMMeasureItem(WPARAM wParam, LPARAM lParam)
{
    auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (measure.CtlType != ODT_MENU) {
        TWinControl* control = CreatingControl && CreatingControl->FParent == this ? CreatingControl : nullptr;
        for (TWinControl* child : FControls)
            if (child->FHandle && UINT(GetDlgCtrlID(child->FHandle)) == measure.CtlID) control = child;
        if (control && control->CNMeasureItem(measure)) return TRUE;
    }
    return DefaultHandler(WM_MEASUREITEM, wParam, lParam);
}

bool TWinControl::CNDrawItem(const DRAWITEMSTRUCT&)
{
    return false;
}

bool TWinControl::CNMeasureItem(MEASUREITEMSTRUCT&)
{
    return false;
}

void TWinControl::WinIniChange()
{
    for (TWinControl* child : std::vector<TWinControl*>(FControls)) child->WinIniChange();
}

void TWinControl::VisibleChanged() {}

void TWinControl::WMSize()
{
    Realign();
}

void TWinControl::CommandNotify(WORD) {}

HFONT TWinControl::Font() const
{
    return FParent ? FParent->Font() : nullptr;
}

RECT TWinControl::BoundsRect() const
{
    RECT r{};
    GetWindowRect(FHandle, &r);
    if (FParent) MapWindowPoints(nullptr, FParent->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TWinControl::Width() const
{
    RECT r = BoundsRect();
    return r.right - r.left;
}

int TWinControl::Height() const
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

int TWinControl::ClientWidth() const
{
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.right;
}

int TWinControl::ClientHeight() const
{
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetLeft(int value)
{
    SetWindowPos(FHandle, nullptr, value, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetTop(int value)
{
    SetWindowPos(FHandle, nullptr, Left(), value, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetWidth(int value)
{
    SetWindowPos(FHandle, nullptr, 0, 0, value, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetHeight(int value)
{
    SetWindowPos(FHandle, nullptr, 0, 0, Width(), value, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TWinControl::Visible() const
{
    return (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TWinControl::SetVisible(bool value)
{
    if (value == Visible()) return;
    ShowWindow(FHandle, value ? SW_SHOW : SW_HIDE);
    if (FParent) FParent->Realign();
    VisibleChanged();
}

bool TWinControl::Enabled() const
{
    return FHandle ? IsWindowEnabled(FHandle) != FALSE : FEnabled;
}

void TWinControl::SetEnabled(bool value)
{
    // Against the window's own state: a modal box may have disabled it meanwhile.
    if (value == Enabled()) return;
    FEnabled = value;
    if (FHandle) EnableWindow(FHandle, value);
}

bool TWinControl::TabStop() const
{
    if (FHandle) return (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_TABSTOP) != 0;
    return FTabStop.value_or(false);
}

void TWinControl::SetTabStop(bool value)
{
    if (FTabStop == value && (!FHandle || TabStop() == value)) return;
    FTabStop = value;
    if (!FHandle) return;
    const LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
    SetWindowLongPtrW(FHandle, GWL_STYLE, value ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

std::vector<HWND> TWinControl::SiblingWindows() const
{
    std::vector<HWND> siblings;
    if (!FParent || !FParent->FHandle) return siblings;
    for (HWND wnd = GetWindow(FParent->FHandle, GW_CHILD); wnd; wnd = GetWindow(wnd, GW_HWNDNEXT))
        if (wnd != FHandle && FromHandle(wnd)) siblings.push_back(wnd);
    return siblings;
}

int TWinControl::TabOrder() const
{
    if (!FHandle || !FParent) return FTabOrder;
    int order = 0;
    for (HWND wnd = GetWindow(FHandle, GW_HWNDPREV); wnd; wnd = GetWindow(wnd, GW_HWNDPREV))
        if (FromHandle(wnd)) ++order;
    return order;
}

void TWinControl::SetTabOrder(int value)
{
    if (value < 0 || value == TabOrder()) return;
    FTabOrder = value;
    if (FHandle) ApplyTabOrder();
}

void TWinControl::ApplyTabOrder()
{
    const std::vector<HWND> siblings = SiblingWindows();
    if (siblings.empty()) return;
    // Past the end is the last place.
    const size_t place = std::min(size_t(FTabOrder), siblings.size());
    HWND after = place == 0 ? HWND_TOP : siblings[place - 1];
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TWinControl::ApplyBorderStyle(TBorderStyle style)
{
    if (!FHandle) return;
    const LONG_PTR exStyle = GetWindowLongPtrW(FHandle, GWL_EXSTYLE);
    SetWindowLongPtrW(FHandle, GWL_EXSTYLE, (exStyle & ~LONG_PTR(WS_EX_CLIENTEDGE)) | LONG_PTR(BorderExStyle(style)));
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

std::wstring TWinControl::Caption() const
{
    std::wstring text(GetWindowTextLengthW(FHandle), L'\0');
    int length = GetWindowTextW(FHandle, text.data(), int(text.size()) + 1);
    text.resize(length);
    return text;
}

void TWinControl::SetCaption(const std::wstring& value)
{
    SetWindowTextW(FHandle, value.c_str());
}

void TWinControl::SetAlign(TAlign value)
{
    if (value == FAlign) return;
    FAlign = value;
    if (FParent) FParent->Realign();
}

// Docks the aligned children: top, bottom, left and right strips in creation
// order, then the client-aligned ones take what is left.
void TWinControl::Realign()
{
    RECT area{};
    GetClientRect(FHandle, &area);
    auto place = [&](TAlign align) {
        for (TWinControl* c : FControls) {
            if (c->FAlign != align || !c->Visible()) continue;
            switch (align) {
            case TAlign::alTop:
                c->SetBounds(area.left, area.top, area.right - area.left, c->Height());
                area.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(area.left, area.bottom - c->Height(), area.right - area.left, c->Height());
                area.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(area.left, area.top, c->Width(), area.bottom - area.top);
                area.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(area.right - c->Width(), area.top, c->Width(), area.bottom - area.top);
                area.right -= c->Width();
                break;
            case TAlign::alClient:
                c->SetBounds(area.left, area.top, std::max(0L, area.right - area.left),
                             std::max(0L, area.bottom - area.top));
                break;
            case TAlign::alNone:
                break;
            }
        }
    };
    for (TAlign a : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        place(a);
}
