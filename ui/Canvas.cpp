#include "ui/Canvas.h"

void TCanvas::Attach(HDC dc, COLORREF fontColor, COLORREF brushColor)
{
    FHandle = dc;
    FSavedState = SaveDC(dc);
    FFontColor = fontColor;
    FBrushColor = brushColor;
}

void TCanvas::Detach()
{
    if (FHandle && FSavedState) RestoreDC(FHandle, FSavedState);
    FHandle = nullptr;
    FSavedState = 0;
    OnChange = nullptr;
}

void TCanvas::SetFontColor(COLORREF value)
{
    FFontColor = value;
    Changed();
}

void TCanvas::SetBrushColor(COLORREF value)
{
    FBrushColor = value;
    Changed();
}

void TCanvas::Changed()
{
    if (OnChange) OnChange();
}

void TCanvas::FillRect(const RECT& rect)
{
    if (!FHandle) return;
    HBRUSH brush = CreateSolidBrush(FBrushColor);
    ::FillRect(FHandle, &rect, brush);
    DeleteObject(brush);
}

void TCanvas::DrawImage(HIMAGELIST images, int index, int x, int y)
{
    if (FHandle && images && index >= 0) ImageList_Draw(images, index, FHandle, x, y, ILD_TRANSPARENT);
}

bool TCanvas::ClipTo(const RECT& rect)
{
    if (!FHandle) return false;
    HRGN region = CreateRectRgnIndirect(&rect);
    if (!region) return false;
    const int selected = SelectClipRgn(FHandle, region);
    DeleteObject(region);
    return selected != ERROR;
}
