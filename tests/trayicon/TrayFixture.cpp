#include "tests/trayicon/TrayFixture.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/Menus.h"

TIcon SystemIcon(LPCWSTR id)
{
    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconW(nullptr, id)));
    return icon;
}

void TrayTest::SetUp()
{
    ASSERT_NE(FindWindowW(L"Shell_TrayWnd", L""), nullptr) << "Wine's taskbar is missing";
    ASSERT_TRUE(LiveTrayIcons().empty()) << "an earlier test left a tray icon";
    Owner = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"tray owner", .ClientWidth = 200,
                                                         .ClientHeight = 100, .Left = 500, .Top = 300});
    ShowWindow(Owner->Handle(), SW_SHOWNOACTIVATE);
    ShellNotifyIconFunc = [this](DWORD message, NOTIFYICONDATAW* data) {
        Calls.push_back({message, data->uID, data->uFlags, data->hWnd, data->uCallbackMessage, data->hIcon,
                         data->szTip});
        return DefaultShellNotifyIcon(message, data);
    };
}

void TrayTest::TearDown()
{
    Owner.reset();
    Application->OnException = nullptr;
    ShellNotifyIconFunc = DefaultShellNotifyIcon;
    TrackPopupMenuFunc = DefaultTrackPopupMenu;
}

TTrayIcon* TrayTest::NewIcon(TComponent* owner)
{
    return (owner ? owner : Owner.get())->Create<TTrayIcon>();
}

TTrayIcon* TrayTest::ShownIcon()
{
    TTrayIcon* icon = NewIcon();
    icon->SetIcon(SystemIcon(IDI_APPLICATION));
    icon->SetVisible(true);
    EXPECT_TRUE(icon->Registered());
    return icon;
}

void TrayTest::Destroy(TTrayIcon* icon)
{
    icon->Owner()->RemoveComponent(icon).reset();
}

void TrayTest::Record(TTrayIcon* icon, bool withMouseUp)
{
    icon->OnClick = [this](TObject*) { Events.push_back({"click"}); };
    icon->OnDblClick = [this](TObject*) { Events.push_back({"dblclick"}); };
    icon->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
        Events.push_back({"move", -1, shift, {x, y}});
    };
    icon->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        Events.push_back({"down", button, shift, {x, y}});
    };
    if (withMouseUp)
        icon->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
            Events.push_back({"up", button, shift, {x, y}});
        };
}

void TrayTest::Notify(const TTrayIcon* icon, UINT mouseMessage)
{
    SendMessageW(CallbackWindow()->Handle(), WM_TRAYNOTIFY, icon->IconID(), mouseMessage);
}

size_t TrayTest::CallsOf(DWORD message) const
{
    return size_t(std::count_if(Calls.begin(), Calls.end(), [message](const TrayCall& c) { return c.Message == message; }));
}
