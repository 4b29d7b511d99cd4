#include "app/Monitors.h"

#include <algorithm>
#include <climits>

namespace {
bool Contains(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// How far the point lies outside the rectangle, in the larger of the two directions.
long Distance(const RECT& r, POINT p)
{
    const long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
    const long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
    return std::max(dx, dy);
}
}  // namespace

std::vector<TMonitorArea> SystemMonitors()
{
    std::vector<TMonitorArea> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info))
                reinterpret_cast<std::vector<TMonitorArea>*>(data)->push_back(
                    {info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
            return TRUE;
        },
        LPARAM(&monitors));
    return monitors;
}

const TMonitorArea* MonitorAt(const std::vector<TMonitorArea>& monitors, POINT pointer)
{
    const TMonitorArea* nearest = nullptr;
    long best = LONG_MAX;
    for (const TMonitorArea& monitor : monitors) {
        const long distance = Distance(monitor.Bounds, pointer);
        if (distance < best) {
            best = distance;
            nearest = &monitor;
        }
    }
    return nearest;
}

const TMonitorArea* LeftEdgeMonitor(const std::vector<TMonitorArea>& monitors, POINT pointer)
{
    const TMonitorArea* monitor = MonitorAt(monitors, pointer);
    if (!monitor || pointer.x > monitor->Bounds.left) return nullptr;
    const POINT beyond{monitor->Bounds.left - 1, std::clamp(pointer.y, monitor->Bounds.top, monitor->Bounds.bottom - 1)};
    for (const TMonitorArea& other : monitors)
        if (&other != monitor && Contains(other.Bounds, beyond)) return nullptr;
    return monitor;
}

TSideBarBounds SecondaryPlacement(const TMonitorArea& monitor)
{
    return {monitor.Work.left, monitor.Work.top, monitor.Work.bottom - monitor.Work.top};
}

int ParkedLeft(const std::vector<TMonitorArea>& monitors, int width)
{
    long leftmost = 0;
    for (const TMonitorArea& monitor : monitors) leftmost = std::min(leftmost, monitor.Bounds.left);
    return int(leftmost) - (width + 1);
}

bool CoversMonitor(const RECT& window, const TMonitorArea& monitor)
{
    const RECT& m = monitor.Bounds;
    return window.left <= m.left && window.top <= m.top && window.right >= m.right && window.bottom >= m.bottom;
}
