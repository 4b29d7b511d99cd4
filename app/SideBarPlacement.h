#pragma once
// Where the side bar goes when it is shown: beside the taskbar, full height.
#include <windows.h>

#include <optional>

// The side the bar is shown at: none yet, the left or the right screen edge.
enum TDispSide : int { dsNone = 0, dsLeft = 1, dsRight = 2 };

struct TSideBarBounds {
    int Left;
    int Top;
    int Height;
};

// screen: the primary screen's size; taskbar: the taskbar's window rectangle,
// when there is a taskbar; width and left: the window's outer width and
// current position (kept when no side has been chosen yet).
TSideBarBounds SideBarPlacement(SIZE screen, const std::optional<RECT>& taskbar, int dispSide,
                                int width, int left);
