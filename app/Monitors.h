#pragma once
// The desk the side bar lives on: the monitors, where their free left edges
// are, and where the bar goes on a monitor other than the primary one.
#include <windows.h>

#include <vector>

#include "app/SideBarPlacement.h"

struct TMonitorArea {
    RECT Bounds;  // the whole monitor, in virtual-screen pixels
    RECT Work;    // without its taskbars
    bool Primary = false;
};

std::vector<TMonitorArea> SystemMonitors();

// The monitor the pointer is on, or the nearest one; none without monitors.
const TMonitorArea* MonitorAt(const std::vector<TMonitorArea>& monitors, POINT pointer);
// The monitor whose left edge the pointer is at, where no monitor lies beyond
// it so that the pointer cannot go further left; none anywhere else.
const TMonitorArea* LeftEdgeMonitor(const std::vector<TMonitorArea>& monitors, POINT pointer);
// The bar on a monitor other than the primary one: at its left edge, within its work area.
TSideBarBounds SecondaryPlacement(const TMonitorArea& monitor);
// Just left of the leftmost monitor, so that the parked bar shows on no screen.
int ParkedLeft(const std::vector<TMonitorArea>& monitors, int width);
// Whether a window with these bounds covers the whole monitor.
bool CoversMonitor(const RECT& window, const TMonitorArea& monitor);
