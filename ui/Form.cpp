#include "ui/Form.h"

#include <vector>

#include "ui/Application.h"

namespace {

// The thread's shown and enabled top-level windows but one are disabled
// while it lives, as a dialog's owners are, and enabled again at its end.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND except) : FExcept(except)
    {
        EnumThreadWindows(GetCurrentThreadId(), Collect, LPARAM(this));
        for (HWND wnd : FWindows) EnableWindow(wnd, FALSE);
    }
    ~TDisabledWindows()
    {
        for (HWND wnd : FWindows)
            if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

private:
    static BOOL CALLBACK Collect(HWND wnd, LPARAM param)
    {
        auto* self = reinterpret_cast<TDisabledWindows*>(param);
        if (wnd != self->FExcept && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) self->FWindows.push_back(wnd);
        return TRUE;
    }

    HWND FExcept;
    std::vector<HWND> FWindows;
};

int SystemDpi()
{
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

DWORD FormStyle(const TFormLayout& layout)
{
    DWORD style = WS_CLIPCHILDREN;
    switch (layout.BorderStyle) {
    case TBorderStyle::bsNone: style |= WS_POPUP; break;
    case TBorderStyle::bsSingle: style |= WS_CAPTION; break;
    case TBorderStyle::bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
    case TBorderStyle::bsDialog: style |= WS_CAPTION | DS_MODALFRAME; break;
    }
    if (layout.BorderStyle != TBorderStyle::bsNone && (layout.BorderIcons & biSystemMenu)) {
        style |= WS_SYSMENU;
        if (layout.BorderStyle != TBorderStyle::bsDialog) {
            if (layout.BorderIcons & biMinimize) style |= WS_MINIMIZEBOX;
            if (layout.BorderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
        }
    }
    return style;
}

}  // namespace

TForm::TForm(TComponent* owner, const TFormLayout& layout) : TWinControl(owner)
{
    SetLayoutDpi(layout.PixelsPerInch, SystemDpi());
    FFontSpec = layout.Font;
    FFont.Create(layout.Font, Scale(layout.Font.Height));
    DWORD style = FormStyle(layout);
    DWORD exStyle = layout.BorderStyle == TBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0;
    // The layout gives the client size; the window is sized around it.
    RECT frame{0, 0, Scale(layout.ClientWidth), Scale(layout.ClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    CreateWnd(nullptr, Application ? Application->Handle() : nullptr, OwnWindowClass(), style,
              exStyle, TBounds{}, layout.Caption);
    SetWindowPos(Handle(), nullptr, Scale(layout.Left), Scale(layout.Top), frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::DoCreate()
{
    // A form whose set-up failed in part still comes up; the user hears why.
    try {
        if (OnCreate) OnCreate(this);
    } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
    }
}

void TForm::SetIcon(const TIcon& icon)
{
    FIcon = icon;
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, LPARAM(FIcon.Handle()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, LPARAM(FIcon.Handle()));
}

void TForm::SetWindowState(TWindowState value)
{
    if (value == FWindowState) return;
    FWindowState = value;
    if (!Visible()) return;
    switch (value) {
    case TWindowState::wsNormal: ShowWindow(Handle(), SW_SHOWNORMAL); break;
    case TWindowState::wsMinimized: ShowWindow(Handle(), SW_MINIMIZE); break;
    case TWindowState::wsMaximized: ShowWindow(Handle(), SW_MAXIMIZE); break;
    }
}

void TForm::Close()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    if (FModal) {
        if (FModalResult == mrNone) FModalResult = mrCancel;
    } else if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else {
        SetVisible(false);
    }
}

int TForm::ShowModal()
{
    FModalResult = mrNone;
    HWND activeBefore = GetActiveWindow();
    {
        TDisabledWindows disabled(Handle());
        FModal = true;
        try {
            // In front before OnShow: activation would take the focus that OnShow gives a control.
            ShowWindow(Handle(), SW_SHOW);
            SetForegroundWindow(Handle());
            VisibleChanged();
            while (FModalResult == mrNone) {
                // A quit asked for meanwhile ends the dialog first, then the program.
                if (Application->Terminated()) FModalResult = mrCancel;
                else Application->HandleMessage(Handle());
            }
        } catch (...) {
            FModal = false;
            throw;
        }
        FModal = false;
        // The other windows are enabled before the form hides, so that one of them can be activated.
    }
    SetVisible(false);
    if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
    return FModalResult;
}

void TForm::VisibleChanged()
{
    if (Visible() && OnShow) OnShow(this);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        return WMClose();
    case WM_SYSCOMMAND:
        return WMSysCommand(wParam, lParam);
    case WM_SIZE:
        return WMSize(wParam, lParam);
    case WM_DPICHANGED:
        return WMDpiChanged(wParam, lParam);
    case WM_SETTINGCHANGE:
        // Only top-level windows hear it; the controls learn it from their form.
        WinIniChange();
        break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// Moved to a monitor of another resolution: everything is laid out for it
// again, in the rectangle the system suggests.
LRESULT TForm::WMDpiChanged(WPARAM wParam, LPARAM lParam)
{
    const int dpi = HIWORD(wParam);
    // The new font first: the children take it as they are laid out again.
    FFont.Create(FFontSpec, MulDiv(FFontSpec.Height, dpi, LayoutDpi()));
    ChangeDpi(dpi);
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT TForm::WMClose()
{
    Close();
    return 0;
}

// The main form minimises with the whole application, as its taskbar button does.
LRESULT TForm::WMSysCommand(WPARAM wParam, LPARAM lParam)
{
    if ((wParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == this) {
        Application->Minimize();
        return 0;
    }
    return DefWindowProcW(Handle(), WM_SYSCOMMAND, wParam, lParam);
}

LRESULT TForm::WMSize(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = TWinControl::WndProc(WM_SIZE, wParam, lParam);
    // Minimising is the application's business (see TApplication::Minimize);
    // here only a maximised form and its way back are followed.
    if (wParam == SIZE_MAXIMIZED) FWindowState = TWindowState::wsMaximized;
    else if (wParam == SIZE_RESTORED && FWindowState == TWindowState::wsMaximized)
        FWindowState = TWindowState::wsNormal;
    if (OnResize) OnResize(this);
    return result;
}
