#include "app/SideBarPlacement.h"

TSideBarBounds SideBarPlacement(SIZE screen, const std::optional<RECT>& taskbar, int dispSide,
                                int width, int left)
{
    const int sw = screen.cx, sh = screen.cy;
    TSideBarBounds b{left, 0, sh};
    if (dispSide == dsLeft) b.Left = 0;
    else if (dispSide == dsRight) b.Left = sw - width;
    if (!taskbar) return b;

    const RECT& t = *taskbar;
    const bool vertical = t.bottom - t.top >= sh;
    const bool horizontal = t.right - t.left >= sw;
    if (vertical && t.left <= 0) {  // taskbar at the left edge
        if (dispSide == dsLeft) b.Left = t.right;
        else if (dispSide == dsRight) b.Left = sw - width;
    }
    if (vertical && t.right >= sw) {  // taskbar at the right edge
        if (dispSide == dsLeft) b.Left = 0;
        else if (dispSide == dsRight) b.Left = t.left - width;
    }
    if (horizontal && t.top <= 0) {  // taskbar at the top
        b.Top = t.bottom;
        b.Height = sh - t.bottom;
    }
    if (horizontal && t.bottom >= sh) {
        // A bottom taskbar, or the strip an auto-hidden one leaves on screen;
        // a taskbar wholly below the screen takes nothing.
        b.Top = 0;
        b.Height = t.top < sh ? t.top : sh;
    }
    return b;
}
