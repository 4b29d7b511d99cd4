#pragma once
// The start of a drag from a press on a row or a node, shared by both views.
#include <windows.h>

#include <cstdlib>

// Whether the button of the gesture (mouse state 1 the left, 2 the right) is
// still physically held; a user with swapped buttons presses the other one.
inline bool GestureButtonDown(int mouseState)
{
    bool left = mouseState == 1;
    if (GetSystemMetrics(SM_SWAPBUTTON)) left = !left;
    return (GetAsyncKeyState(left ? VK_LBUTTON : VK_RBUTTON) & 0x8000) != 0;
}

// A drag needs a move of more than 5 pixels on one axis.
inline bool NearPress(POINT start, int x, int y)
{
    constexpr int threshold = 5;
    return std::abs(x - start.x) <= threshold && std::abs(y - start.y) <= threshold;
}
