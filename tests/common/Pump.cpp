#include "tests/common/Pump.h"

#include <algorithm>

namespace {
void DispatchWaiting()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
}  // namespace

bool PumpUntil(const std::function<bool()>& condition, DWORD limitMs)
{
    const ULONGLONG end = GetTickCount64() + limitMs;
    for (;;) {
        DispatchWaiting();
        if (condition()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(std::min<ULONGLONG>(end - now, 20)), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool MoveCursorTo(int x, int y)
{
    SetCursorPos(x, y);
    return PumpUntil([&] {
        POINT p{};
        GetCursorPos(&p);
        return p.x == x && p.y == y;
    }, 2000);
}
