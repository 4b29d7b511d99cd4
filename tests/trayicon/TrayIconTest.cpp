// The tray icon's life in the notification area, its ids and its properties.
#include "tests/trayicon/TrayFixture.h"
#include "ui/Exceptions.h"
#include "ui/ImageList.h"
#include "ui/Text.h"

TEST_F(TrayTest, IdsFollowTheNewestIcon)
{
    TTrayIcon* first = NewIcon();
    TTrayIcon* second = NewIcon();
    TTrayIcon* third = NewIcon();
    EXPECT_EQ(first->IconID(), 1u);
    EXPECT_EQ(second->IconID(), 2u);
    EXPECT_EQ(third->IconID(), 3u);
    Destroy(third);
    EXPECT_EQ(NewIcon()->IconID(), 3u);
    // A gap left by an older icon is not filled: the newest one counts.
    Destroy(first);
    EXPECT_EQ(NewIcon()->IconID(), 4u);
    EXPECT_EQ(FindTrayIcon(1), nullptr);
    EXPECT_EQ(FindTrayIcon(2), second);
}

TEST_F(TrayTest, AHundredIconsLiveAtMost)
{
    std::vector<TTrayIcon*> icons;
    for (size_t i = 0; i < kMaxTrayIcons; ++i) icons.push_back(NewIcon());
    try {
        NewIcon();
        ADD_FAILURE() << "the 101st icon was made";
    } catch (const EOutOfMemory& error) {
        EXPECT_EQ(error.Message(), L"タスクトレイにアイコンを登録できません。");
    }
    EXPECT_EQ(LiveTrayIcons().size(), kMaxTrayIcons) << "the refused icon left an entry";
    Destroy(icons[40]);
    TTrayIcon* again = NewIcon();
    EXPECT_EQ(again->IconID(), kMaxTrayIcons + 1);
}

TEST_F(TrayTest, VisibleAddsTheIconAndTakesItAway)
{
    TTrayIcon* icon = NewIcon();
    icon->SetVisible(true);
    EXPECT_FALSE(icon->Visible()) << "an icon without an image cannot be shown";
    EXPECT_TRUE(Calls.empty());

    icon->SetIcon(SystemIcon(IDI_APPLICATION));
    EXPECT_TRUE(Calls.empty()) << "an icon not in the notification area is not updated";
    icon->SetVisible(true);
    ASSERT_EQ(Calls.size(), 1u);
    const TrayCall& add = Calls.back();
    EXPECT_EQ(add.Message, DWORD(NIM_ADD));
    EXPECT_EQ(add.ID, icon->IconID());
    EXPECT_EQ(add.Window, CallbackWindow()->Handle());
    EXPECT_EQ(add.CallbackMessage, 1224u);
    EXPECT_EQ(add.Flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.Tip, L"TipHelp");
    EXPECT_TRUE(icon->Registered());
    EXPECT_TRUE(InTray(icon));

    // A new image is shown in place.
    icon->SetIcon(SystemIcon(IDI_WARNING));
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_MODIFY));
    EXPECT_EQ(Calls.back().Icon, icon->Icon().Handle());

    icon->SetVisible(false);
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_DELETE));
    EXPECT_FALSE(icon->Registered());
    EXPECT_FALSE(InTray(icon));

    icon->SetVisible(true);
    EXPECT_TRUE(InTray(icon));
    // Taking the image away takes the icon out.
    icon->SetIcon(TIcon{});
    EXPECT_FALSE(icon->Visible());
    EXPECT_FALSE(InTray(icon));
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_DELETE));
}

TEST_F(TrayTest, DestroyingAShownIconTakesItOut)
{
    TTrayIcon* keeper = NewIcon();  // keeps the callback window for the look-up
    TTrayIcon* icon = ShownIcon();
    const UINT id = icon->IconID();
    Destroy(icon);
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_DELETE));
    EXPECT_EQ(Calls.back().ID, id);
    EXPECT_FALSE(TrayKnowsIcon(CallbackWindow()->Handle(), id));
    Destroy(keeper);
    EXPECT_EQ(CallbackWindow(), nullptr) << "the last icon takes the callback window with it";
}

TEST_F(TrayTest, TipsKeepSixtyTwoUnitsWithoutCuttingACharacter)
{
    const std::wstring face = L"\U0001F600";  // two UTF-16 code units
    struct Case {
        std::wstring Value, Stored;
    };
    const Case cases[] = {
        {std::wstring(70, L'a'), std::wstring(62, L'a')},
        {std::wstring(62, L'b'), std::wstring(62, L'b')},
        {std::wstring(61, L'c') + face + L"d", std::wstring(61, L'c')},
        {std::wstring(60, L'e') + face + L"f", std::wstring(60, L'e') + face},
        {L"タスクトレイ", L"タスクトレイ"},
    };
    TTrayIcon* icon = ShownIcon();
    for (const Case& c : cases) {
        Calls.clear();
        icon->SetTipHelp(c.Value);
        EXPECT_EQ(icon->TipHelp(), c.Stored) << WideToUtf8(c.Value);
        ASSERT_EQ(Calls.size(), 1u) << WideToUtf8(c.Value);
        EXPECT_EQ(Calls.back().Message, DWORD(NIM_MODIFY));
        EXPECT_EQ(Calls.back().Tip, c.Stored);
        EXPECT_EQ(Calls.back().Flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        // The same text again, cut or not, changes nothing.
        icon->SetTipHelp(c.Value);
        EXPECT_EQ(Calls.size(), 1u) << WideToUtf8(c.Value);
    }
}

TEST_F(TrayTest, AnEmptyTipLeavesTheTipOut)
{
    TTrayIcon* icon = NewIcon();
    icon->SetIcon(SystemIcon(IDI_APPLICATION));
    icon->SetTipHelp(L"");
    icon->SetVisible(true);
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls.back().Flags, UINT(NIF_MESSAGE | NIF_ICON));
    EXPECT_TRUE(InTray(icon));
}

TEST_F(TrayTest, MenusAndImagesThatGoAreForgotten)
{
    TTrayIcon* icon = NewIcon();
    auto* both = Owner->Create<TPopupMenu>();
    icon->SetLBPopupMenu(both);
    icon->SetRBPopupMenu(both);
    Owner->RemoveComponent(both).reset();
    EXPECT_EQ(icon->LBPopupMenu(), nullptr);
    EXPECT_EQ(icon->RBPopupMenu(), nullptr);

    // A menu that leaves one property still counts for the other.
    auto* shared = Owner->Create<TPopupMenu>();
    auto* other = Owner->Create<TPopupMenu>();
    icon->SetLBPopupMenu(shared);
    icon->SetRBPopupMenu(shared);
    icon->SetLBPopupMenu(other);
    Owner->RemoveComponent(shared).reset();
    EXPECT_EQ(icon->RBPopupMenu(), nullptr);
    EXPECT_EQ(icon->LBPopupMenu(), other);

    auto* images = Owner->Create<TImageList>();
    icon->SetAnimateIcons(images);
    Owner->RemoveComponent(images).reset();
    EXPECT_EQ(icon->AnimateIcons(), nullptr);
}

TEST_F(TrayTest, TheCallbackWindowIsTopLevelAndOutlivesTheFirstOwner)
{
    auto firstOwner = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"first"});
    NewIcon(firstOwner.get());
    TTrayIcon* later = ShownIcon();
    HWND window = CallbackWindow()->Handle();
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "a broadcast reaches top-level windows only";
    EXPECT_FALSE(IsWindowVisible(window));
    firstOwner.reset();
    ASSERT_TRUE(IsWindow(window));
    Record(later);
    Notify(later, WM_MOUSEMOVE);
    EXPECT_EQ(Events.size(), 1u);
    EXPECT_TRUE(InTray(later));
}

TEST_F(TrayTest, TheNewTaskbarGetsTheIconAgain)
{
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    TTrayIcon* shown = ShownIcon();
    TTrayIcon* hidden = NewIcon();
    hidden->SetIcon(SystemIcon(IDI_WARNING));
    // The old taskbar went and took the icon with it.
    NOTIFYICONDATAW gone{};
    gone.cbSize = sizeof(gone);
    gone.hWnd = CallbackWindow()->Handle();
    gone.uID = shown->IconID();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_FALSE(InTray(shown));

    // One the tray refused before it was up, as at logon.
    TTrayIcon* early = NewIcon();
    early->SetIcon(SystemIcon(IDI_INFORMATION));
    const TShellNotifyIconFunc working = ShellNotifyIconFunc;
    ShellNotifyIconFunc = [](DWORD, NOTIFYICONDATAW*) { return FALSE; };
    EXPECT_THROW(early->SetVisible(true), EOutOfMemory);
    ShellNotifyIconFunc = working;

    // Wine's taskbar announces nothing, and a broadcast never reaches a hidden window there: sent directly.
    Calls.clear();
    SendMessageW(CallbackWindow()->Handle(), taskbarCreated, 0, 0);
    EXPECT_TRUE(InTray(shown));
    EXPECT_TRUE(shown->Registered());
    EXPECT_TRUE(InTray(early)) << "the new taskbar takes the icon the old one refused";
    EXPECT_FALSE(InTray(hidden)) << "an icon that was not shown is not added";
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_ADD));

    // An announcement the icon outlived updates it in place, without an error.
    SendMessageW(CallbackWindow()->Handle(), taskbarCreated, 0, 0);
    EXPECT_TRUE(InTray(shown));
    EXPECT_TRUE(shown->Registered());
    EXPECT_EQ(Calls.back().Message, DWORD(NIM_MODIFY));
}

TEST_F(TrayTest, AFailedAddOrUpdateRaisesAndAFailedAddIsRetriedByVisibleAgain)
{
    TTrayIcon* icon = NewIcon();
    icon->SetIcon(SystemIcon(IDI_APPLICATION));
    const TShellNotifyIconFunc working = ShellNotifyIconFunc;
    int refused = 0;
    const TShellNotifyIconFunc failing = [&](DWORD, NOTIFYICONDATAW*) {
        ++refused;
        return FALSE;
    };
    ShellNotifyIconFunc = failing;
    EXPECT_THROW(icon->SetVisible(true), EOutOfMemory);
    EXPECT_TRUE(icon->Visible()) << "the wish to be shown stays";
    EXPECT_FALSE(icon->Registered());
    icon->SetVisible(true);
    EXPECT_EQ(refused, 1) << "shown already, as far as Visible knows";

    ShellNotifyIconFunc = working;
    icon->SetVisible(false);
    EXPECT_TRUE(Calls.empty()) << "an icon the notification area never took is not deleted";
    icon->SetVisible(true);
    EXPECT_TRUE(icon->Registered());
    EXPECT_TRUE(InTray(icon));

    ShellNotifyIconFunc = failing;
    try {
        icon->SetTipHelp(L"new tip");
        ADD_FAILURE() << "a failed update raised nothing";
    } catch (const EOutOfMemory& error) {
        EXPECT_EQ(error.Message(), L"タスクトレイにアイコンを登録できません。");
    }
    // A failed delete is ignored.
    icon->SetVisible(false);
    EXPECT_FALSE(icon->Registered());
    EXPECT_EQ(refused, 3);
    NOTIFYICONDATAW left{};  // what the failed delete left in the notification area
    left.cbSize = sizeof(left);
    left.hWnd = CallbackWindow()->Handle();
    left.uID = icon->IconID();
    EXPECT_TRUE(DefaultShellNotifyIcon(NIM_DELETE, &left));
}
