// Where the side bar lands for each kind of taskbar, on a 1280x800 screen
// with a 210-pixel-wide window.
#include <gtest/gtest.h>

#include "app/Monitors.h"
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

namespace {
constexpr RECT kPrimary{0, 0, 1280, 800};
// The primary monitor with its taskbar at the bottom, and others around it.
TMonitorArea Primary() { return {kPrimary, RECT{0, 0, 1280, 760}, true}; }
TMonitorArea Other(RECT bounds) { return {bounds, bounds, false}; }
}  // namespace

TEST(MonitorEdges, OnlyAFreeLeftEdgeCounts)
{
    const TMonitorArea left = Other(RECT{-1024, 0, 0, 768});
    const TMonitorArea right = Other(RECT{1280, 0, 2560, 800});
    const TMonitorArea shortLeft = Other(RECT{-1024, 0, 0, 600});
    struct Case {
        const char* name;
        std::vector<TMonitorArea> monitors;
        POINT pointer;
        int edgeMonitor;  // index into monitors, -1 for none
    } cases[] = {
        {"one monitor, at x = 0", {Primary()}, {0, 300}, 0},
        {"one monitor, a pixel in", {Primary()}, {1, 300}, -1},
        {"one monitor, left of the screen", {Primary()}, {-3, 300}, 0},
        {"left monitor, in its middle", {Primary(), left}, {-500, 300}, -1},
        {"left monitor, at its left edge", {Primary(), left}, {-1024, 300}, 1},
        {"left monitor, at the primary's left edge", {Primary(), left}, {0, 300}, -1},
        {"right monitor, at its left edge", {Primary(), right}, {1280, 300}, -1},
        {"right monitor, at the primary's left edge", {Primary(), right}, {0, 300}, 0},
        {"shorter left monitor, beside it", {Primary(), shortLeft}, {0, 300}, -1},
        {"shorter left monitor, in the gap below it", {Primary(), shortLeft}, {0, 700}, 0},
    };
    for (const Case& c : cases) {
        const TMonitorArea* found = LeftEdgeMonitor(c.monitors, c.pointer);
        EXPECT_EQ(found ? int(found - c.monitors.data()) : -1, c.edgeMonitor) << c.name;
    }
}

TEST(MonitorEdges, OnASecondaryMonitorTheBarFillsTheLeftOfItsWorkArea)
{
    const RECT bounds{-1024, 0, 0, 768};
    struct Case {
        const char* taskbar;
        RECT work;
        int left, top, height;
    } cases[] = {
        {"left", {-984, 0, 0, 768}, -984, 0, 768},
        {"right", {-1024, 0, -40, 768}, -1024, 0, 768},
        {"top", {-1024, 30, 0, 768}, -1024, 30, 738},
        {"bottom", {-1024, 0, 0, 738}, -1024, 0, 738},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taskbar);
        ExpectBounds(SecondaryPlacement(TMonitorArea{bounds, c.work, false}), c.left, c.top, c.height);
    }
    EXPECT_EQ(ParkedLeft({Primary()}, kWidth), -(kWidth + 1));
    EXPECT_EQ(ParkedLeft({Primary(), Other(RECT{-1024, 0, 0, 768}), Other(RECT{1280, 0, 2560, 800})}, kWidth),
              -1024 - (kWidth + 1));
}
