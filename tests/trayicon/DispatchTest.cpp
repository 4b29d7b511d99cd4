// The shell's reports on an icon, as the callback window receives them,
// turned into menus and events.
#include "tests/trayicon/TrayFixture.h"
#include "ui/Menus.h"

namespace {

struct DispatchCase {
    UINT Message;
    const char* Kind;  // nullptr: no event
    int Button;
    TShiftState Shift;
};

const DispatchCase kCases[] = {
    {WM_MOUSEMOVE, "move", -1, {}},
    {WM_LBUTTONDOWN, "down", mbLeft, {ssLeft}},
    {WM_LBUTTONUP, "up", mbLeft, {ssLeft}},
    {WM_LBUTTONDBLCLK, "dblclick", -1, {}},
    {WM_RBUTTONDOWN, "down", mbRight, {ssRight}},
    {WM_RBUTTONUP, "up", mbRight, {ssRight}},
    {WM_RBUTTONDBLCLK, nullptr, -1, {}},
    {WM_MBUTTONDOWN, "down", mbMiddle, {ssMiddle}},
    {WM_MBUTTONUP, "up", mbMiddle, {ssMiddle}},
    {WM_MBUTTONDBLCLK, nullptr, -1, {}},
    {WM_KEYDOWN, nullptr, -1, {}},
};

// Limits for waits on the single-click report: the double-click time, then a margin.
DWORD ClickWait()
{
    return GetDoubleClickTime() + 300;
}

}  // namespace

class DispatchTest : public TrayTest {
protected:
    void SetUp() override
    {
        TrayTest::SetUp();
        Icon = ShownIcon();
        Menu = Owner->Create<TPopupMenu>();
        Menu->Items()->Add(L"item");
        TrackPopupMenuFunc = [this](HMENU, UINT, int x, int y, HWND) {
            Popups.push_back({x, y});
            ForegroundInMenu = GetForegroundWindow();
            return 0u;
        };
    }

    void Click()
    {
        Notify(Icon, WM_LBUTTONDOWN);
        Notify(Icon, WM_LBUTTONUP);
    }
    size_t Count(const char* kind) const
    {
        return size_t(std::count_if(Events.begin(), Events.end(), [kind](const TrayEvent& e) { return e.Kind == kind; }));
    }

    TTrayIcon* Icon = nullptr;
    TPopupMenu* Menu = nullptr;
    std::vector<POINT> Popups;
    HWND ForegroundInMenu = nullptr;
};

TEST_F(DispatchTest, EachMouseMessageRaisesItsEventAtTheCursor)
{
    Record(Icon);
    ASSERT_TRUE(MoveCursorTo(210, 155));
    for (const DispatchCase& c : kCases) {
        SCOPED_TRACE(c.Message);
        Events.clear();
        // Read just before: under Wine a late report of an earlier move may still shift the pointer.
        POINT at{};
        GetCursorPos(&at);
        Notify(Icon, c.Message);
        if (!c.Kind) {
            EXPECT_TRUE(Events.empty());
            continue;
        }
        ASSERT_EQ(Events.size(), 1u);
        const TrayEvent& e = Events.back();
        EXPECT_EQ(e.Kind, c.Kind);
        EXPECT_EQ(e.Button, c.Button);
        EXPECT_TRUE(e.Shift == c.Shift);
        if (e.Kind != "dblclick") {
            EXPECT_EQ(e.Pt.x, at.x);
            EXPECT_EQ(e.Pt.y, at.y);
        }
    }
    EXPECT_TRUE(Popups.empty());
}

TEST_F(DispatchTest, APressPopsUpThatButtonsMenuInsteadOfTheEvent)
{
    Record(Icon);
    TPopupMenu* right = Owner->Create<TPopupMenu>();
    right->Items()->Add(L"right");
    Icon->SetLBPopupMenu(Menu);
    Icon->SetRBPopupMenu(right);
    std::vector<HMENU> shown;
    TrackPopupMenuFunc = [&](HMENU menu, UINT, int x, int y, HWND) {
        shown.push_back(menu);
        Popups.push_back({x, y});
        ForegroundInMenu = GetForegroundWindow();
        return 0u;
    };
    // Another window of the program is in front; the menu's owner comes forward.
    TForm other(nullptr, TFormLayout{.Caption = L"other", .ClientWidth = 100, .ClientHeight = 50, .Left = 50, .Top = 50});
    ShowWindow(other.Handle(), SW_SHOW);
    SetForegroundWindow(other.Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Handle(); }, 2000));

    ASSERT_TRUE(MoveCursorTo(321, 234));
    POINT at{};
    GetCursorPos(&at);
    Notify(Icon, WM_LBUTTONDOWN);
    ASSERT_EQ(Popups.size(), 1u);
    EXPECT_EQ(shown.back(), Menu->Handle());
    EXPECT_EQ(Popups.back().x, at.x);
    EXPECT_EQ(Popups.back().y, at.y);
    EXPECT_EQ(ForegroundInMenu, Owner->Handle());
    Notify(Icon, WM_RBUTTONDOWN);
    ASSERT_EQ(Popups.size(), 2u);
    EXPECT_EQ(shown.back(), right->Handle());
    Notify(Icon, WM_MBUTTONDOWN);
    EXPECT_EQ(Popups.size(), 2u) << "the middle button has no menu";
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0].Button, mbMiddle);

    // Without AutoPopup the press is an event again.
    Icon->SetAutoPopup(false);
    Events.clear();
    Notify(Icon, WM_LBUTTONDOWN);
    Notify(Icon, WM_RBUTTONDOWN);
    EXPECT_EQ(Popups.size(), 2u);
    ASSERT_EQ(Events.size(), 2u);
    EXPECT_EQ(Events[0].Button, mbLeft);
    EXPECT_EQ(Events[1].Button, mbRight);
}

TEST_F(DispatchTest, ASingleClickIsReportedOnceTheDoubleClickTimeHasPassed)
{
    Record(Icon, false);
    Click();
    PumpFor(GetDoubleClickTime() - 100);
    EXPECT_EQ(Count("click"), 0u) << "reported before a second click could come";
    EXPECT_TRUE(PumpUntil([&] { return Count("click") == 1; }, ClickWait() + 2000));
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 1u);
    // The next click is a click of its own.
    Click();
    EXPECT_TRUE(PumpUntil([&] { return Count("click") == 2; }, ClickWait() + 2000));
}

TEST_F(DispatchTest, ADoubleClickIsNoClick)
{
    Record(Icon, false);
    Notify(Icon, WM_LBUTTONDOWN);
    Notify(Icon, WM_LBUTTONUP);
    PumpFor(100);  // the second click comes a moment later, well within the double-click time
    Notify(Icon, WM_LBUTTONDBLCLK);
    Notify(Icon, WM_LBUTTONUP);
    EXPECT_EQ(Count("dblclick"), 1u);
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 0u);

    // The double click alone starts the pair, as when the first release went to a menu.
    Notify(Icon, WM_LBUTTONDBLCLK);
    Notify(Icon, WM_LBUTTONUP);
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 0u);
}

TEST_F(DispatchTest, AReleaseWithoutAClickHandlerStartsNoWait)
{
    Record(Icon, false);
    Icon->OnClick = nullptr;
    Click();
    // A handler set now would hear of a wait had one begun.
    Icon->OnClick = [this](TObject*) { Events.push_back({"click"}); };
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 0u);
}

TEST_F(DispatchTest, AMouseUpHandlerTakesTheClickOver)
{
    Record(Icon, true);
    Click();
    PumpFor(ClickWait());
    EXPECT_EQ(Count("up"), 1u);
    EXPECT_EQ(Count("click"), 0u);
}

TEST_F(DispatchTest, ADisabledIconIgnoresEverything)
{
    Record(Icon);
    Icon->SetLBPopupMenu(Menu);
    Icon->SetRBPopupMenu(Menu);
    Icon->SetEnabled(false);
    for (const DispatchCase& c : kCases) Notify(Icon, c.Message);
    Icon->OnMouseUp = nullptr;
    Click();
    PumpFor(ClickWait());
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(Popups.empty());
}

TEST_F(DispatchTest, DisablingDropsAWaitingClick)
{
    Record(Icon, false);
    Click();
    Icon->SetEnabled(false);
    Icon->SetEnabled(true);
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 0u);
}

TEST_F(DispatchTest, ReportsForUnknownIdsAreIgnored)
{
    Record(Icon);
    SendMessageW(CallbackWindow()->Handle(), WM_TRAYNOTIFY, Icon->IconID() + 1, WM_MOUSEMOVE);
    SendMessageW(CallbackWindow()->Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(Events.empty());
}

TEST_F(DispatchTest, AnIconFreedWhileItsClickWaitsIsNotReported)
{
    TTrayIcon* keeper = NewIcon();
    Record(keeper, false);
    Record(Icon, false);
    Click();
    Destroy(Icon);
    Icon = nullptr;
    Events.clear();
    PumpFor(ClickWait());
    EXPECT_TRUE(Events.empty());
}
