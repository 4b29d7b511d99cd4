// tessaly.exe as a user starts it: its own process on the virtual desktop.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/TextDocument.h"
#include "tests/common/ModalDriver.h"
#include "tests/common/Platform.h"
#include "tests/common/Pump.h"

namespace {

std::wstring ProgramPath()
{
    return ProgramFolder() + L"tessaly.exe";
}

// A running tessaly.exe, ended by the test or, failing that, killed.
struct Program {
    PROCESS_INFORMATION pi{};

    Program()
    {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring cmd = L"\"" + ProgramPath() + L"\"";
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            ADD_FAILURE() << "tessaly.exe did not start: " << GetLastError();
    }
    ~Program()
    {
        if (pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 9);
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }

    // The program's top-level windows of the given class.
    std::vector<HWND> Windows(const wchar_t* className) const
    {
        struct Search { DWORD pid; const wchar_t* cls; std::vector<HWND> found; } s{pi.dwProcessId, className, {}};
        EnumWindows([](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            wchar_t cls[64] = {};
            GetWindowThreadProcessId(w, &pid);
            GetClassNameW(w, cls, 64);
            if (pid == s->pid && wcscmp(cls, s->cls) == 0) s->found.push_back(w);
            return TRUE;
        }, LPARAM(&s));
        return s.found;
    }

    HWND MainWindow() const
    {
        for (HWND w : Windows(L"TessalyWindow"))
            if (IsWindowVisible(w)) return w;
        return nullptr;
    }

    bool Ended() const { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
};

// The windows of a process that have a button on Wine's taskbar; a button's
// id is the handle of the window it stands for. Counting all buttons is not
// enough: the taskbar updates them only at its next change, so a window of an
// earlier test that was hidden or has gone can still have one.
std::vector<HWND> TaskbarWindowsOf(DWORD pid)
{
    struct Search { DWORD pid; std::vector<HWND> found; } s{pid, {}};
    EnumChildWindows(FindWindowW(L"Shell_TrayWnd", L""), [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        HWND shown = HWND(GetWindowLongPtrW(w, GWLP_ID));
        DWORD pid = 0;
        if (_wcsicmp(cls, L"Button") == 0 && IsWindowVisible(w) && shown &&
            GetWindowThreadProcessId(shown, &pid) && pid == s->pid)
            s->found.push_back(shown);
        return TRUE;
    }, LPARAM(&s));
    return s.found;
}

// Whether the notification area knows the program's icon (the first, id 1):
// only a known icon can be modified. The icon's window is the program's
// hidden tool window.
bool TrayIconShown(const Program& program)
{
    for (HWND wnd : program.Windows(L"TessalyWindow"))
        if (!IsWindowVisible(wnd) && (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && TrayKnowsIcon(wnd, 1))
            return true;
    return false;
}

bool MenuShown(const Program& program)
{
    for (HWND menu : program.Windows(L"#32768"))
        if (IsWindowVisible(menu)) return true;
    return false;
}

void LeftClickAt(int x, int y)
{
    MoveCursorTo(x, y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Clicks the icons of the notification area from the right until the
// program's menu comes up. Wine 8 paints the icons into the taskbar from its
// right end, each a small icon with a border of 2 pixels.
bool ClickUntilTheMenuComes(const Program& program)
{
    RECT taskbar{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", L""), &taskbar);
    const int slot = GetSystemMetrics(SM_CXSMICON) + 4;
    for (int i = 0; i < 10; ++i) {
        LeftClickAt(taskbar.right - slot * i - slot / 2, (taskbar.top + taskbar.bottom) / 2);
        // A left press's menu waits out the double-click time.
        if (PumpUntil([&] { return MenuShown(program); }, GetDoubleClickTime() + 1000)) return true;
    }
    return false;
}

}  // namespace

TEST(Program, StartsParkedWithoutTaskbarButtonAndEndsFromTheCloseBox)
{
    Program program;
    HWND wnd = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (wnd = program.MainWindow()) != nullptr; }, 15000));
    RECT r{};
    ASSERT_TRUE(PumpUntil([&] { GetWindowRect(wnd, &r); return r.right == -1; }, 5000))
        << "the window is not parked just left of the screen: right edge " << r.right;
    PumpFor(500);  // give the taskbar time to show a button if it were to
    EXPECT_TRUE(TaskbarWindowsOf(program.pi.dwProcessId).empty());

    // An unowned window of this process does get a button: the look-up above could find one.
    HWND probe = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP | WS_CAPTION, 300, 300, 100, 50,
                                 nullptr, nullptr, nullptr, nullptr);
    ShowWindow(probe, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(PumpUntil([&] {
        const std::vector<HWND> shown = TaskbarWindowsOf(GetCurrentProcessId());
        return std::find(shown.begin(), shown.end(), probe) != shown.end();
    }, 5000));
    DestroyWindow(probe);

    PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return program.Ended(); }, 10000));
    EXPECT_EQ(program.ExitCode(), 0u);
}

// The user's way: a click on the icon in Wine's taskbar, the menu, its last
// entry. The pointer rests on the taskbar meanwhile: a poll of the side bar
// that handed the foreground to the window under it would close the menu on
// Windows, and under Wine the menu would then never end.
TEST(Program, ItsTrayIconsMenuEndsIt)
{
    Program program;
    ASSERT_TRUE(PumpUntil([&] { return TrayIconShown(program); }, 15000)) << "no icon in the notification area";
    ASSERT_TRUE(ClickUntilTheMenuComes(program)) << "no menu";
    // Three polls of the side bar at 500 ms leave the menu up, and it takes the keys.
    PumpFor(1600);
    ASSERT_TRUE(MenuShown(program));
    PressKeys({VK_UP, VK_RETURN});
    ASSERT_TRUE(PumpUntil([&] { return program.Ended(); }, 10000)) << "the menu's last entry did not end the program";
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST(Program, ASecondStartHasItsOwnWindow)
{
    Program first, second;
    HWND a = nullptr, b = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (a = first.MainWindow()) && (b = second.MainWindow()); }, 15000));
    EXPECT_NE(a, b);
    PostMessageW(a, WM_CLOSE, 0, 0);
    PostMessageW(b, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return first.Ended() && second.Ended(); }, 10000));
}
