// The side bar on Wine's virtual desktop: a real window, real timers, the
// real pointer and Wine's own taskbar at the bottom of the screen.
#include <gtest/gtest.h>

#include <functional>

#include "app/verform_u.h"
#include "tests/app/ForeignWindow.h"
#include "tests/app/SideBarFixture.h"
#include "tests/common/ModalDriver.h"

namespace {

RECT TaskbarRect()
{
    RECT r{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", L""), &r);
    return r;
}

POINT Cursor()
{
    POINT p{};
    GetCursorPos(&p);
    return p;
}

class SideBar : public SideBarFixture {
protected:
    bool AppWindowVisible() const { return IsWindowVisible(Application->Handle()) != FALSE; }
    // The poll's ticks played by the test, with the pointer where it says.
    void PlayThePoll()
    {
        form->Timer1->SetEnabled(false);
        form->CursorPos = [this] { return Pointer; };
    }
    // Brings the window in as the tray's show command does after a first entry at the edge.
    void Show()
    {
        DispSide = dsLeft;
        Pointer = POINT{100, 300};
        form->FormDisp();
        ASSERT_EQ(form->Left(), 0);
        ASSERT_EQ(GetForegroundWindow(), form->Handle());
    }

    POINT Pointer{400, 300};
};

}  // namespace

TEST_F(SideBar, StartsParkedWithoutTaskbarButtonAndWithItsIcons)
{
    EXPECT_TRUE(Parked());
    RECT r = form->BoundsRect();
    EXPECT_LT(r.right, 0) << "some of the window is on the screen";
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(AppWindowVisible());
    EXPECT_NE(GetWindow(form->Handle(), GW_OWNER), nullptr) << "an unowned window gets a taskbar button";
    EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(form->ClientWidth(), 202);
    EXPECT_EQ(form->Caption(), L"Tessaly");
    EXPECT_EQ(form->Button2->Caption(), L"更\u3000新");
    EXPECT_EQ(VersionStr, L"0.1β");
    EXPECT_FALSE(form->Image1->Icon.Empty());
    EXPECT_FALSE(form->Image2->Icon.Empty());
    EXPECT_EQ(HICON(SendMessageW(form->Handle(), WM_GETICON, ICON_SMALL, 0)), form->Icon().Handle());
    EXPECT_TRUE(form->Timer1->Running());
    EXPECT_FALSE(form->Timer2->Enabled());
    // The poll every 500 ms; the pointer must rest 700 ms from the poll that arms the check.
    EXPECT_EQ(form->Timer1->Interval(), 500u);
    EXPECT_EQ(form->Timer2->Interval(), 700u);
}

TEST_F(SideBar, RestingOnTheEdgeBringsItInBesideTheTaskbar)
{
    ShowAtLeftEdge();
    const RECT taskbar = TaskbarRect();
    EXPECT_EQ(DispSide, dsLeft);
    EXPECT_EQ(form->Top(), 0);
    EXPECT_EQ(form->Height(), taskbar.top) << "the window must end at the bottom taskbar's top";
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    const POINT p = Cursor();
    EXPECT_EQ(p.x, form->Width() / 4);
    EXPECT_EQ(p.y, form->Height() / 4);
    EXPECT_FALSE(form->Timer2->Enabled());
    EXPECT_EQ(form->Timer2->Tag, 0);

    // Leaving to the right of the window parks it at the next poll.
    ASSERT_TRUE(MoveCursorTo(form->Width() + 100, 300));
    EXPECT_TRUE(PumpUntil([&] { return Parked(); }, 10000));
}

// The usual case: the user was working in another program. Focus rules
// treat that program's window differently from one of the test's own.
TEST_F(SideBar, ComesInOverAnotherProgramAndStaysWhileThePointerIsOverIt)
{
    ForeignWindow other;
    ASSERT_NE(other.Handle(), nullptr) << "the other program's window did not appear";
    ASSERT_TRUE(other.TakeForeground());

    ShowAtLeftEdge();
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    // Three polls with the pointer resting inside the window.
    EXPECT_FALSE(PumpUntil([&] { return Parked(); }, 1600)) << "parked while the pointer was over it";
    EXPECT_EQ(GetForegroundWindow(), form->Handle());

    // The other program being activated again parks it, and the two programs
    // share no input state any more.
    ASSERT_TRUE(other.TakeForeground());
    EXPECT_TRUE(PumpUntil([&] { return Parked(); }, 10000));
    EXPECT_NE(GetActiveWindow(), other.Handle()) << "this thread's input is still attached to the other program";
}

TEST_F(SideBar, KeepRuleBoundsAreInclusive)
{
    ShowAtLeftEdge();
    // The test plays the polls with a pointer of its own: the real pointer
    // (moved into the window as it came in) and the real poll would race the
    // calls below.
    form->Timer1->SetEnabled(false);
    const int w = form->Width();
    POINT pointer{w, 300};  // the right end, Left + W, still counts as over the window
    form->CursorPos = [&] { return pointer; };
    form->Timer1Timer(form);
    EXPECT_EQ(form->Left(), 0);
    pointer.x = w + 1;
    form->Timer1Timer(form);
    EXPECT_TRUE(Parked());
}

TEST_F(SideBar, LosingTheForegroundParksIt)
{
    ShowAtLeftEdge();
    TForm& other = *Application->Create<TForm>(TFormLayout{.Caption = L"other", .ClientWidth = 200,
                                                           .ClientHeight = 100, .Left = 600, .Top = 300});
    ShowWindow(other.Handle(), SW_SHOW);
    SetForegroundWindow(other.Handle());
    EXPECT_TRUE(PumpUntil([&] { return Parked(); }, 10000));
    Application->RemoveComponent(&other).reset();
}

// The window comes in only when the poll and the check after it both find
// the pointer at the edge. A check that came to nothing keeps ticking, so a
// later visit may need less than the whole dwell. The test plays the ticks.
TEST_F(SideBar, TheCheckNeedsThePointerAtTheEdgeAtThePollAndAtTheCheck)
{
    form->Timer1->SetEnabled(false);
    POINT pointer{400, 300};
    form->CursorPos = [&] { return pointer; };
    const struct {
        const char* step;
        bool poll;  // else the check
        LONG x;
        int tag;  // the check's arming afterwards
    } steps[] = {
        {"the poll at the edge arms the check", true, 0, dsLeft},
        {"the check away from the edge does nothing", false, 400, dsLeft},
        {"the poll away from the edge disarms it", true, 400, dsNone},
        {"the check at the edge, disarmed, does nothing", false, 0, dsNone},
        {"the poll at the edge arms it again", true, 0, dsLeft},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        pointer.x = s.x;
        if (s.poll) form->Timer1Timer(form);
        else form->Timer2Timer(form);
        EXPECT_EQ(form->Timer2->Tag, s.tag);
        EXPECT_TRUE(form->Timer2->Enabled()) << "a disarmed check keeps ticking";
        EXPECT_TRUE(Parked());
    }
    form->Timer2Timer(form);
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(DispSide, dsLeft);
    EXPECT_EQ(form->Timer2->Tag, dsNone);
    EXPECT_FALSE(form->Timer2->Enabled());
}

TEST_F(SideBar, PointerLeftOfTheScreenCountsAsTheEdge)
{
    // As on a monitor to the left of the primary one.
    form->CursorPos = [] { return POINT{-300, 200}; };
    ASSERT_TRUE(PumpUntil([&] { return form->Left() == 0; }, 5000));
    EXPECT_EQ(DispSide, dsLeft);
}

// A monitor to the left of the primary one, given to the form in place of the real desk.
TEST_F(SideBar, WithAMonitorOnTheLeftOnlyItsLeftEdgeBringsTheBarInThere)
{
    const std::vector<TMonitorArea> real = SystemMonitors();
    ASSERT_EQ(real.size(), 1u);
    const TMonitorArea left{RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 738}, false};
    form->SetMonitorSource([&] { return std::vector<TMonitorArea>{real[0], left}; });
    POINT pointer{-500, 300};
    form->CursorPos = [&] { return pointer; };
    const int parked = -1024 - (form->Width() + 1);
    ASSERT_TRUE(PumpUntil([&] { return form->Left() == parked; }, 10000)) << "parked left of the leftmost monitor";
    PumpFor(1500);
    EXPECT_EQ(form->Left(), parked) << "the middle of a monitor is no edge";

    pointer = POINT{-1024, 300};
    ASSERT_TRUE(PumpUntil([&] { return form->Left() == -1024; }, 5000));
    EXPECT_EQ(form->Top(), 0);
    EXPECT_EQ(form->Height(), 738) << "down to that monitor's taskbar";
}

// A game or a slide show of another program covers the screen: the edge is theirs.
TEST_F(SideBar, AFullScreenWindowInFrontKeepsTheEdgeFromBringingTheBarIn)
{
    ForeignWindow other;
    ASSERT_NE(other.Handle(), nullptr);
    SetWindowLongPtrW(other.Handle(), GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(other.Handle(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_FRAMECHANGED);
    ASSERT_TRUE(other.TakeForeground());
    ASSERT_TRUE(MoveCursorTo(0, 300));
    PumpFor(2000);
    EXPECT_TRUE(Parked());

    SetWindowPos(other.Handle(), nullptr, 100, 100, 600, 400, SWP_NOZORDER);
    EXPECT_TRUE(PumpUntil([&] { return form->Left() == 0; }, 5000)) << "a smaller window leaves the edge free";
}

TEST_F(SideBar, RightEdgeVariantPlacesItAtTheRightEdge)
{
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    ASSERT_TRUE(MoveCursorTo(sw - 1, 300));
    form->Timer2->Tag = dsRight;
    form->Timer2Timer(form);
    EXPECT_EQ(DispSide, dsRight);
    EXPECT_EQ(form->Left(), sw - form->Width());
    EXPECT_EQ(form->Height(), TaskbarRect().top);
    // An armed right edge does not fire with the pointer elsewhere.
    DispSide = dsNone;
    ASSERT_TRUE(MoveCursorTo(sw - 2, 300));
    form->Timer2->Tag = dsRight;
    form->Timer2Timer(form);
    EXPECT_EQ(DispSide, dsNone);
}

TEST_F(SideBar, ShowBeforeAnyEdgeEntryKeepsItParkedWithThePointerAtTheEdge)
{
    form->FormDisp();
    EXPECT_TRUE(Parked());
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    EXPECT_LE(Cursor().x, 0);
    // The pointer now rests on the edge, so the trigger brings it in.
    EXPECT_TRUE(PumpUntil([&] { return form->Left() == 0; }, 5000));
}

TEST_F(SideBar, MinimiseAndRestoreGiveNormalStateBackAndTheNextPollParks)
{
    ShowAtLeftEdge();
    Application->Minimize();
    EXPECT_EQ(form->WindowState(), TWindowState::wsMinimized);
    EXPECT_FALSE(AppWindowVisible()) << "the minimise handler hides the application window";
    Application->Restore();
    EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
    EXPECT_TRUE(AppWindowVisible()) << "the restore handler shows the application window";
    ASSERT_TRUE(MoveCursorTo(form->Width() + 100, 300));
    EXPECT_TRUE(PumpUntil([&] { return Parked() && !AppWindowVisible(); }, 10000));
}

// The poll runs inside a menu's loop too: a menu that reaches past the window,
// with the pointer resting on that part, must not lose its window. Once the
// menu or dialog has closed, the next poll parks as ever.
TEST_F(SideBar, StaysInWhileItsMenuOrDialogIsUpAndParksOnceItHasClosed)
{
    PlayThePoll();
    const struct {
        const char* name;
        std::function<bool()> up;
        std::function<void()> open, close;
    } cases[] = {
        {"the tray menu", [] { return FindWindowW(L"#32768", nullptr) != nullptr; },
         [&] { form->PopupMenu2->Popup(150, 300); }, [] { EndMenu(); }},
        {"the version dialog", [] { return verform && verform->Visible(); }, [&] { form->VersionInfoClick(form); },
         [] { verform->Button1->Click(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Show();
        bool stayed = false;
        ModalStep step([&] {
            if (!c.up()) return false;
            Pointer = POINT{form->Width() + 200, 300};
            form->Timer1Timer(form);
            stayed = form->Left() == 0;
            c.close();
            return true;
        });
        c.open();
        EXPECT_TRUE(step.Done());
        EXPECT_TRUE(stayed) << "parked under its own menu or dialog";
        form->Timer1Timer(form);
        EXPECT_TRUE(Parked()) << "not parked once it had closed";
    }
}

// Parking hands the foreground back to the window the bar came in over, and
// to no older one: after the user went to another program and the tray's
// show brought the bar back, that window is not raised over the user's.
TEST_F(SideBar, ParkingGivesTheForegroundBackOnlyToTheWindowItCameInOver)
{
    ForeignWindow first, second;
    ASSERT_TRUE(first.Handle() && second.Handle());
    // Clear of the point where the pointer leaves the bar, so that neither is under it.
    SetWindowPos(first.Handle(), nullptr, 700, 50, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(second.Handle(), nullptr, 700, 350, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    PlayThePoll();
    const POINT away{450, 650};
    ASSERT_TRUE(first.TakeForeground());
    Show();
    Pointer = away;
    form->Timer1Timer(form);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == first.Handle(); }, 10000));

    Show();
    ASSERT_TRUE(second.TakeForeground());
    form->Timer1Timer(form);
    // The tray icon's press brings the program forward before its menu's show command.
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->Handle(); }, 10000));
    form->FormDisp();
    Pointer = away;
    form->Timer1Timer(form);
    EXPECT_NE(GetForegroundWindow(), first.Handle()) << "an older window came up over the user's";
}

// A bar parked in front, for want of another window to take the foreground,
// is left alone by the poll; brought forward anew (the tray icon's press), it
// hands the foreground on at the next poll again.
TEST_F(SideBar, AParkedBarBroughtForwardAnewHandsTheForegroundOn)
{
    PlayThePoll();
    Show();
    Pointer = POINT{450, 650};  // the bare desktop
    form->Timer1Timer(form);
    ASSERT_TRUE(Parked());
    ASSERT_EQ(GetForegroundWindow(), form->Handle()) << "handed to nothing";

    ForeignWindow other;
    ASSERT_TRUE(other.Handle() && other.TakeForeground());
    SetWindowPos(other.Handle(), nullptr, 400, 600, 300, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->Handle(); }, 10000));
    form->Timer1Timer(form);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Handle(); }, 10000));
}

// Only a window without caption or thick frame that covers the monitor, or
// the shell's own full-screen answer, keeps the edge; the desktop never does.
TEST_F(SideBar, OnlyAFramelessWindowCoveringTheMonitorKeepsTheEdge)
{
    PlayThePoll();
    Pointer = POINT{0, 300};
    ForeignWindow other;
    ASSERT_NE(other.Handle(), nullptr);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char* name;
        LONG_PTR style;
        RECT bounds;
        bool fullScreen;
    } cases[] = {
        {"frameless over the monitor", WS_POPUP | WS_VISIBLE, {0, 0, sw, sh}, true},
        {"captioned and 8 px past the monitor on every side, as Windows maximises",
         WS_OVERLAPPEDWINDOW | WS_VISIBLE, {-8, -8, sw + 8, sh + 8}, false},
        {"a thick frame over the monitor", WS_POPUP | WS_THICKFRAME | WS_VISIBLE, {0, 0, sw, sh}, false},
        {"frameless, not the whole monitor", WS_POPUP | WS_VISIBLE, {0, 0, sw, sh - 1}, false},
    };
    const auto armed = [&] {
        form->Timer2->Tag = dsNone;
        form->Timer1Timer(form);
        form->Timer2->SetEnabled(false);  // its real tick would bring the window in over the next case
        return form->Timer2->Tag == dsLeft;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetWindowLongPtrW(other.Handle(), GWL_STYLE, c.style);
        SetWindowPos(other.Handle(), HWND_TOP, c.bounds.left, c.bounds.top, c.bounds.right - c.bounds.left,
                     c.bounds.bottom - c.bounds.top, SWP_FRAMECHANGED);
        ASSERT_TRUE(other.TakeForeground());
        EXPECT_EQ(armed(), !c.fullScreen);
    }

    // A window of the desktop's class in front, as after Win+D on Windows.
    WNDCLASSW desktopClass{};
    desktopClass.lpfnWndProc = DefWindowProcW;
    desktopClass.hInstance = GetModuleHandleW(nullptr);
    desktopClass.lpszClassName = L"WorkerW";
    RegisterClassW(&desktopClass);
    HWND desktop = CreateWindowExW(0, L"WorkerW", L"", WS_POPUP | WS_VISIBLE, 0, 0, sw, sh, nullptr, nullptr,
                                   desktopClass.hInstance, nullptr);
    SetForegroundWindow(desktop);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == desktop; }, 10000));
    EXPECT_TRUE(armed()) << "the desktop's window";
    DestroyWindow(desktop);
}
