#include "bench/desk_input.h"

#include <commctrl.h>
#include <shlobj.h>

#include <vector>

double WaitFor(const std::function<bool()>& done, double limitMs)
{
    const double start = Now();
    while (!done()) {
        if (Now() - start > limitMs) return -1;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    return Now() - start;
}

// Under Wine a move of the pointer reaches the other programs a little later, and now and
// then not at all: it is made again until the system reports it.
void MovePointer(POINT to)
{
    WaitFor([&] {
        POINT at{};
        GetCursorPos(&at);
        if (at.x == to.x && at.y == to.y) return true;
        SetCursorPos(to.x, to.y);
        return false;
    }, 2000);
}

void MouseInput(POINT at, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG(at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = LONG(at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void Click(POINT at, bool right)
{
    MovePointer(at);
    MouseInput(at, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    MouseInput(at, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void Key(WORD key)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void Type(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::wstring DesktopDirectory()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool TSideBar::Find(DWORD pid)
{
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, L"Tessaly"));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) Window = w;
    }
    List = Window ? FindWindowExW(Window, nullptr, L"SysListView32", nullptr) : nullptr;
    return List != nullptr;
}

RECT TSideBar::Bounds() const
{
    RECT r{};
    GetWindowRect(Window, &r);
    return r;
}

int TSideBar::Rows() const
{
    return int(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0));
}

double ShowAtEdge(const TSideBar& bar)
{
    const double start = Now();
    MovePointer(kEdge);
    if (WaitFor([&] { return bar.Shown(); }, 5000) < 0) return -1;
    return Now() - start;
}

bool Park(const TSideBar& bar)
{
    MovePointer(kAway);
    return WaitFor([&] { return bar.Parked(); }, 5000) >= 0;
}
