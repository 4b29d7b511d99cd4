#pragma once
// The side bar: a narrow, full-height window parked just outside the left
// screen edge that slides in when the pointer rests on the edge.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Monitors.h"
#include "shellmenus/ShellPopupMenu.h"
#include "shellviews/ShellListView.h"
#include "shellviews/ShellTreeView.h"
#include "trayicon/TrayIcon.h"
#include "ui/Form.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Timer.h"

class TTessal_f : public TForm {
public:
    explicit TTessal_f(TComponent* owner);
    ~TTessal_f() override;

    TPanel* Panel1;
    TButton* Button1;  // go up one level
    TButton* Button2;  // re-list the folder
    TTimer* Timer1;    // edge poll
    TTimer* Timer2;    // delayed edge check; Tag: 0 not armed, 1 left edge, 2 right edge
    TTimer* Timer3;    // column fitting
    TImage* Image1;    // copy of the program's main icon, for the version dialog
    TImage* Image2;    // the small icon: application, window and tray icon
    TShellPopupMenu* ShellPopupMenu1;
    TShellListView* ShellListView1;  // the listing
    TShellTreeView* ShellTreeView1;  // never shown: its selected node is the folder listed
    TPopupMenu* PopupMenu2;          // the tray menu
    TMenuItem* WinDisp;
    TMenuItem* N2;
    TMenuItem* help;
    TMenuItem* readme1;
    TMenuItem* History;
    TMenuItem* VersionInfo;
    TMenuItem* N1;
    TMenuItem* EndTessal;
    TTrayIcon* TrayIcon1;

    void FormCreate(TObject* sender);
    void Timer1Timer(TObject* sender);
    void Timer2Timer(TObject* sender);
    // Fits the columns to the narrow window; the go-up button only below the Desktop.
    void Timer3Timer(TObject* sender);
    void Button1Click(TObject* sender);
    void Button2Click(TObject* sender);
    void ShellListView1ShListChange(TObject* sender, TShellFileList* fileList);
    // Brings the window in at the edge chosen by DispSide, beside the taskbar,
    // in the foreground, with the pointer moved into it.
    void FormDisp();
    void WinDispClick(TObject* sender);
    void TrayIcon1DblClick(TObject* sender);
    // The manual and the history in the text viewer.
    void readme1Click(TObject* sender);
    void HistoryClick(TObject* sender);
    void VersionInfoClick(TObject* sender);
    void EndTessalClick(TObject* sender);

    // Where the pointer is; a screen left of the primary one gives x < 0.
    std::function<POINT()> CursorPos;
    // Where the monitors of the desk are read from (the system by default).
    void SetMonitorSource(std::function<std::vector<TMonitorArea>()> source);
    // The folder of the two documents, with a separator at its end: the program's own folder.
    std::wstring DocumentDir;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void WinIniChange() override;

private:
    // The monitors, read once and again only after the desk changed.
    const std::vector<TMonitorArea>& Monitors();
    void CreateTrayMenu();
    void ShowDocument(const std::wstring& title, const wchar_t* extension);
    void AppMinimize(TObject* sender);
    void AppRestore(TObject* sender);
    // Parks the window just left of the leftmost screen, out of the taskbar.
    void Park();
    bool Parked();  // out of sight at the left, its program hidden
    // A parked window must not keep the keyboard: keys meant for another
    // window would reach the hidden list (Delete deletes, F2 renames).
    void GiveUpForeground();
    // Every appearance starts at the Desktop listing.
    void ResetListingToDesktop();
    // The monitor whose free left edge the pointer rests on, unless a
    // full-screen window covers it; none anywhere else.
    std::optional<TMonitorArea> EdgeMonitor(POINT pointer);
    bool FullScreenOn(const TMonitorArea& monitor) const;
    // A menu of ours (the shell's, a submenu, the tray's) or a modal dialog is up.
    bool HoldsTheUser() const;
    void WMActivateApp(bool active);

    bool FActiveApp = false;       // a window of this thread is in front
    bool FKeptForeground = false;  // parked in front: no other window was there to take it
    HWND FForegroundBefore = nullptr;  // in front before the window came in, until another program is
    std::function<std::vector<TMonitorArea>()> FMonitorSource;
    std::vector<TMonitorArea> FMonitors;  // empty until read
    std::optional<TMonitorArea> FShowOn;  // a monitor other than the primary one, for the next show
};

// The main form, the version text and the side the window is shown at (a TDispSide).
extern TTessal_f* Tessal_f;
extern std::wstring VersionStr;
extern int DispSide;

// Brings targetWnd to the top and into the foreground, with its thread's input
// attached to foregroundWnd's thread for the span of the two calls; asks once
// more, unattached, when that did not leave targetWnd in front. Always true.
bool SetForceActiveWindow(HWND foregroundWnd, HWND targetWnd);
