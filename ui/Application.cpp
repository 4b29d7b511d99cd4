#include "ui/Application.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/Exceptions.h"
#include "ui/Text.h"
#include "ui/WinControl.h"
#include "ui/WindowProc.h"

TApplication* Application = nullptr;

namespace {
const wchar_t kAppClass[] = L"TessalyApplication";
// One posted message for each exception waiting to be shown.
constexpr UINT kShowPostedException = WM_APP + 0x100;

std::wstring ModuleBaseName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}
}  // namespace

TApplication::TApplication() : TComponent(nullptr)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ObjectWindowProc<TApplication>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kAppClass;
    RegisterClassExW(&wc);

    FTitle = ModuleBaseName();
    FIcon = TIcon::FromResource(L"MAINICON");
    // The application window sits at the screen's centre with no size: it is
    // seen only as the taskbar button, and only while it is shown.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    FHandle = CreateWindowExW(0, kAppClass, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    Win32Check(FHandle != nullptr);
    SetIcon(FIcon);
    if (!Application) Application = this;
}

TApplication::~TApplication()
{
    DestroyComponents();
    ForgetWindowObject(FHandle);
    DestroyWindow(FHandle);
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    if (operation != TOperation::opRemove) return;
    if (component == FMainForm) FMainForm = nullptr;
    for (TPostedException& posted : FPostedExceptions)
        if (posted.Sender == component) posted.Sender = nullptr;
}

void TApplication::SetTitle(const std::wstring& value)
{
    FTitle = value;
    SetWindowTextW(FHandle, FTitle.c_str());
}

void TApplication::SetIcon(const TIcon& value)
{
    if (&value != &FIcon) FIcon = value;
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, LPARAM(FIcon.Handle()));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, LPARAM(FIcon.Handle()));
}

void TApplication::SetHint(const std::wstring& value)
{
    if (value == FHint) return;
    FHint = value;
    if (OnHint) OnHint(this);
}

void TApplication::Run()
{
    ShowMainForm();
    while (!FTerminated) HandleMessage();
}

void TApplication::HandleMessage(HWND dialog)
{
    if (!DispatchOne(dialog)) WaitMessage();
}

void TApplication::ShowMainForm()
{
    if (FMainForm) FMainForm->SetVisible(true);
}

// Dispatches one waiting message; false when none was waiting.
bool TApplication::DispatchOne(HWND dialog)
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    // Window procedures catch their own errors; this guards what runs
    // outside them (timer callbacks without a window, hooks).
    try {
        if (dialog && IsDialogMessageW(dialog, &msg)) return true;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    } catch (...) {
        HandleException(this);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    while (!FTerminated && DispatchOne()) {
    }
}

void TApplication::Terminate()
{
    if (!FTerminated) PostQuitMessage(0);
}

void TApplication::Minimize()
{
    if (Minimized()) return;
    // An owner that is minimised hides the windows it owns: the forms go with it.
    ShowWindow(FHandle, SW_MINIMIZE);
    if (FMainForm) FMainForm->FWindowState = TWindowState::wsMinimized;
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore()
{
    if (!Minimized()) return;
    ShowWindow(FHandle, SW_RESTORE);
    if (OnRestore) OnRestore(this);
}

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner && FMainForm) owner = FMainForm->Handle();
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::HandleException(TObject* sender)
{
    try {
        throw;
    } catch (const std::exception& error) {
        if (OnException) OnException(sender, error);
        else ShowException(error);
    } catch (...) {
        Exception unknown(L"Unknown error");
        if (OnException) OnException(sender, unknown);
        else ShowException(unknown);
    }
}

void TApplication::PostException(TObject* sender)
{
    auto* component = dynamic_cast<TComponent*>(sender);
    FreeNotification(component);
    FPostedExceptions.push_back({std::current_exception(), component});
    if (!PostMessageW(FHandle, kShowPostedException, 0, 0)) {
        // A full queue: better a box now than an error nobody sees.
        FPostedExceptions.pop_back();
        HandleException(sender);
    }
}

void TApplication::ShowPostedException()
{
    if (FPostedExceptions.empty()) return;
    const TPostedException posted = FPostedExceptions.front();
    FPostedExceptions.pop_front();
    const bool stillWaiting = std::any_of(FPostedExceptions.begin(), FPostedExceptions.end(),
                                          [&](const TPostedException& other) { return other.Sender == posted.Sender; });
    if (posted.Sender && posted.Sender != FMainForm && !stillWaiting) RemoveFreeNotification(posted.Sender);
    try {
        std::rethrow_exception(posted.Error);
    } catch (...) {
        HandleException(posted.Sender);
    }
}

void TApplication::ShowException(const std::exception& error)
{
    std::wstring text;
    if (auto* own = dynamic_cast<const Exception*>(&error)) text = own->Message();
    else text = BytesToWide(error.what(), CP_UTF8);
    if (!text.empty() && text.back() != L'.' && text.back() != L'。') text += L'.';
    MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

LRESULT TApplication::WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!FHandle) FHandle = wnd;  // messages sent while CreateWindowEx runs
    return WndProc(message, wParam, lParam);
}

LRESULT TApplication::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        return WMSysCommand(wParam, lParam);
    case WM_CLOSE:
        if (FMainForm) FMainForm->Close();
        return 0;
    case kShowPostedException:
        ShowPostedException();
        return 0;
    }
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

// The taskbar button's minimise and restore come here.
LRESULT TApplication::WMSysCommand(WPARAM wParam, LPARAM lParam)
{
    switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
        Minimize();
        return 0;
    case SC_RESTORE:
        Restore();
        return 0;
    }
    return DefWindowProcW(FHandle, WM_SYSCOMMAND, wParam, lParam);
}

void HandleWindowProcException()
{
    if (Application) Application->HandleException(nullptr);
}
