// The shell's reports on an icon, as the callback window receives them,
// turned into menus and events.
#include <utility>

#include "tests/trayicon/TrayFixture.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
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

// Whether the icon's point is where the pointer was at one of the two reads
// around the report: under Wine a late report of an earlier move may still
// shift the pointer, also between the icon's own read and the test's.
bool AtEither(POINT pt, POINT before, POINT after)
{
    return (pt.x == before.x && pt.y == before.y) || (pt.x == after.x && pt.y == after.y);
}

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

    void Click(TTrayIcon* icon = nullptr)
    {
        Notify(icon ? icon : Icon, WM_LBUTTONDOWN);
        Notify(icon ? icon : Icon, WM_LBUTTONUP);
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
        POINT before{}, after{};
        GetCursorPos(&before);
        Notify(Icon, c.Message);
        GetCursorPos(&after);
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
            EXPECT_TRUE(AtEither(e.Pt, before, after)) << e.Pt.x << "," << e.Pt.y;
        }
    }
    EXPECT_TRUE(Popups.empty());
}

TEST_F(DispatchTest, APressPopsUpThatButtonsMenuInsteadOfTheEvent)
{
    Record(Icon);
    Icon->OnDblClick = nullptr;  // where no double click is heard, the left menu comes at the press
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
    POINT before{}, after{};
    GetCursorPos(&before);
    Notify(Icon, WM_LBUTTONDOWN);
    GetCursorPos(&after);
    ASSERT_EQ(Popups.size(), 1u);
    EXPECT_EQ(shown.back(), Menu->Handle());
    EXPECT_TRUE(AtEither(Popups.back(), before, after));
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
    // Timed from before the release: a busy machine can only make the report later.
    const ULONGLONG released = GetTickCount64();
    Click();
    ASSERT_TRUE(PumpUntil([&] { return Count("click") == 1; }, ClickWait() + 2000));
    EXPECT_GE(GetTickCount64() - released, GetDoubleClickTime()) << "reported before a second click could come";
    PumpFor(ClickWait());
    EXPECT_EQ(Count("click"), 1u);
    // The next click is a click of its own.
    Click();
    EXPECT_TRUE(PumpUntil([&] { return Count("click") == 2; }, ClickWait() + 2000));
}

// Where double clicks are heard, the left menu waits out the double-click
// time as a click does: up at once, it would take the second press in its loop.
TEST_F(DispatchTest, TheLeftMenuWaitsForADoubleClickThatCancelsIt)
{
    Record(Icon);
    Icon->SetLBPopupMenu(Menu);
    Notify(Icon, WM_LBUTTONDOWN);
    EXPECT_TRUE(Popups.empty());
    EXPECT_TRUE(Icon->MenuPending());
    for (UINT report : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Notify(Icon, report);
    EXPECT_FALSE(Icon->MenuPending());
    EXPECT_EQ(Count("dblclick"), 1u);

    Notify(Icon, WM_LBUTTONDOWN);
    EXPECT_TRUE(PumpUntil([&] { return Popups.size() == 1; }, ClickWait() + 2000)) << "a single press has its menu";
    EXPECT_FALSE(Icon->MenuPending());
}

TEST_F(DispatchTest, ADoubleClickIsNoClick)
{
    Record(Icon, false);
    Notify(Icon, WM_LBUTTONDOWN);
    Notify(Icon, WM_LBUTTONUP);
    PumpFor(0);  // serves what the release left; the second click comes well within the double-click time
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

// Each icon's wait, had one begun, runs out in the same span.
TEST_F(DispatchTest, NoClickFollowsAReleaseThatStartsNoWaitOrAWaitDroppedByDisabling)
{
    struct Case {
        const char* Name;
        bool ClickHandler;    // OnClick assigned at the release
        bool MouseUpHandler;  // takes the click over
        bool Disable;         // off and on again before the wait ends
    };
    const Case cases[] = {
        {"no click handler", false, false, false},
        {"a mouse-up handler", true, true, false},
        {"disabled meanwhile", true, false, true},
    };
    std::vector<std::vector<std::string>> heard(std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        TTrayIcon* icon = NewIcon();
        auto log = [&heard, i](const char* kind) { return [&heard, i, kind](auto...) { heard[i].push_back(kind); }; };
        if (c.ClickHandler) icon->OnClick = log("click");
        if (c.MouseUpHandler) icon->OnMouseUp = log("up");
        Click(icon);
        // A handler set now would hear of a wait had one begun.
        icon->OnClick = log("click");
        if (c.Disable) {
            icon->SetEnabled(false);
            icon->SetEnabled(true);
        }
    }
    PumpFor(ClickWait());
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(heard[i], cases[i].MouseUpHandler ? std::vector<std::string>{"up"} : std::vector<std::string>{})
            << cases[i].Name;
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

namespace {

// The handler, except that its first call throws.
template <class Handler>
Handler ThrowingOnce(Handler handler)
{
    return [handler, thrown = false](auto... args) mutable {
        if (!std::exchange(thrown, true)) throw Exception(L"handler failed");
        handler(args...);
    };
}

// Whether a WM_NULL waits in the queue for the window.
bool NullQueuedFor(HWND window)
{
    MSG msg;
    bool found = false;
    // Up to WM_PAINT, which is never taken from the queue while the window needs painting.
    while (PeekMessageW(&msg, window, WM_NULL, WM_PAINT - 1, PM_REMOVE)) found = found || msg.message == WM_NULL;
    return found;
}

}  // namespace

// A handler that throws: the user sees one message, through the
// application's handler, however often the same report comes while it is up
// (the pointer on its way to the message crosses the icon); nothing is left
// half-way, and the next action on the icon works.
TEST_F(DispatchTest, AFailingHandlerIsReportedOnceAndTheIconWorksOn)
{
    TMenuItem* command = Menu->Items()->Items(0);
    struct Case {
        const char* Name;
        std::function<void()> Arm;    // makes one handler throw at its next call
        std::vector<UINT> Action;     // raises that handler
        std::vector<UINT> Meanwhile;  // reports that come while the message is up
        std::vector<UINT> Next;       // the next action, which raises Expected
        const char* Expected;
    };
    const std::vector<UINT> click = {WM_LBUTTONDOWN, WM_LBUTTONUP};
    // Clicks are reported only without a mouse-up handler; their presses are not logged.
    const Case cases[] = {
        {"move", [&] { Icon->OnMouseMove = ThrowingOnce(Icon->OnMouseMove); }, {WM_MOUSEMOVE}, {WM_MOUSEMOVE},
         {WM_MOUSEMOVE}, "move"},
        {"down", [&] { Icon->OnMouseDown = ThrowingOnce(Icon->OnMouseDown); }, {WM_MBUTTONDOWN}, {WM_MBUTTONDOWN},
         {WM_MBUTTONDOWN}, "down"},
        {"up", [&] { Icon->OnMouseUp = ThrowingOnce(Icon->OnMouseUp); }, {WM_RBUTTONUP}, {WM_RBUTTONUP},
         {WM_RBUTTONUP}, "up"},
        // The second release comes while the message is up; the double click is over then.
        {"double click",
         [&] {
             Icon->OnMouseDown = Icon->OnMouseUp = nullptr;
             Icon->OnDblClick = ThrowingOnce(Icon->OnDblClick);
         },
         {WM_LBUTTONDBLCLK}, {WM_LBUTTONUP}, click, "click"},
        {"click",
         [&] {
             Icon->OnMouseDown = Icon->OnMouseUp = nullptr;
             Icon->OnClick = ThrowingOnce(Icon->OnClick);
         },
         click, click, click, "click"},
        {"menu command",
         [&] {
             Icon->SetLBPopupMenu(Menu);
             Icon->OnDblClick = nullptr;
             command->OnClick = ThrowingOnce(TNotifyEvent([this](TObject*) { Events.push_back({"command"}); }));
             TrackPopupMenuFunc = [&](HMENU, UINT, int x, int y, HWND) {
                 Popups.push_back({x, y});
                 return command->Command();
             };
         },
         {WM_LBUTTONDOWN}, {WM_LBUTTONDOWN}, {WM_LBUTTONDOWN}, "command"},
    };
    std::vector<std::string> errors;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Record(Icon);
        c.Arm();
        Events.clear();
        Popups.clear();
        errors.clear();
        Application->OnException = [&](TObject*, const std::exception& error) {
            errors.push_back(error.what());
            if (errors.size() == 1)
                for (UINT report : c.Meanwhile) Notify(Icon, report);
        };
        for (UINT report : c.Action) Notify(Icon, report);
        EXPECT_EQ(NullQueuedFor(Owner->Handle()), Icon->LBPopupMenu() != nullptr)
            << "a menu is followed by a message to its owner, also after a failed command";
        ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }, ClickWait() + 2000)) << "no message";
        EXPECT_EQ(errors, std::vector<std::string>{"handler failed"});
        EXPECT_TRUE(Events.empty()) << "a report that came while the message was up was acted on";
        EXPECT_EQ(Popups.size(), Icon->LBPopupMenu() ? 1u : 0u);

        for (UINT report : c.Next) Notify(Icon, report);
        EXPECT_TRUE(PumpUntil([&] { return Count(c.Expected) == 1; }, ClickWait() + 2000)) << "the icon no longer works";
        EXPECT_EQ(Events.size(), 1u);
    }
}
