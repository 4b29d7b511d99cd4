#pragma once
// A control with a window. Own window classes route every message to the
// virtual WndProc; standard controls (buttons, statics) are created from the
// system classes and hear their notifications through their parent. A system
// control that needs its own messages (the list view) is subclassed, and its
// WndProc passes what it does not handle to the control's own procedure.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Component.h"

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A form's frame; a control knows bsNone and bsSingle, its sunken client edge.
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

// Position and size in the layout's pixels (96 per inch unless a form says otherwise).
struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The user asked for the control's context menu at MousePos (client
// coordinates); a handler that sets Handled keeps the window's own handling
// from the request.
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle() const { return FHandle; }
    TWinControl* Parent() const { return FParent; }
    static TWinControl* FromHandle(HWND wnd);
    LRESULT WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Position relative to the parent's client area (the screen for a top-level window).
    int Left() const { return BoundsRect().left; }
    int Top() const { return BoundsRect().top; }
    int Width() const;
    int Height() const;
    RECT BoundsRect() const;
    void SetLeft(int value);
    void SetTop(int value);
    void SetWidth(int value);
    void SetHeight(int value);
    void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    bool Visible() const;
    void SetVisible(bool value);
    // A system setting changed (relayed by the form to every control in it).
    virtual void WinIniChange();
    // Kept by the control, so that a window made later is made disabled.
    bool Enabled() const;
    void SetEnabled(bool value);
    // The control's place among its parent's controls when Tab moves the
    // focus (the windows' z-order); kept for a window made later.
    int TabOrder() const;
    void SetTabOrder(int value);
    // Whether Tab stops at the control; until set, as its kind of window is made.
    bool TabStop() const;
    void SetTabStop(bool value);
    std::wstring Caption() const;
    void SetCaption(const std::wstring& value);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    // Places the aligned children again.
    void Realign();

    // Layout pixels to device pixels for this control's form.
    int Scale(int layoutPixels) const { return MulDiv(layoutPixels, FScreenDpi, FLayoutDpi); }
    int LayoutDpi() const { return FLayoutDpi; }
    int ScreenDpi() const { return FScreenDpi; }
    virtual HFONT Font() const;

protected:
    // Creates the window as a child of `parent`, or as a top-level window
    // owned by `owner` when parent is none. Bounds are layout pixels.
    void CreateWnd(TWinControl* parent, HWND owner, const wchar_t* className, DWORD style,
                   DWORD exStyle, const TBounds& bounds, const std::wstring& caption);
    // Windows of the framework's own class and subclassed controls come here;
    // what is not handled goes to DefaultHandler.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc, or the system control's own procedure when subclassed.
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // Routes the messages of a system control's window to WndProc.
    void SubclassControl();
    // Destroys the window now; the control lives on without one.
    void DestroyHandle();
    // A WM_COMMAND notification that a child control sent to its parent.
    virtual void CommandNotify(WORD code);
    // A WM_NOTIFY notification that this control sent to its parent.
    virtual LRESULT CNNotify(NMHDR& header);
    // An owner-drawn control's requests that its parent hands back; false: not drawn here.
    virtual bool CNDrawItem(const DRAWITEMSTRUCT& draw);
    virtual bool CNMeasureItem(MEASUREITEMSTRUCT& measure);
    // Called after the window was shown or hidden through SetVisible.
    virtual void VisibleChanged();
    // The WS_EX_CLIENTEDGE of a border style; a live window is framed anew.
    static DWORD BorderExStyle(TBorderStyle style) { return style == TBorderStyle::bsNone ? 0 : WS_EX_CLIENTEDGE; }
    void ApplyBorderStyle(TBorderStyle style);
    void SetLayoutDpi(int layoutDpi, int screenDpi);
    // The window went to a screen of another resolution: the children's
    // places and sizes follow, and their windows take the font anew.
    virtual void ChangeDpi(int screenDpi);

    static const wchar_t* OwnWindowClass();

private:
    LRESULT WMCommand(WPARAM wParam, LPARAM lParam);
    LRESULT WMNotify(WPARAM wParam, LPARAM lParam);
    LRESULT WMDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT WMMeasureItem(WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    void WMSize();
    // The parent's controls that have windows, in z-order, without this one.
    std::vector<HWND> SiblingWindows() const;
    void ApplyTabOrder();

    HWND FHandle = nullptr;
    TWinControl* FParent = nullptr;
    TAlign FAlign = TAlign::alNone;
    bool FEnabled = true;
    int FTabOrder = -1;  // -1: where the window was made
    std::optional<bool> FTabStop;
    std::vector<TWinControl*> FControls;  // child controls, in creation order
    int FLayoutDpi = 96;
    int FScreenDpi = 96;
};

