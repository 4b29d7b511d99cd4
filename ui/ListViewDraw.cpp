// The list view's own drawing: owner-drawn rows and the work areas' frames.
#include "ui/ListView.h"

#include <algorithm>

#include "ui/Finally.h"

bool TCustomListView::CNDrawItem(const DRAWITEMSTRUCT& draw)
{
    FCanvas.Attach(draw.hDC, FontColor(), Color());
    TFinally detach([this] { FCanvas.Detach(); });
    FCanvas.SetFont(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    DrawItem(int(draw.itemID), draw.rcItem, LOWORD(draw.itemState));
    return true;
}

void TCustomListView::DrawItem(int index, const RECT& rect, TOwnerDrawState state)
{
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    // Without a handler the row still shows its caption.
    wchar_t caption[MAX_PATH] = {};
    ListView_GetItemText(Handle(), index, 0, caption, MAX_PATH);
    DrawPlainItem(FCanvas, rect, caption, state);
}

void TCustomListView::SetWorkAreas(const std::vector<RECT>& value)
{
    const std::vector<RECT> areas(value.begin(), value.begin() + std::min<size_t>(value.size(), LV_MAX_WORKAREAS));
    if (std::equal(areas.begin(), areas.end(), FWorkAreas.begin(), FWorkAreas.end(),
                   [](const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }))
        return;
    FWorkAreas = areas;
    ApplyWorkAreas();
}

void TCustomListView::ApplyWorkAreas()
{
    if (!HandleAllocated()) return;
    ListView_SetWorkAreas(Handle(), int(FWorkAreas.size()), FWorkAreas.empty() ? nullptr : FWorkAreas.data());
    if (FShowWorkAreas) InvalidateRect(Handle(), nullptr, TRUE);
}

void TCustomListView::SetShowWorkAreas(bool value)
{
    if (value == FShowWorkAreas) return;
    FShowWorkAreas = value;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

bool TCustomListView::FramesWorkAreas() const
{
    return FShowWorkAreas && !FWorkAreas.empty() && (FViewStyle == vsIcon || FViewStyle == vsSmallIcon);
}

LRESULT TCustomListView::PaintFramingWorkAreas()
{
    // A dotted frame inverts what lies beneath: it goes only where the control painted anew.
    HRGN painted = CreateRectRgn(0, 0, 0, 0);
    TFinally freeRegion([painted] { DeleteObject(painted); });
    GetUpdateRgn(Handle(), painted, FALSE);
    const LRESULT result = TWinControl::WndProc(WM_PAINT, 0, 0);
    HDC dc = GetDC(Handle());
    SelectClipRgn(dc, painted);
    for (const RECT& area : FWorkAreas) DrawFocusRect(dc, &area);
    ReleaseDC(Handle(), dc);
    return result;
}
