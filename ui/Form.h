#pragma once
// A top-level form built from a layout record. Forms are owned by the
// application window, so they have no taskbar button of their own.
#include <functional>

#include "ui/Graphics.h"
#include "ui/WinControl.h"

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
// What a modal form answers; mrNone keeps it up.
enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

// Asked before a form closes; clearing CanClose keeps it open.
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

struct TFormLayout {
    std::wstring Caption;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    int ClientWidth = 0;
    int ClientHeight = 0;
    int Left = 0;
    int Top = 0;
    TFontSpec Font;
    int PixelsPerInch = 96;  // the resolution the layout's pixels are meant for
};

class TForm : public TWinControl {
public:
    TForm(TComponent* owner, const TFormLayout& layout);

    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    void SetIcon(const TIcon& icon);
    const TIcon& Icon() const { return FIcon; }
    HFONT Font() const override { return FFont.Handle(); }

    // Asks OnCloseQuery; then closing the main form ends the application, a
    // modal form ends its modal show (with mrCancel unless a result is set),
    // and another form is hidden.
    void Close();
    // Runs OnCreate; the application calls it once the form is built.
    void DoCreate();

    // Shows the form with the program's other windows disabled and
    // dispatches messages until ModalResult is set; the form is hidden again.
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnResize;
    // The form has just been shown.
    TNotifyEvent OnShow;
    TCloseQueryEvent OnCloseQuery;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void VisibleChanged() override;

private:
    LRESULT WMClose();
    LRESULT WMSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT WMSize(WPARAM wParam, LPARAM lParam);
    LRESULT WMDpiChanged(WPARAM wParam, LPARAM lParam);

    TFontSpec FFontSpec;  // in the layout's pixels
    TFont FFont;
    TIcon FIcon;
    TWindowState FWindowState = TWindowState::wsNormal;
    int FModalResult = mrNone;
    bool FModal = false;

    friend class TApplication;
};
