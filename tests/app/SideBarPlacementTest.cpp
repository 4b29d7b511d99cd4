// Where the side bar lands for each kind of taskbar, on a 1280x800 screen
// with a 210-pixel-wide window.
#include <gtest/gtest.h>

#include "app/SideBarPlacement.h"

namespace {
constexpr SIZE kScreen{1280, 800};
constexpr int kWidth = 210;

TSideBarBounds Place(std::optional<RECT> taskbar, int side = dsLeft, int left = -211)
{
    return SideBarPlacement(kScreen, taskbar, side, kWidth, left);
}

void ExpectBounds(const TSideBarBounds& b, int left, int top, int height)
{
    EXPECT_EQ(b.Left, left);
    EXPECT_EQ(b.Top, top);
    EXPECT_EQ(b.Height, height);
}
}  // namespace

TEST(SideBarPlacement, LeftEdgeBesideEachTaskbar)
{
    ExpectBounds(Place(RECT{0, 760, 1280, 800}), 0, 0, 760);        // bottom: ends at its top
    ExpectBounds(Place(RECT{0, 0, 1280, 40}), 0, 40, 760);          // top: starts under it
    ExpectBounds(Place(RECT{0, 0, 62, 800}), 62, 0, 800);           // left: starts at its right edge
    ExpectBounds(Place(RECT{1218, 0, 1280, 800}), 0, 0, 800);       // right: full height at 0
    ExpectBounds(Place(std::nullopt), 0, 0, 800);                   // none: full height from 0
    ExpectBounds(Place(RECT{-2, 0, 60, 800}), 60, 0, 800);          // left, partly off screen
}

TEST(SideBarPlacement, AutoHiddenBottomTaskbarKeepsItsStripFree)
{
    ExpectBounds(Place(RECT{0, 798, 1280, 838}), 0, 0, 798);
    // Wholly below the screen, it takes nothing.
    ExpectBounds(Place(RECT{0, 805, 1280, 845}), 0, 0, 800);
}

TEST(SideBarPlacement, NoSideChosenKeepsTheParkedPosition)
{
    ExpectBounds(Place(RECT{0, 0, 62, 800}, dsNone, -211), -211, 0, 800);
    ExpectBounds(Place(RECT{0, 760, 1280, 800}, dsNone, -211), -211, 0, 760);
}

TEST(SideBarPlacement, RightEdge)
{
    ExpectBounds(Place(RECT{0, 760, 1280, 800}, dsRight), 1280 - kWidth, 0, 760);
    ExpectBounds(Place(RECT{0, 0, 62, 800}, dsRight), 1280 - kWidth, 0, 800);
    ExpectBounds(Place(RECT{1218, 0, 1280, 800}, dsRight), 1218 - kWidth, 0, 800);
}
