#include "app/Tessal_u.h"

#include <shellapi.h>

#include <optional>

#include "app/ModalForm.h"
#include "app/SideBarPlacement.h"
#include "app/TextDocument.h"
#include "app/disptext_u.h"
#include "app/verform_u.h"
#include "ui/Application.h"

TTessal_f* Tessal_f = nullptr;
std::wstring VersionStr;
int DispSide = dsNone;

namespace {

const TFormLayout kLayout{
    .Caption = L"Tessaly",
    .BorderStyle = TBorderStyle::bsSingle,
    .BorderIcons = biSystemMenu,
    .ClientWidth = 202,
    .ClientHeight = 570,
    .Left = 192,
    .Top = 104,
    .Font = {L"ＭＳ Ｐゴシック", -12, SHIFTJIS_CHARSET},
    .PixelsPerInch = 96,
};

std::optional<RECT> TaskbarRect()
{
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", L"");
    RECT r{};
    if (!taskbar || !GetWindowRect(taskbar, &r)) return std::nullopt;
    return r;
}

POINT SystemCursorPos()
{
    POINT p{};
    GetCursorPos(&p);
    return p;
}

GUITHREADINFO OwnThreadInfo()
{
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetCurrentThreadId(), &thread);
    return thread;
}

// The desktop in front (after Win+D, or a click on it) is no program's full screen.
bool IsDesktopWindow(HWND window)
{
    if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return wcscmp(name, L"Progman") == 0 || wcscmp(name, L"WorkerW") == 0;
}

}  // namespace

TTessal_f::TTessal_f(TComponent* owner)
    : TForm(owner, kLayout), CursorPos(SystemCursorPos), DocumentDir(ProgramFolder())
{
    Tessal_f = this;
    Panel1 = Create<TPanel>(this, TBounds{0, 0, 202, 28}, TAlign::alTop);
    Button1 = Create<TButton>(Panel1, TBounds{4, 4, 96, 21}, L"上へ戻る");
    Button2 = Create<TButton>(Panel1, TBounds{101, 4, 96, 21}, L"更　新");
    Timer1 = Create<TTimer>(500u, true);
    Timer2 = Create<TTimer>(700u, false);
    Timer3 = Create<TTimer>(500u, true);
    Image1 = Create<TImage>();
    Image2 = Create<TImage>();
    Image2->Icon = TIcon::FromResource(L"SMALLICON", 16, 16);

    ShellPopupMenu1 = Create<TShellPopupMenu>();
    ShellPopupMenu1->SetAutoPopup(false);
    ShellPopupMenu1->SetInsertPos(0);
    const TShVirtuaItems virtualItems{itBitBucket, itVirtual, itNetWork};
    ShellListView1 = Create<TShellListView>(this, TBounds{0, 28, 202, 542});
    ShellListView1->SetAlign(TAlign::alClient);
    ShellListView1->SetViewStyle(vsReport);
    ShellListView1->SetShellPopupMenu(ShellPopupMenu1);
    ShellListView1->SetShVirtuaItems(virtualItems);
    ShellListView1->OnShListChange = [this](TObject* s, TShellFileList* list) { ShellListView1ShListChange(s, list); };
    ShellTreeView1 = Create<TShellTreeView>(this, TBounds{4, 48, 85, 113});
    ShellTreeView1->SetShellListView(ShellListView1);
    ShellTreeView1->SetShVirtuaItems(virtualItems);
    ShellTreeView1->SetIndent(19);
    ShellTreeView1->SetCheckboxes(false);
    ShellListView1->Loaded();
    ShellTreeView1->Loaded();
    ShellTreeView1->SetVisible(false);
    CreateTrayMenu();

    Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
    Timer2->SetOnTimer([this](TObject* s) { Timer2Timer(s); });
    Timer3->SetOnTimer([this](TObject* s) { Timer3Timer(s); });
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TTessal_f::CreateTrayMenu()
{
    PopupMenu2 = Create<TPopupMenu>();
    TMenuItem* items = PopupMenu2->Items();
    WinDisp = items->Add(L"Tessaly の表示");
    N2 = items->Add(L"-");
    help = items->Add(L"ヘルプ");
    readme1 = help->Add(L"取説ﾄﾞｷｭﾒﾝﾄの表示 ...");
    History = help->Add(L"開発ﾋｽﾄﾘｰの表示 ...");
    VersionInfo = items->Add(L"ﾊﾞｰｼﾞｮﾝ情報の表示 ...");
    N1 = items->Add(L"-");
    EndTessal = items->Add(L"Tessaly の終了");
    WinDisp->OnClick = [this](TObject* s) { WinDispClick(s); };
    readme1->OnClick = [this](TObject* s) { readme1Click(s); };
    History->OnClick = [this](TObject* s) { HistoryClick(s); };
    VersionInfo->OnClick = [this](TObject* s) { VersionInfoClick(s); };
    EndTessal->OnClick = [this](TObject* s) { EndTessalClick(s); };

    TrayIcon1 = Create<TTrayIcon>();
    TrayIcon1->SetLBPopupMenu(PopupMenu2);
    TrayIcon1->SetRBPopupMenu(PopupMenu2);
    TrayIcon1->SetTipHelp(L"Tessaly");
    TrayIcon1->OnDblClick = [this](TObject* s) { TrayIcon1DblClick(s); };
}

TTessal_f::~TTessal_f()
{
    if (Application) {
        Application->OnMinimize = nullptr;
        Application->OnRestore = nullptr;
    }
    if (Tessal_f == this) Tessal_f = nullptr;
}

void TTessal_f::FormCreate(TObject*)
{
    Application->OnMinimize = [this](TObject* s) { AppMinimize(s); };
    Application->OnRestore = [this](TObject* s) { AppRestore(s); };
    Timer3->SetEnabled(true);
    Park();
    // From here on the activation messages tell.
    FActiveApp = GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == GetCurrentThreadId();
    // Still the main icon here: the version dialog shows this copy.
    Image1->Icon = Application->Icon();
    Application->SetIcon(Image2->Icon);
    SetIcon(Image2->Icon);
    // Before the tray is asked: a refused icon stops here with its message.
    VersionStr = L"0.1β";
    TrayIcon1->SetIcon(Image2->Icon);
    TrayIcon1->SetVisible(true);
}

void TTessal_f::AppMinimize(TObject*)
{
    Application->ProcessMessages();
    ShowWindow(Application->Handle(), SW_HIDE);
}

void TTessal_f::AppRestore(TObject*)
{
    Application->ProcessMessages();
    SetWindowState(TWindowState::wsNormal);
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
}

bool TTessal_f::Parked()
{
    return Left() == ParkedLeft(Monitors(), Width()) && !IsWindowVisible(Application->Handle());
}

void TTessal_f::Park()
{
    // Every poll parks a window out of use again: only what is not so already is done.
    const int parked = ParkedLeft(Monitors(), Width());
    if (Left() != parked) SetLeft(parked);
    if (IsWindowVisible(Application->Handle())) ShowWindow(Application->Handle(), SW_HIDE);
    GiveUpForeground();
}

void TTessal_f::GiveUpForeground()
{
    // The tray menu closes as soon as the program loses the foreground, and a drag out of
    // the list that holds the mouse would lose its button's release to the other window.
    const GUITHREADINFO thread = OwnThreadInfo();
    if ((thread.flags & GUI_INMENUMODE) || thread.hwndCapture) return;
    HWND foreground = GetForegroundWindow();
    if (foreground != Handle() && foreground != Application->Handle()) return;
    HWND target = FForegroundBefore;
    FForegroundBefore = nullptr;
    if (!target || !IsWindow(target) || !IsWindowVisible(target)) {
        target = GetAncestor(WindowFromPoint(CursorPos()), GA_ROOT);
        if (target == Handle() || target == GetDesktopWindow()) target = nullptr;
    }
    if (target) SetForceActiveWindow(foreground, target);
    // Nobody to hand it to: at least no control of ours hears the keys.
    // It stays so until the activation changes.
    if (GetForegroundWindow() == Handle()) {
        SetFocus(nullptr);
        FKeptForeground = true;
    }
}

// Every 500 ms: arm the delayed check while the pointer is at the left edge,
// and park the window once the pointer has left it or it lost the foreground.
void TTessal_f::Timer1Timer(TObject*)
{
    const POINT p = CursorPos();
    if (EdgeMonitor(p)) {
        Timer2->Tag = dsLeft;
        Timer2->SetEnabled(true);  // a running check keeps its phase
    } else {
        Timer2->Tag = dsNone;
    }
    // The poll runs all day: a bar already parked while another program is
    // in front, or that kept the foreground for want of a window to take it,
    // has nothing more to park, and the system is asked nothing more.
    if (Parked() && (!FActiveApp || FKeptForeground)) return;
    // The poll runs inside a menu's loop too, and the menu may reach past the window.
    if (HoldsTheUser()) return;
    const int left = Left();
    const bool overWindow = left <= p.x && p.x <= left + Width();
    const bool keep = (WindowState() != TWindowState::wsNormal || overWindow) &&
                      Handle() == GetForegroundWindow();
    if (!keep) Park();
}

bool TTessal_f::HoldsTheUser() const
{
    // A modal dialog of ours (the viewer, the version dialog, a shell dialog) disables this window.
    return (OwnThreadInfo().flags & GUI_INMENUMODE) || !IsWindowEnabled(Handle());
}

// 700 ms after arming: the pointer must still be at the armed edge.
void TTessal_f::Timer2Timer(TObject*)
{
    const POINT p = CursorPos();
    int side = dsNone;
    std::optional<TMonitorArea> edge;
    if (Timer2->Tag == dsLeft && (edge = EdgeMonitor(p))) side = dsLeft;
    else if (Timer2->Tag == dsRight && p.x >= GetSystemMetrics(SM_CXSCREEN) - 1) side = dsRight;
    if (side == dsNone) return;
    Application->Restore();
    DispSide = side;
    if (edge && !edge->Primary) FShowOn = edge;
    FormDisp();
    Timer2->Tag = dsNone;
    Timer2->SetEnabled(false);
}

void TTessal_f::FormDisp()
{
    HWND foreground = GetForegroundWindow();
    if (foreground != Handle() && foreground != Application->Handle()) FForegroundBefore = foreground;
    Application->Restore();
    SetForceActiveWindow(foreground, Handle());
    SetVisible(true);
    ResetListingToDesktop();
    const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const TSideBarBounds b = FShowOn ? SecondaryPlacement(*FShowOn)
                                     : SideBarPlacement(screen, TaskbarRect(), DispSide, Width(), Left());
    FShowOn.reset();
    SetBounds(b.Left, b.Top, Width(), b.Height);
    // On a monitor of another resolution the window was laid out again on the way: place it once more.
    if (Left() != b.Left || Top() != b.Top || Height() != b.Height) SetBounds(b.Left, b.Top, Width(), b.Height);
    SetCursorPos(Left() + Width() / 4, Top() + Height() / 4);
}

void TTessal_f::SetMonitorSource(std::function<std::vector<TMonitorArea>()> source)
{
    FMonitorSource = std::move(source);
    FMonitors.clear();
}

const std::vector<TMonitorArea>& TTessal_f::Monitors()
{
    if (FMonitors.empty()) FMonitors = FMonitorSource ? FMonitorSource() : SystemMonitors();
    return FMonitors;
}

LRESULT TTessal_f::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DISPLAYCHANGE:
        FMonitors.clear();  // a monitor came, went or changed its size
        break;
    case WM_ACTIVATE:
        FKeptForeground = false;  // in front or not, it is so anew
        break;
    case WM_ACTIVATEAPP:
        WMActivateApp(wParam != FALSE);
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}

// Another program in front: the window that was in front before the bar
// came in is no longer the one the user left for it.
void TTessal_f::WMActivateApp(bool active)
{
    FActiveApp = active;
    if (!active) FForegroundBefore = nullptr;
}

// A taskbar moved or resized changes a work area.
void TTessal_f::WinIniChange()
{
    FMonitors.clear();
    TForm::WinIniChange();
}

std::optional<TMonitorArea> TTessal_f::EdgeMonitor(POINT pointer)
{
    const TMonitorArea* monitor = LeftEdgeMonitor(Monitors(), pointer);
    if (!monitor || FullScreenOn(*monitor)) return std::nullopt;
    return *monitor;
}

// A game, a video or a slide show in front: the pointer at the edge is theirs.
bool TTessal_f::FullScreenOn(const TMonitorArea& monitor) const
{
    HWND foreground = GetForegroundWindow();
    if (!foreground || foreground == Handle() || IsDesktopWindow(foreground)) return false;
    QUERY_USER_NOTIFICATION_STATE state{};
    if (SUCCEEDED(SHQueryUserNotificationState(&state)) &&
        (state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE))
        return true;
    // Windows: a maximised window reaches about 8 px past the monitor on every side, caption and frame and all.
    const LONG_PTR style = GetWindowLongPtrW(foreground, GWL_STYLE);
    if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME)) return false;
    RECT bounds{};
    return GetWindowRect(foreground, &bounds) && CoversMonitor(bounds, monitor);
}

void TTessal_f::WinDispClick(TObject*)
{
    FormDisp();
}

void TTessal_f::TrayIcon1DblClick(TObject* sender)
{
    WinDispClick(sender);
}

void TTessal_f::readme1Click(TObject*)
{
    ShowDocument(L"Tessaly 取説ドキュメントの表示", L".txt");
}

void TTessal_f::HistoryClick(TObject*)
{
    ShowDocument(L"Tessaly 開発ヒストリーの表示", L".his");
}

void TTessal_f::ShowDocument(const std::wstring& title, const wchar_t* extension)
{
    ShowModalForm(disptext, [&](Tdisptext& viewer) {
        viewer.Label1->SetCaption(title);
        viewer.LoadDocument(DocumentDir + L"Tessal" + extension);
    });
}

void TTessal_f::VersionInfoClick(TObject*)
{
    ShowModalForm(verform, [](Tverform&) {});
}

void TTessal_f::EndTessalClick(TObject*)
{
    Close();
}

void TTessal_f::ResetListingToDesktop()
{
    TTreeNode* root = ShellTreeView1->GetFirstNode();
    if (ShellTreeView1->Selected() != root) ShellTreeView1->SetSelected(root);
}

void TTessal_f::ShellListView1ShListChange(TObject*, TShellFileList*)
{
    Timer3->SetEnabled(true);
}

void TTessal_f::Timer3Timer(TObject*)
{
    Application->ProcessMessages();
    // The outer width: the old layout fitted the column to it, not to the client area.
    ShellListView1->SetColumnWidth(0, Width() - Scale(26));
    const bool atDesktop = ShellTreeView1->Selected() == ShellTreeView1->GetFirstNode();
    if (atDesktop)
        for (int column = 1; column <= 4 && column < ShellListView1->ColumnCount(); ++column)
            ShellListView1->SetColumnWidth(column, 0);
    Button1->SetEnabled(!atDesktop);
    Timer3->SetEnabled(false);
}

void TTessal_f::Button1Click(TObject*)
{
    TTreeNode* selected = ShellTreeView1->Selected();
    if (selected && selected != ShellTreeView1->GetFirstNode()) ShellTreeView1->SetSelected(selected->Parent());
}

void TTessal_f::Button2Click(TObject*)
{
    ShellListView1->RefreshList();
}

bool SetForceActiveWindow(HWND foregroundWnd, HWND targetWnd)
{
    DWORD foregroundThread = GetWindowThreadProcessId(foregroundWnd, nullptr);
    DWORD targetThread = GetWindowThreadProcessId(targetWnd, nullptr);
    AttachThreadInput(targetThread, foregroundThread, TRUE);
    BringWindowToTop(targetWnd);
    SetForegroundWindow(targetWnd);
    AttachThreadInput(targetThread, foregroundThread, FALSE);
    // Wine: the detach leaves no foreground window when it belonged to another
    // process, but there a plain request from the background is granted.
    if (GetForegroundWindow() != targetWnd) SetForegroundWindow(targetWnd);
    return true;
}
