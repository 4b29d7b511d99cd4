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

void TCanvas::SetFont(HFONT font)
{
    if (FHandle && font) SelectObject(FHandle, font);
}

void TCanvas::TextOut(int x, int y, const std::wstring& text)
{
    if (!FHandle) return;
    SetTextColor(FHandle, FFontColor);
    SetBkMode(FHandle, TRANSPARENT);
    ::TextOutW(FHandle, x, y, text.c_str(), int(text.size()));
}

int TCanvas::TextWidth(const std::wstring& text) const
{
    SIZE size{};
    if (FHandle) GetTextExtentPoint32W(FHandle, text.c_str(), int(text.size()), &size);
    return size.cx;
}

int TCanvas::TextHeight(const std::wstring& text) const
{
    SIZE size{};
    if (FHandle) GetTextExtentPoint32W(FHandle, text.c_str(), int(text.size()), &size);
    return size.cy;
}

void TCanvas::DrawFocusRect(const RECT& rect)
{
    if (!FHandle) return;
    // The dotted frame is drawn in the text and background colours.
    SetTextColor(FHandle, FFontColor);
    SetBkColor(FHandle, FBrushColor);
    ::DrawFocusRect(FHandle, &rect);
}

void TCanvas::DrawImage(HIMAGELIST images, int index, int x, int y)
{
    if (FHandle && images && index >= 0) ImageList_Draw(images, index, FHandle, x, y, ILD_TRANSPARENT);
}

void TCanvas::DrawImage(HIMAGELIST images, int index, int x, int y, UINT style)
{
    if (FHandle && images && index >= 0)
        ImageList_DrawEx(images, index, FHandle, x, y, 0, 0, CLR_NONE, CLR_DEFAULT, style);
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
